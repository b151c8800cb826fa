// Tables with names: the bytes of a .csv or .tsv file split into cells (quoting by libcsv), the
// names checked and the values converted as the plain layout's READ converts them.
#include "analysis/table_input.h"

#include <csv.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "libf/character.h"
#include "libf/fio/decimal.h"
#include "libf/fio/errors.h"
#include "libf/fio/transfer_state.h"

namespace analysis {

namespace {

constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";

bool ends_with_ignoring_case(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// The most frequent of tab, semicolon and comma outside quotes in the header line.
char header_delimiter(std::string_view bytes) {
    std::array<std::size_t, 3> counts{};
    constexpr std::array<char, 3> candidates = {'\t', ';', ','};
    bool quoted = false;
    for (char c : bytes) {
        if (c == '"') quoted = !quoted;  // a doubled quote toggles twice
        if (quoted) continue;
        if (c == '\n') break;
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (c == candidates[i]) ++counts[i];
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < candidates.size(); ++i)
        if (counts[i] > counts[best]) best = i;
    return counts[best] > 0 ? candidates[best] : '\0';
}

// Well-formed UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF) without NUL.
bool is_utf8_name(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead == 0) return false;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        uint32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1Fu;
        else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0Fu;
        else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07u;
        else return false;
        if (i + static_cast<std::size_t>(length) > text.size()) return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        constexpr uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

// A value cell: empty (absent), or a sign, digits with at most one decimal separator and an
// optional exponent. The number goes through the run-time's own decimal conversion, so it gets
// the very value a list-directed READ of the same digits gives.
bool cell_value(std::string_view cell, bool decimal_comma, float& value) {
    value = 0.0f;
    std::string text(trimmed(cell));
    if (text.empty()) return true;
    auto digit = [&text](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    std::size_t i = 0;
    if (text[0] == '+' || text[0] == '-') ++i;
    std::size_t digits = 0;
    bool separator = false;
    for (; i < text.size(); ++i) {
        if (digit(i)) {
            ++digits;
        } else if (!separator && (text[i] == '.' || (decimal_comma && text[i] == ','))) {
            separator = true;
            text[i] = '.';
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digit(i)) return false;
        while (digit(i)) ++i;
    }
    if (i != text.size()) return false;
    fio::digits_to_real(text.c_str(), &value, 0, fio::item_real4);
    return true;
}

// The parser's state across libcsv's callbacks.
struct Parse {
    explicit Parse(Table& t) : table(t) {}
    Table& table;
    TableProblem problem;
    bool decimal_comma = false;
    std::vector<std::string> cells;  // the current row's cells so far
    std::vector<std::string> header;
    bool header_read = false;
    std::size_t row_cells = 0;  // cells of every row, fixed by the first row
    int64_t line = 0;           // the physical line being fed
    int64_t row_line = 0;       // the line the current row started on
    bool row_ended = false;     // a row ended within the current line

    bool failed() const { return problem.fault != TableFault::none; }
    void fail(TableFault fault, int64_t at_line, int32_t column, std::string text = {}) {
        problem.fault = fault;
        problem.line = at_line;
        problem.column = column;
        problem.text = std::move(text);
    }
};

// Column names follow the corner cell, unless the header is one cell shorter than the rows (R's
// write.table leaves the corner out).
void take_column_names(Parse& p, std::size_t first_row_cells) {
    std::vector<std::string>& names = p.table.column_names;
    const bool corner_left_out = first_row_cells == p.header.size() + 1;
    names.assign(p.header.begin() + (corner_left_out || p.header.empty() ? 0 : 1), p.header.end());
    p.row_cells = names.size() + 1;
}

void take_header(Parse& p) {
    for (std::size_t i = 0; i < p.cells.size(); ++i)
        if (!is_utf8_name(p.cells[i])) return p.fail(TableFault::not_utf8, p.row_line, static_cast<int32_t>(i + 1));
    p.header = std::move(p.cells);
    p.header_read = true;
}

void take_row(Parse& p) {
    if (p.row_cells == 0) take_column_names(p, p.cells.size());
    if (p.cells.size() != p.row_cells) {
        p.problem.cells = static_cast<int32_t>(p.cells.size());
        p.problem.expected_cells = static_cast<int32_t>(p.row_cells);
        return p.fail(TableFault::cell_count, p.row_line, static_cast<int32_t>(std::min(p.cells.size(), p.row_cells) + 1));
    }
    if (!is_utf8_name(p.cells[0])) return p.fail(TableFault::not_utf8, p.row_line, 1);
    for (std::size_t c = 1; c < p.cells.size(); ++c) {
        float value;
        if (!cell_value(p.cells[c], p.decimal_comma, value))
            return p.fail(TableFault::not_a_number, p.row_line, static_cast<int32_t>(c + 1), p.cells[c]);
        p.table.values.push_back(value);
    }
    p.table.row_names.push_back(std::move(p.cells[0]));
    p.table.row_lines.push_back(p.row_line);
}

void on_cell(void* data, std::size_t length, void* context) {
    auto& p = *static_cast<Parse*>(context);
    if (!p.failed()) p.cells.emplace_back(static_cast<const char*>(data), length);
}

void on_row_end(int, void* context) {
    auto& p = *static_cast<Parse*>(context);
    p.row_ended = true;
    if (p.failed()) return;
    if (p.header_read) take_row(p); else take_header(p);
    p.cells.clear();
}

// A line with no content: only blanks and delimiters (spreadsheets export empty rows so).
bool is_empty_line(std::string_view line, char delimiter) {
    return std::all_of(line.begin(), line.end(), [delimiter](char c) { return is_blank(c) || c == delimiter; });
}

int blank_of_tab_table(unsigned char c) { return c == ' '; }
int blank_of_other_table(unsigned char c) { return c == ' ' || c == '\t'; }

// Feeds libcsv one physical line at a time, so every row and fault knows its line.
void parse_lines(std::string_view bytes, csv_parser& parser, Parse& p) {
    bool row_open = false;  // a quoted cell runs on over the line end
    int64_t empty_line = 0;
    for (std::size_t at = 0; at < bytes.size() && !p.failed();) {
        const std::size_t end = bytes.find('\n', at);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        const std::string_view line = bytes.substr(at, next - at);
        at = next;
        ++p.line;
        if (!row_open && is_empty_line(line, p.table.delimiter)) {
            if (empty_line == 0) empty_line = p.line;
            continue;
        }
        if (!row_open) {
            if (empty_line != 0) return p.fail(TableFault::blank_line, empty_line, 0);
            p.row_line = p.line;
        }
        p.row_ended = false;
        if (csv_parse(&parser, line.data(), line.size(), on_cell, on_row_end, &p) != line.size() && !p.failed()) {
            if (csv_error(&parser) != CSV_EPARSE) report_outside_statement(fio::err_allocation);
            return p.fail(TableFault::stray_quote, p.line, static_cast<int32_t>(p.cells.size() + 1));
        }
        row_open = !p.row_ended;
    }
    if (!p.failed() && csv_fini(&parser, on_cell, on_row_end, &p) != 0 && !p.failed())
        p.fail(TableFault::open_quote, p.row_line, static_cast<int32_t>(p.cells.size() + 1));
}

}  // namespace

std::string_view file_base_name(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool is_table_file(std::string_view file_name) {
    return ends_with_ignoring_case(file_name, ".csv") || ends_with_ignoring_case(file_name, ".tsv");
}

TableProblem parse_table(std::string_view bytes, bool tab_separated, Table& table) {
    table = Table{};
    if (bytes.starts_with(utf8_bom)) bytes.remove_prefix(utf8_bom.size());
    Parse p(table);
    table.delimiter = tab_separated ? '\t' : header_delimiter(bytes);
    if (table.delimiter == '\0') {
        p.fail(TableFault::no_delimiter, 1, 0);
        return p.problem;
    }
    p.decimal_comma = table.delimiter != ',';
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) report_outside_statement(fio::err_allocation);
    csv_set_delim(&parser, static_cast<unsigned char>(table.delimiter));
    csv_set_space_func(&parser, table.delimiter == '\t' ? blank_of_tab_table : blank_of_other_table);
    parse_lines(bytes, parser, p);
    csv_free(&parser);
    if (!p.failed() && p.row_cells == 0) take_column_names(p, 0);
    return p.problem;
}

std::vector<RepeatedName> repeated_names(const std::vector<std::string>& names) {
    std::vector<RepeatedName> repeated;
    std::unordered_map<std::string_view, int32_t> first;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto [place, inserted] = first.emplace(names[i], static_cast<int32_t>(i + 1));
        if (!inserted) repeated.push_back({static_cast<int32_t>(i + 1), place->second});
    }
    return repeated;
}

bool looks_like_plain_layout(std::string_view bytes) {
    const std::size_t title_end = bytes.find('\n');
    if (title_end == std::string_view::npos) return false;
    const std::string_view rest = bytes.substr(title_end + 1);
    const std::string_view second = trimmed(rest.substr(0, rest.find('\n')));
    const std::size_t gap = second.find_first_of(" \t");
    auto whole_number = [](std::string_view t) {
        return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return gap != std::string_view::npos && whole_number(second.substr(0, gap)) &&
           whole_number(trimmed(second.substr(gap)));
}

std::string column_letters(int32_t column) {
    std::string letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
    return letters;
}

// ---------------------------------------------------------------------------------------------
// The run's side: the console lines and the matrix

namespace {

constexpr int32_t input_unit = 1;
constexpr std::size_t shown_cell_length = 24;
constexpr std::size_t shown_repeats = 3;

void write_line(const std::string& text) { write_record(console_unit, Layout::list, {fio::item(std::string_view(text))}); }

std::string column_label(int32_t column) { return std::to_string(column) + " (" + column_letters(column) + ")"; }

// A cell as the console may show it: printable ASCII, the rest as '?', long cells cut.
std::string shown_cell(std::string_view cell) {
    std::string shown;
    for (char c : cell.substr(0, shown_cell_length)) shown += c >= ' ' && c <= '~' ? c : '?';
    return "\"" + shown + (cell.size() > shown_cell_length ? "...\"" : "\"");
}

std::string fault_text(const TableProblem& p) {
    switch (p.fault) {
        case TableFault::no_delimiter: return "NO TAB, SEMICOLON OR COMMA IN THE HEADER; EXPORT IT WITH write.csv";
        case TableFault::blank_line: return "BLANK LINE INSIDE THE TABLE";
        case TableFault::cell_count:
            return std::to_string(p.cells) + " CELLS WHERE THE ROWS HAVE " + std::to_string(p.expected_cells);
        case TableFault::not_a_number: return shown_cell(p.text) + " IS NOT A NUMBER";
        case TableFault::stray_quote: return "QUOTE INSIDE A CELL THAT IS NOT QUOTED AS A WHOLE";
        case TableFault::open_quote: return "QUOTED CELL NOT CLOSED BEFORE THE END OF THE FILE";
        case TableFault::not_utf8: return "NAME THAT IS NOT UTF-8 TEXT";
        case TableFault::none: break;
    }
    return {};
}

[[noreturn]] void stop_on_table_fault(std::string_view file, const TableProblem& p, bool plain_layout) {
    std::string where = " TABLE " + std::string(file) + ", LINE " + std::to_string(p.line);
    if (p.column > 0) where += ", COLUMN " + column_label(p.column);
    write_line(where + ": " + fault_text(p));
    if (plain_layout) write_line(" THIS IS THE PLAIN LAYOUT (TITLE, DIMENSIONS, MATRIX): RENAME THE FILE TO .txt");
    stop_run(run_failed);
}

[[noreturn]] void stop_on_unreadable(std::string_view file) {
    write_line(" TABLE " + std::string(file) + " CANNOT BE READ");
    stop_run(run_failed);
}

bool read_bytes(std::string_view file_name, std::string& bytes) {
    std::ifstream in{std::string(file_name), std::ios::binary};
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Names never reach the console (it shows Latin-1): repeats are told by line or column.
void warn_repeated_names(const Table& table) {
    const std::vector<RepeatedName> rows = repeated_names(table.row_names);
    for (std::size_t i = 0; i < std::min(rows.size(), shown_repeats); ++i)
        write_line(" WARNING: LINE " + std::to_string(table.row_lines[rows[i].index - 1]) +
                   " HAS THE SAME ROW NAME AS LINE " + std::to_string(table.row_lines[rows[i].first - 1]));
    if (rows.size() > shown_repeats)
        write_line(" WARNING: " + std::to_string(rows.size() - shown_repeats) + " MORE ROWS REPEAT A NAME");
    // Value column k stands in column k + 1 of the file, after the names.
    const std::vector<RepeatedName> columns = repeated_names(table.column_names);
    for (std::size_t i = 0; i < std::min(columns.size(), shown_repeats); ++i)
        write_line(" WARNING: COLUMN " + column_label(columns[i].index + 1) + " HAS THE SAME NAME AS COLUMN " +
                   column_label(columns[i].first + 1));
    if (columns.size() > shown_repeats)
        write_line(" WARNING: " + std::to_string(columns.size() - shown_repeats) + " MORE COLUMNS REPEAT A NAME");
}

// The matrix as the plain layout holds the same rows: the table's rows are the file's rows.
void fill_matrix(const Table& table, int32_t orientation, MatrixData& m) {
    const auto n_rows = static_cast<int32_t>(table.row_names.size());
    const auto n_cols = static_cast<int32_t>(table.column_names.size());
    shape_matrix(orientation, n_rows, n_cols, m);
    const bool rows_compared = orientation != 0;
    uint64_t present = 0;
    for (int32_t r = 1; r <= n_rows; ++r) {
        for (int32_t c = 1; c <= n_cols; ++c) {
            const float value = table.at(static_cast<std::size_t>(r - 1), static_cast<std::size_t>(c - 1));
            const int32_t object = rows_compared ? r : c;
            const int32_t variable = rows_compared ? c : r;
            m.data_matrix.at(variable, object) = value;
            if (value > 0.0f) {
                ++present;
                set_bit(m.presence.object(object), variable - 1);
            }
        }
    }
    m.present_count = present;
}

const char* delimiter_word(char delimiter) {
    switch (delimiter) {
        case '\t': return "TAB";
        case ';': return "SEMICOLON";
        default: return "COMMA";
    }
}

}  // namespace

std::vector<std::string> read_table(std::string_view file_name, int32_t orientation, MatrixData& m) {
    close_unit(input_unit);
    const std::string_view file = file_base_name(file_name);
    std::string bytes;
    if (!read_bytes(file_name, bytes)) stop_on_unreadable(file);
    Table table;
    const TableProblem problem = parse_table(bytes, ends_with_ignoring_case(file_name, ".tsv"), table);
    if (problem.fault != TableFault::none) stop_on_table_fault(file, problem, looks_like_plain_layout(bytes));
    warn_repeated_names(table);
    libf::assign_chars(m.title, title_length, file.data(), static_cast<int32_t>(std::min<std::size_t>(file.size(), title_length)));
    fill_matrix(table, orientation, m);
    write_line(" READ TABLE " + std::string(file) + ": " + std::to_string(table.row_names.size()) + " ROWS, " +
               std::to_string(table.column_names.size()) + " COLUMNS, " + delimiter_word(table.delimiter) +
               "-SEPARATED");
    return orientation != 0 ? std::move(table.row_names) : std::move(table.column_names);
}

}  // namespace analysis
