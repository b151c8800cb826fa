// READ and WRITE statements run step by step (begin, items, end) on internal files, real files
// and the console: records and terminators, trailing format controls, non-advancing records,
// SIZE= and EOR=, direct access, and the errors the begin steps raise.
#include "libf/fio/statement.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "libf/fio/errors.h"
#include "libf/fio/input_edit.h"
#include "libf/fio/list_input.h"
#include "libf/fio/open_close.h"
#include "libf/fio/output_edit.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using test_support::read_file;
using test_support::write_file;

// The control list of one statement, as a driver would turn it into the statement record.
struct Control {
    int32_t unit = 7;             // -1 is '*'
    std::string format{};         // empty: list-directed
    const char* advance = nullptr;
    int32_t* size = nullptr;
    std::optional<int32_t> rec{};
    bool eor = false;
    bool end = false;
    std::vector<char>* internal = nullptr;  // internal file of `records` elements
    int32_t records = 1;
};

int32_t g_iostat = 0;
int32_t g_rec = 0;

void set_up(TransferState& s, const Control& c) {
    s.present = pres::unit | pres::formatted | pres::iostat |
                (c.format.empty() ? uint32_t{pres::list_directed} : 0u);
    s.options = opt::status_codes;
    s.iostat_var = &g_iostat;
    s.iostat_width = 4;
    g_iostat = 12345;  // the begin step clears it
    if (c.internal != nullptr) {
        s.options |= opt::internal_file;
        s.unit_spec = reinterpret_cast<std::intptr_t>(c.internal->data());
        s.internal_records = c.records;
        s.internal_length = static_cast<int32_t>(c.internal->size()) / c.records;
    } else {
        s.options |= opt::unit_by_value;
        s.unit_spec = c.unit;
    }
    s.format_start = c.format.c_str();
    s.format_length = static_cast<int32_t>(c.format.size());
    if (c.advance != nullptr) {
        s.options |= opt::advance;
        s.advance_text = {const_cast<char*>(c.advance), static_cast<int32_t>(std::strlen(c.advance))};
    }
    if (c.size != nullptr) {
        s.present |= pres::size;
        s.size_var = c.size;
    }
    if (c.rec) {
        g_rec = *c.rec;
        s.present |= pres::rec;
        s.rec_var = &g_rec;
    }
    if (c.eor) s.options |= opt::eor;
    if (c.end) s.present |= pres::end;
}

struct Target {
    int32_t type;
    int32_t length;
    void* address;
};
Target into(int32_t& v) { return {item_int4, 4, &v}; }
Target into(std::string& v) { return {item_char, static_cast<int32_t>(v.size()), v.data()}; }

// Runs a whole READ; stops at the first non-zero status as the drivers do.
int32_t read(const Control& c, std::vector<Target> items) {
    TransferState& s = transfer_state();
    set_up(s, c);
    int32_t status = begin_read(s);
    for (const Target& t : items) {
        if (status != 0) break;
        s.item_type = t.type;
        s.item_length = t.length;
        s.item_count = 1;
        s.item_address = t.address;
        status = c.format.empty() ? read_list_item(s) : read_item(s);
    }
    return status != 0 ? status : end_read(s);
}

using Value = std::variant<int32_t, std::string>;

int32_t write(const Control& c, std::vector<Value> values) {
    TransferState& s = transfer_state();
    set_up(s, c);
    int32_t status = begin_write(s);
    for (Value& v : values) {
        if (status != 0) break;
        s.item_count = 1;
        if (auto* i = std::get_if<int32_t>(&v)) {
            s.item_type = item_int4;
            s.item_length = 4;
            s.item_address = i;
        } else {
            auto& text = std::get<std::string>(v);
            s.item_type = item_char;
            s.item_length = static_cast<int32_t>(text.size());
            s.item_address = text.data();
        }
        status = write_item(s);
    }
    return status != 0 ? status : end_write(s);
}

UnitBlock* unit_numbered(int32_t number) {
    for (UnitBlock* u = transfer_state().units; u != nullptr; u = u->next)
        if (u->unit_number == number) return u;
    return nullptr;
}

