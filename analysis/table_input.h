// Tables with names, as spreadsheets and R write them: a header row (a corner cell, then one
// name per column), then one row per name with one value per column, in a .csv or .tsv file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis.h"

namespace analysis {

// Whether a file of this name is read as a table: it ends in .csv or .tsv, in any case.
bool is_table_file(std::string_view file_name);
// The name without its folder: the title of the result files and the name the console shows.
std::string_view file_base_name(std::string_view path);

// A parsed table: rows x columns values, row by row.
struct Table {
    char delimiter = ',';
    std::vector<std::string> row_names;
    std::vector<int64_t> row_lines;  // the line each row starts on
    std::vector<std::string> column_names;
    std::vector<float> values;
    float at(std::size_t row, std::size_t column) const { return values[row * column_names.size() + column]; }
};

enum class TableFault {
    none,
    no_delimiter,    // the header line has no tab, semicolon or comma
    blank_line,      // a blank line with rows after it
    cell_count,      // a row with more or fewer cells than the header
    not_a_number,    // a value cell that is neither empty nor a number
    stray_quote,     // a quote that neither opens nor closes a cell
    open_quote,      // a quoted cell still open at the end of the file
    not_utf8,        // a name that is not UTF-8 text
};

// Where a table went wrong: the physical line (from 1) and the column within the line (from 1,
// the name column included; 0 when the fault concerns the whole line).
struct TableProblem {
    TableFault fault = TableFault::none;
    int64_t line = 0;
    int32_t column = 0;
    std::string text;            // not_a_number: the offending cell
    int32_t cells = 0;           // cell_count: the row's cells
    int32_t expected_cells = 0;  // and the cells every row needs
};

// Parses the bytes of a table. A .tsv file is tab-separated; otherwise the most frequent of tab,
// semicolon and comma in the header line decides (ties in that order).
TableProblem parse_table(std::string_view bytes, bool tab_separated, Table& table);

// A name that repeats an earlier one: positions counted from 1 among the rows or the columns.
struct RepeatedName {
    int32_t index;
    int32_t first;
};
std::vector<RepeatedName> repeated_names(const std::vector<std::string>& names);

// Whether the bytes look like the plain layout: a title line, then a line of two whole numbers.
bool looks_like_plain_layout(std::string_view bytes);

// Spreadsheet letters of a column counted from 1: A .. Z, AA ...
std::string column_letters(int32_t column);

// Closes unit 1 and reads the table `file_name` as bytes into the matrix, exactly as the plain
// layout holds the same values; reports it on the console and returns the names of the objects
// compared. A faulty table is reported and ends the run before any result file is opened.
std::vector<std::string> read_table(std::string_view file_name, int32_t orientation, MatrixData& m);

}  // namespace analysis
