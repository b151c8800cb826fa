// Tables with names: cells, names and values as spreadsheets and R write them, the faults with
// their line and column, and the text of the labelled result files.
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/table_input.h"
#include "analysis/table_results.h"
#include "libf/fio/io_calls.h"

namespace {

using analysis::Table;
using analysis::TableFault;
using Names = std::vector<std::string>;

struct Expected {
    char delimiter;
    Names rows;
    Names columns;
    std::vector<float> values;
};

void expect_table(std::string_view bytes, bool tsv, const Expected& e) {
    Table table;
    const analysis::TableProblem problem = analysis::parse_table(bytes, tsv, table);
    ASSERT_EQ(problem.fault, TableFault::none) << "line " << problem.line << " column " << problem.column;
    EXPECT_EQ(table.delimiter, e.delimiter);
    EXPECT_EQ(table.row_names, e.rows);
    EXPECT_EQ(table.column_names, e.columns);
    EXPECT_EQ(table.values, e.values);
}

TEST(TableCells, DelimitersAndQuotingAsSpreadsheetsAndRWriteThem) {
    struct Case {
        const char* what;
        std::string bytes;
        bool tsv;
        Expected expected;
    };
    const Expected two_by_two{',', {"s1", "s2"}, {"a", "b"}, {1, 0, 0, 2.5f}};
    const Case cases[] = {
        {"write.csv", "\"\",\"a\",\"b\"\n\"s1\",1,0\n\"s2\",0,2.5\n", false, two_by_two},
        {"unquoted, blanks around cells", "site , a ,b\n s1, 1 ,0\ns2 ,0, 2.5 \n", false, two_by_two},
        {"tab in a .tsv", "\ta\tb\ns1\t1\t0\ns2\t0\t2.5\n", true, {'\t', {"s1", "s2"}, {"a", "b"}, {1, 0, 0, 2.5f}}},
        {"tab in a .csv", "x\ta\tb\ns1\t1\t0\ns2\t0\t2.5\n", false, {'\t', {"s1", "s2"}, {"a", "b"}, {1, 0, 0, 2.5f}}},
        {"empty cells are absent", ";a;b\ns1;;1\ns2;2;\n", false, {';', {"s1", "s2"}, {"a", "b"}, {0, 1, 2, 0}}},
        {"a tie goes to the semicolon", "x;a,b;c\ns1;1;2\n", false, {';', {"s1"}, {"a,b", "c"}, {1, 2}}},
        {"delimiters inside quotes do not count", "\"\";\"a,b\";\"c,d\"\ns1;1;2\n", false,
         {';', {"s1"}, {"a,b", "c,d"}, {1, 2}}},
        {"doubled quotes, a line break and UTF-8 in names",
         "\"\",\"say \"\"hi\"\"\",\"Carex n\xC3\xA9gl\"\n\"two\nlines\",1,0\n", false,
         {',', {"two\nlines"}, {"say \"hi\"", "Carex n\xC3\xA9gl"}, {1, 0}}},
        {"write.table: the header leaves the corner out", "a\tb\ns1\t1\t0\n", true, {'\t', {"s1"}, {"a", "b"}, {1, 0}}},
        {"a header without rows", ",a,b\n", false, {',', {}, {"a", "b"}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expect_table(c.bytes, c.tsv, c.expected);
    }
}

TEST(TableCells, DecimalCommaWithTabOrSemicolonOnly) {
    expect_table("\"\";\"a\";\"b\"\n\"s1\";0,5;-1,25e2\n", false, {';', {"s1"}, {"a", "b"}, {0.5f, -125.0f}});
    expect_table("\ta\tb\ns1\t0,5\t,75\n", true, {'\t', {"s1"}, {"a", "b"}, {0.5f, 0.75f}});
    expect_table(",a,b\ns1,0.5,7.\n", false, {',', {"s1"}, {"a", "b"}, {0.5f, 7.0f}});
    struct Case {
        std::string bytes;
        const char* cell;
    };
    const Case refused[] = {
        {",a\ns1,\"0,5\"\n", "0,5"},      // a comma-separated table takes the point only
        {";a\ns1;1.5,2\n", "1.5,2"},      // a second separator
        {";a\ns1;1,5.2\n", "1,5.2"},
        {"\ta\ns1\t1.000,5\n", "1.000,5"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.bytes);
        Table table;
        const analysis::TableProblem problem = analysis::parse_table(c.bytes, false, table);
        EXPECT_EQ(problem.fault, TableFault::not_a_number);
        EXPECT_EQ(problem.text, c.cell);
    }
}

TEST(TableCells, ByteOrderMarkLineEndsAndTheLastLineGiveTheSameTable) {
    const Expected expected{',', {"s1", "s2"}, {"a", "b"}, {1, 0, 0, 2}};
    const char* variants[] = {
        ",a,b\ns1,1,0\ns2,0,2\n",
        ",a,b\ns1,1,0\ns2,0,2",
        ",a,b\r\ns1,1,0\r\ns2,0,2\r\n",
        ",a,b\r\ns1,1,0\r\ns2,0,2",
        "\xEF\xBB\xBF,a,b\r\ns1,1,0\r\ns2,0,2\r\n",
        ",a,b\ns1,1,0\ns2,0,2\n\n\r\n  \n",
        ",a,b\r\ns1,1,0\r\ns2,0,2\r\n,,\r\n,,\r\n",  // spreadsheets' empty rows
    };
    for (const char* bytes : variants) {
        SCOPED_TRACE(bytes);
        expect_table(bytes, false, expected);
    }
}

TEST(TableFaults, EachFaultNamesItsLineAndColumn) {
    struct Case {
        std::string bytes;
        TableFault fault;
        int64_t line;
        int32_t column;
        std::string text;
    };
    const Case cases[] = {
        {",a,b\ns1,1,NA\n", TableFault::not_a_number, 2, 3, "NA"},
        {",a,b\ns1,1,0\ns2,abc,0\n", TableFault::not_a_number, 3, 2, "abc"},
        {",a,b\ns1,+,0\n", TableFault::not_a_number, 2, 2, "+"},
        {",a,b\ns1,r,0\n", TableFault::not_a_number, 2, 2, "r"},
        {",a,b\ns1,1.2.3,0\n", TableFault::not_a_number, 2, 2, "1.2.3"},
        {",a,b\ns1,1,Inf\n", TableFault::not_a_number, 2, 3, "Inf"},
        {",a,b\ns1,NaN,1\n", TableFault::not_a_number, 2, 2, "NaN"},
        {",a,b\ns1,1e,1\n", TableFault::not_a_number, 2, 2, "1e"},
        {",a,b\ns1,1,0\ns2,1\n", TableFault::cell_count, 3, 3, ""},
        {",a,b\ns1,1,0\ns2,1,0,1\n", TableFault::cell_count, 3, 4, ""},
        {",a,b\ns1,1,0\n\ns2,1,1\n", TableFault::blank_line, 3, 0, ""},
        {",a,b\ns1,1,0\r\n\r\ns2,1,1\r\n", TableFault::blank_line, 3, 0, ""},
        {",a,b\ns\"1,1,0\n", TableFault::stray_quote, 2, 1, ""},
        {",a,b\n\"s1\"x,1,0\n", TableFault::stray_quote, 2, 1, ""},
        {",a,b\ns1,1,0\n\"s2,1,0\n", TableFault::open_quote, 3, 1, ""},
        {",\"a\xFF\",b\ns1,1,0\n", TableFault::not_utf8, 1, 2, ""},
        {",a,b\n\"\xC3(\",1,0\n", TableFault::not_utf8, 2, 1, ""},
        {",a,b\n\"two\nlines\",1,0\ns2,1,x\n", TableFault::not_a_number, 4, 3, "x"},  // lines, not rows
        {"worked example\n4 3\n1 1 0\n", TableFault::no_delimiter, 1, 0, ""},
        {"", TableFault::no_delimiter, 1, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        Table table;
        const analysis::TableProblem problem = analysis::parse_table(c.bytes, false, table);
        EXPECT_EQ(problem.fault, c.fault);
        EXPECT_EQ(problem.line, c.line);
        EXPECT_EQ(problem.column, c.column);
        EXPECT_EQ(problem.text, c.text);
    }
    // The console shows a column by its number and its spreadsheet letters.
    const std::pair<int32_t, const char*> letters[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {703, "AAA"}};
    for (const auto& [column, text] : letters) EXPECT_EQ(analysis::column_letters(column), text);
}

TEST(TableFaults, OnlyTheTitleAndDimensionsOfThePlainLayoutAskForRenaming) {
    EXPECT_TRUE(analysis::looks_like_plain_layout("worked example\n4 3\n1 1 0\n"));
    EXPECT_TRUE(analysis::looks_like_plain_layout("ponds, 2023\r\n35\t12\r\n"));
    EXPECT_FALSE(analysis::looks_like_plain_layout(",a,b\ns1,1,0\n"));
    EXPECT_FALSE(analysis::looks_like_plain_layout("a b\n4\n"));
    EXPECT_FALSE(analysis::looks_like_plain_layout("title only"));
}

TEST(TableNames, RepeatedNamesAreAllowedAndFoundWithTheirFirstPlace) {
    Table table;
    ASSERT_EQ(analysis::parse_table(",a,b,a\ns1,1,0,1\ns1,0,1,1\n", false, table).fault, TableFault::none);
    EXPECT_EQ(table.row_names, (Names{"s1", "s1"}));
    const std::vector<analysis::RepeatedName> repeated =
        analysis::repeated_names({"a", "b", "a", "c", "b", "a", ""});
    ASSERT_EQ(repeated.size(), 3u);
    const std::pair<int32_t, int32_t> expected[] = {{3, 1}, {5, 2}, {6, 1}};
    for (std::size_t i = 0; i < repeated.size(); ++i) {
        EXPECT_EQ(repeated[i].index, expected[i].first);
        EXPECT_EQ(repeated[i].first, expected[i].second);
    }
}

// A table and the plain layout's list-directed READ of the same digits give the same bits.
TEST(TableValues, EqualTheRunTimesListDirectedReadingBitForBit) {
    const char* numbers[] = {"0.1", "1e-45", "7e-46", "3.4028235e38", "16777217", "0.30000001192092896",
                             "-2.5E-3", "123456789012345678901234567890", "1.00000005960464477539", ".5", "5."};
    for (const char* number : numbers) {
        SCOPED_TRACE(number);
        Table table;
        ASSERT_EQ(analysis::parse_table(std::string(",a\ns1,") + number + "\n", false, table).fault, TableFault::none);
        std::string record = number;
        float read = std::numeric_limits<float>::quiet_NaN();
        fio::read_list(fio::internal_file(record.data(), static_cast<int32_t>(record.size())))
            .begin({fio::item(read)})
            .end();
        EXPECT_EQ(std::bit_cast<uint32_t>(table.values.at(0)), std::bit_cast<uint32_t>(read));
    }
}

TEST(TableResults, CellsAreQuotedOnlyWhenNeededAndRealsTakeTheirShortestText) {
    const std::pair<std::string, std::string> cells[] = {
        {"s1", "s1"}, {"", ""}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""}, {" lead", "\" lead\""}, {"n\xC3\xA9", "n\xC3\xA9"},
    };
    for (const auto& [name, text] : cells) EXPECT_EQ(analysis::csv_cell(name), text);
    const std::pair<float, const char*> reals[] = {
        {0.25f, "0.25"}, {1.0f / 3.0f, "0.33333334"}, {0.0f, "0"}, {1.0f, "1"}, {100.0f, "100"},
        {16777216.0f, "16777216"}, {1e-45f, "1e-45"}, {58.333332f, "58.333332"},
        {std::numeric_limits<float>::quiet_NaN(), "NaN"}, {-std::numeric_limits<float>::infinity(), "-Inf"},
    };
    for (const auto& [value, text] : reals) {
        EXPECT_EQ(analysis::shortest_text(value), text);
        if (std::isfinite(value)) {
            EXPECT_EQ(std::strtof(text, nullptr), value);
        }
    }
}

}  // namespace