// Closes every unit (writing what is buffered) and returns the file's bytes.
std::string closed_file(const std::string& name) {
    test_support::reset_transfer_state();
    return read_file(name);
}

class Statement : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }
    test_support::TempDir dir;
};

TEST_F(Statement, WriteToFileEndsRecordsWithCarriageReturnLineFeed) {
    struct Case {
        std::string format;
        std::vector<Value> values;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"(I3)", {1, 2, 3}, "  1\r\n  2\r\n  3\r\n"},
        // Controls left in the format after the last item run up to a data descriptor or ":".
        {"(I3,5X)", {42}, " 42\r\n"},  // a trailing X does not lengthen the record
        {"(I2,/)", {5}, " 5\r\n\r\n"},
        {"(I2,' end')", {7}, " 7 end\r\n"},
        {"(I2,'a',:,'b')", {5}, " 5a\r\n"},
        {"(I2,T6,'x',I2,'y')", {5}, " 5   x\r\n"},
        {"('head',I2)", {}, "head\r\n"},
        {"(T10,A,T1,A)", {std::string("xy"), std::string("ab")}, "ab       xy\r\n"},
        {"", {3, std::string("ab")}, "   3 ab\r\n"},
        {"", {}, " \r\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(write({.format = c.format}, c.values), 0) << c.format;
        EXPECT_EQ(closed_file("fort.7"), c.bytes) << c.format;
    }
    // An internal file takes one element per record.
    std::vector<char> file(9, '.');
    ASSERT_EQ(write({.format = "(I3)", .internal = &file, .records = 3}, {1, 2, 3}), 0);
    EXPECT_EQ(std::string(file.data(), 9), "  1  2  3");
}

TEST_F(Statement, SequentialRecordsMayBeExactlyReclLong) {
    int32_t k = 0;
    ASSERT_EQ(open_connection({.unit = 10, .file = "r.txt", .recl = 5, .iostat = &k}), 0);
    ASSERT_EQ(write({.unit = 10, .format = "(A)"}, {std::string("abcde")}), 0);
    EXPECT_EQ(write({.unit = 10, .format = "(A)"}, {std::string("abcdef")}), status_error);
    EXPECT_EQ(g_iostat, err_record_too_long);
    EXPECT_EQ(closed_file("r.txt"), "abcde\r\n");
}

TEST_F(Statement, ReadConsumesRecordsAsTheFormatSays) {
    struct Case {
        std::string first_format;
        int32_t first, second;  // values of the two READs
    };
    // "/" left in the format at the end still skips a record; ":" stops before it.
    const std::vector<Case> cases = {{"(I3/)", 1, 3}, {"(I3,:,/)", 1, 2}, {"(I3)", 1, 2}};
    for (const Case& c : cases) {
        write_file("fort.7", "  1\n  2\n  3\n");
        int32_t a = 0, b = 0;
        ASSERT_EQ(read({.format = c.first_format}, {into(a)}), 0) << c.first_format;
        ASSERT_EQ(read({.format = "(I3)"}, {into(b)}), 0) << c.first_format;
        EXPECT_EQ(a, c.first) << c.first_format;
        EXPECT_EQ(b, c.second) << c.first_format;
        test_support::reset_transfer_state();
    }
    // Format reversion reads one record per item; list-directed input drops the rest of its record.
    write_file("fort.8", "  4\n  5\n6 7 8\n9\n");
    int32_t x = 0, y = 0, z = 0, w = 0;
    ASSERT_EQ(read({.unit = 8, .format = "(I3)"}, {into(x), into(y)}), 0);
    ASSERT_EQ(read({.unit = 8}, {into(z)}), 0);
    ASSERT_EQ(read({.unit = 8}, {into(w)}), 0);
    EXPECT_EQ((std::vector<int32_t>{x, y, z, w}), (std::vector<int32_t>{4, 5, 6, 9}));
    // End of file: END= gives status 2, IOSTAT= -1.
    EXPECT_EQ(read({.unit = 8, .format = "(I3)", .end = true}, {into(x)}), status_end);
    EXPECT_EQ(g_iostat, -1);
}

TEST_F(Statement, NonAdvancingWritesBuildOneRecord) {
    struct Piece {
        std::string format;
        const char* advance;
        std::string text;
    };
    struct Case {
        std::vector<Piece> pieces;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {{{"(A)", "NO", "abc"}, {"(A)", "no ", "defg"}, {"(A)", nullptr, "hi"}}, "abcdefghi\r\n"},
        {{{"(A)", "NO", "abc"}, {"(A)", "YES", "d"}, {"(A)", nullptr, "e"}}, "abcd\r\ne\r\n"},
        // Columns skipped at the end of a piece start the next one further right...
        {{{"(A,2X)", "NO", "ab"}, {"(A)", nullptr, "cd"}}, "ab  cd\r\n"},
        // ...and TL in the next piece cannot move back over them.
        {{{"(A,2X)", "NO", "ab"}, {"(TL5,A)", nullptr, "c"}}, "ab  c\r\n"},
        // Closing the unit ends the open record.
        {{{"(A)", "NO", "xyz"}}, "xyz\r\n"},
    };
    for (const Case& c : cases) {
        for (const Piece& p : c.pieces)
            ASSERT_EQ(write({.format = p.format, .advance = p.advance}, {p.text}), 0) << p.format;
        EXPECT_EQ(closed_file("fort.7"), c.bytes) << c.pieces[0].format << c.pieces.size();
    }
}

TEST_F(Statement, ReadEndsARecordLeftOpenByANonAdvancingWrite) {
    struct Case {
        const char* name;
        const char* next_write;  // written after the READ, or none
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"READ alone", nullptr, "ABC\r\n"},
        {"WRITE after the READ", "DEF", "ABC\r\nDEF\r\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(write({.format = "(A)", .advance = "NO"}, {std::string("ABC")}), 0) << c.name;
        int32_t n = 0;
        // The record just ended is behind the position: the READ meets the end of the file.
        EXPECT_EQ(read({.format = "(I3)", .end = true}, {into(n)}), status_end) << c.name;
        EXPECT_EQ(g_iostat, -1) << c.name;
        if (c.next_write != nullptr) {
            ASSERT_EQ(write({.format = "(A)"}, {std::string(c.next_write)}), 0) << c.name;
        }
        EXPECT_EQ(closed_file("fort.7"), c.bytes) << c.name;
    }
}

TEST_F(Statement, PromptWithoutLineEndThenConsoleInput) {
    test_support::ConsoleCapture console;
    console.type(" 42\n");
    ASSERT_EQ(write({.unit = -1, .format = "(A)", .advance = "NO"}, {std::string("ENTER:")}), 0);
    int32_t n = 0;
    ASSERT_EQ(read({.unit = -1, .format = "(I3)"}, {into(n)}), 0);
    ASSERT_EQ(write({.unit = 6, .format = "(A)"}, {std::string("done")}), 0);
    EXPECT_EQ(n, 42);
    // On a plain stream the input follows the prompt on the same line.
    EXPECT_EQ(console.text(selector_output), "ENTER:done\r\n");
    ASSERT_FALSE(console.writes().empty());
    EXPECT_EQ(console.writes()[0].second, "ENTER:");
    // Both WRITEs polled; the console READ did not.
    EXPECT_EQ(console.polls(), 2);
    std::vector<char> file(3, ' ');
    std::memcpy(file.data(), "  9", 3);
    ASSERT_EQ(read({.format = "(I3)", .internal = &file}, {into(n)}), 0);
    EXPECT_EQ(console.polls(), 3);
}

TEST_F(Statement, NonAdvancingReadReportsSizeAndEndOfRecord) {
    write_file("fort.7", "abcdefghij\nklm\n");
    std::string a(3, '?'), b(2, '?'), c(5, '?'), d(3, '?');
    int32_t size_a = -1, size_b = -1;
    ASSERT_EQ(read({.format = "(A3)", .advance = "NO", .size = &size_a}, {into(a)}), 0);
    ASSERT_EQ(read({.format = "(A2)", .advance = "NO", .size = &size_b}, {into(b)}), 0);
    ASSERT_EQ(read({.format = "(A5)"}, {into(c)}), 0);
    ASSERT_EQ(read({.format = "(A3)"}, {into(d)}), 0);
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(size_a, 3);
    EXPECT_EQ(b, "de");
    EXPECT_EQ(size_b, 2);
    EXPECT_EQ(c, "fghij");
    EXPECT_EQ(d, "klm");

    // A field cut short by the record end: EOR= gives status 3, IOSTAT= -2, SIZE= what was read.
    write_file("fort.8", "abc\nxyz\nuvw\nrst\n");
    std::string e(5, '?'), f(3, '?');
    int32_t size_e = -1;
    EXPECT_EQ(read({.unit = 8, .format = "(A5)", .advance = "NO", .size = &size_e, .eor = true}, {into(e)}),
              status_eor);
    EXPECT_EQ(g_iostat, -2);
    EXPECT_EQ(size_e, 3);
    EXPECT_EQ(e, "abc  ");
    ASSERT_EQ(read({.unit = 8, .format = "(A3)"}, {into(f)}), 0);
    EXPECT_EQ(f, "xyz");
    // Without EOR= the condition is error 10039, stored as -2 under IOSTAT=.
    EXPECT_EQ(read({.unit = 8, .format = "(A5)", .advance = "NO"}, {into(e)}), status_error);
    EXPECT_EQ(g_iostat, -2);
    ASSERT_EQ(read({.unit = 8, .format = "(A3)"}, {into(f)}), 0);
    EXPECT_EQ(f, "rst");
}

TEST_F(Statement, NonAdvancingWriteAfterReadReplacesThatRecord) {
    // The record is given back by the bytes it really took, so the record before it stays
    // whole whatever the line ends are.
    struct Case {
        const char* name;
        std::string file;
        std::string bytes;
    };
    const std::string long_line(8190, 'x');
    const std::vector<Case> cases = {
        {"LF", "ab\ncd\n", "ab\ncXY\r\n"},
        {"CR LF", "ab\r\ncd\r\n", "ab\r\ncXY\r\n"},
        {"tab", "ab\n\tcd\n", "ab\n XY\r\n"},
        // The second record starts in the first 8192-byte block and ends in the next one.
        {"across blocks", long_line + "\ncd\n", long_line + "\ncXY\r\n"},
    };
    for (const Case& c : cases) {
        write_file("fort.7", c.file);
        std::string first(1, '?'), second(1, '?');
        ASSERT_EQ(read({.format = "(A1)"}, {into(first)}), 0) << c.name;
        ASSERT_EQ(read({.format = "(A1)", .advance = "NO"}, {into(second)}), 0) << c.name;
        ASSERT_EQ(write({.format = "(A)", .advance = "NO"}, {std::string("X")}), 0) << c.name;
        ASSERT_EQ(write({.format = "(A)"}, {std::string("Y")}), 0) << c.name;
        const std::string got = closed_file("fort.7");
        // Only the end of the file is shown: the long case would flood the report.
        EXPECT_TRUE(got == c.bytes) << c.name << ": ends with \"" << got.substr(got.size() > 12 ? got.size() - 12 : 0)
                                    << "\", " << got.size() << " bytes";
    }
}

TEST_F(Statement, DirectAccessRecordSelection) {
    write_file("d.dat", "aaaabbbbcccc");
    int32_t k = 0;
    ASSERT_EQ(open_connection({.unit = 3, .file = "d.dat", .status = "OLD", .access = "DIRECT",
                               .form = "FORMATTED", .recl = 4, .blocksize = 4, .iostat = &k}),
              0);
    std::string r(4, '?');
    ASSERT_EQ(read({.unit = 3, .format = "(A4)", .rec = 2}, {into(r)}), 0);
    EXPECT_EQ(r, "bbbb");
    ASSERT_EQ(write({.unit = 3, .format = "(A)", .rec = 1}, {std::string("hi")}), 0);
    ASSERT_EQ(read({.unit = 3, .format = "(A4)", .rec = 1}, {into(r)}), 0);
    EXPECT_EQ(r, "hi  ");
    EXPECT_EQ(read({.unit = 3, .format = "(A4)", .rec = 4, .end = true}, {into(r)}), status_end);
    // A record longer than RECL is refused, not cut.
    EXPECT_EQ(write({.unit = 3, .format = "(A)", .rec = 3}, {std::string("toolong")}), status_error);
    EXPECT_EQ(g_iostat, err_record_too_long);
    EXPECT_EQ(closed_file("d.dat"), "hi  bbbbcccc");
}

TEST_F(Statement, BeginStepErrors) {
    write_file("d.dat", "aaaabbbb");
    int32_t k = 0;
    ASSERT_EQ(open_connection({.unit = 3, .file = "d.dat", .status = "OLD", .access = "DIRECT",
                               .form = "FORMATTED", .recl = 4, .blocksize = 4, .iostat = &k}),
              0);
    ASSERT_EQ(open_connection({.unit = 4, .file = "u.dat", .form = "UNFORMATTED", .iostat = &k}), 0);
    unit_numbered(3)->max_record = 5;
    std::vector<char> internal(4, ' ');
    int32_t size = 0;
    enum Direction { in, out };
    struct Case {
        const char* name;
        Direction direction;
        Control control;
        int32_t error;
    };
    const std::vector<Case> cases = {
        {"bad ADVANCE=", in, {.format = "(A)", .advance = "MAYBE"}, err_advance},
        {"bad ADVANCE= on WRITE", out, {.format = "(A)", .advance = "N O"}, err_advance},
        {"EOR= with YES", in, {.format = "(A)", .advance = "YES", .eor = true}, err_eor_advance},
        {"SIZE= with YES", in, {.format = "(A)", .advance = "yes  ", .size = &size}, err_size_advance},
        {"ADVANCE= on direct READ", in, {.unit = 3, .format = "(A)", .advance = "NO", .rec = 1}, err_advance_not_allowed},
        {"ADVANCE= on direct WRITE", out, {.unit = 3, .format = "(A)", .advance = "NO", .rec = 1}, err_advance_not_allowed},
        {"ADVANCE= unformatted", out, {.unit = 4, .format = "(A)", .advance = "YES"}, err_advance_not_allowed},
        {"ADVANCE= internal", in, {.format = "(A)", .advance = "NO", .internal = &internal}, err_internal_use},
        {"REC= internal", in, {.format = "(A)", .rec = 1, .internal = &internal}, err_internal_use},
        {"READ from output", in, {.unit = 6, .format = "(A)"}, err_not_open_for_read},
        {"WRITE to input", out, {.unit = 5, .format = "(A)"}, err_not_open_for_write},
        {"no REC=", in, {.unit = 3, .format = "(A)"}, err_no_record},
        {"REC= beyond MAXREC", out, {.unit = 3, .format = "(A)", .rec = 6}, err_max_record},
        {"REC= zero", out, {.unit = 3, .format = "(A)", .rec = 0}, err_bad_record_number},
        {"REC= negative", out, {.unit = 3, .format = "(A)", .rec = -1}, err_bad_record_number},
        {"REC= unconnected", in, {.unit = 12, .format = "(A)", .rec = 1}, err_implicit_direct},
        {"bad format", out, {.format = "(I3"}, err_unmatched_parens},
    };
    for (const Case& c : cases) {
        TransferState& s = transfer_state();
        set_up(s, c.control);
        const int32_t status = c.direction == in ? begin_read(s) : begin_write(s);
        EXPECT_EQ(status, status_error) << c.name;
        EXPECT_EQ(g_iostat, c.error) << c.name;
        EXPECT_EQ(s.compiled_format, nullptr) << c.name;
    }
    // The refused WRITE left the direct file alone.
    EXPECT_EQ(closed_file("d.dat"), "aaaabbbb");
}

}  // namespace
