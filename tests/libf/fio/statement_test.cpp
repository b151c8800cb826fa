// READ and WRITE statements on internal files, real files and the console: records and
// terminators, trailing format controls, non-advancing records, SIZE= and EOR=, direct access,
// and the errors the begin steps raise.
#include "libf/fio/statement.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "libf/fio/errors.h"
#include "libf/fio/io_calls.h"
#include "libf/fio/open_close.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using test_support::read_file;
using test_support::write_file;

int32_t g_iostat = 0;

// A whole statement through the typed front with IOSTAT= taken.
int32_t run(DriverEntry driver, Control control, ItemList items = {}) {
    control.iostat = &g_iostat;
    g_iostat = 12345;  // the statement sets it
    return fio::Statement(driver, control).run(items);
}
int32_t in(Control control, ItemList items = {}) { return run(formatted_read, control, items); }
int32_t out(Control control, ItemList items = {}) { return run(formatted_write, control, items); }

// An empty text is list-directed.
Format format(const std::string& text) { return text.empty() ? Format{} : Format(std::string_view(text)); }

Item item(std::string& text) { return fio::item(text.data(), static_cast<int32_t>(text.size())); }
using fio::item;

using Value = std::variant<int32_t, std::string>;

std::vector<Item> items_of(const std::vector<Value>& values) {
    std::vector<Item> items;
    for (const Value& v : values) {
        if (const auto* i = std::get_if<int32_t>(&v)) items.push_back(item(*i));
        else items.push_back(item(std::string_view(std::get<std::string>(v))));
    }
    return items;
}

UnitBlock* unit_numbered(int32_t number) {
    for (UnitBlock* u = transfer_state().units; u != nullptr; u = u->next)
        if (u->unit_number == number) return u;
    return nullptr;
}

// Unit 3 on d.dat holding `records`: formatted direct access, RECL=4.
void open_direct(const std::string& records) {
    write_file("d.dat", records);
    ASSERT_EQ(open_connection({.unit = 3, .file = "d.dat", .status = "OLD", .access = "DIRECT", .form = "FORMATTED",
                               .recl = 4, .blocksize = 4}),
              0);
}

// Closes every unit (writing what is buffered) and returns the file's bytes.
std::string closed_file(const std::string& name) {
    test_support::reset_transfer_state();
    return read_file(name);
}

class Statements : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }
    test_support::TempDir dir;
};

TEST_F(Statements, WriteToFileEndsRecordsWithCarriageReturnLineFeed) {
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
        {"(A,$)", {std::string("ENTER:")}, "ENTER:"},  // $ leaves the record without its terminator
        {"", {3, std::string("ab")}, "   3 ab\r\n"},
        {"", {}, " \r\n"},
    };
    for (const Case& c : cases) {
        const std::vector<Item> items = items_of(c.values);
        ASSERT_EQ(out({.unit = 7, .format = format(c.format)}, std::span<const Item>(items)), 0) << c.format;
        EXPECT_EQ(closed_file("fort.7"), c.bytes) << c.format;
    }
}

TEST_F(Statements, SequentialRecordsMayBeExactlyReclLong) {
    int32_t k = 0;
    ASSERT_EQ(open_connection({.unit = 10, .file = "r.txt", .recl = 5, .iostat = &k}), 0);
    ASSERT_EQ(out({.unit = 10, .format = "(A)"}, {item("abcde")}), 0);
    EXPECT_EQ(out({.unit = 10, .format = "(A)"}, {item("abcdef")}), status_error);
    EXPECT_EQ(g_iostat, err_record_too_long);
    EXPECT_EQ(closed_file("r.txt"), "abcde\r\n");
}

TEST_F(Statements, ReadConsumesRecordsAsTheFormatSays) {
    struct Case {
        std::string first_format;
        int32_t first, second;  // values of the two READs
    };
    // "/" left in the format at the end still skips a record; ":" stops before it.
    const std::vector<Case> cases = {{"(I3/)", 1, 3}, {"(I3,:,/)", 1, 2}, {"(I3)", 1, 2}};
    for (const Case& c : cases) {
        write_file("fort.7", "  1\n  2\n  3\n");
        int32_t a = 0, b = 0;
        ASSERT_EQ(in({.unit = 7, .format = format(c.first_format)}, {item(a)}), 0) << c.first_format;
        ASSERT_EQ(in({.unit = 7, .format = "(I3)"}, {item(b)}), 0) << c.first_format;
        EXPECT_EQ(a, c.first) << c.first_format;
        EXPECT_EQ(b, c.second) << c.first_format;
        test_support::reset_transfer_state();
    }
    // Format reversion reads one record per item; list-directed input drops the rest of its record.
    write_file("fort.8", "  4\n  5\n6 7 8\n9\n");
    int32_t x = 0, y = 0, z = 0, w = 0;
    ASSERT_EQ(in({.unit = 8, .format = "(I3)"}, {item(x), item(y)}), 0);
    ASSERT_EQ(in({.unit = 8}, {item(z)}), 0);
    ASSERT_EQ(in({.unit = 8}, {item(w)}), 0);
    EXPECT_EQ((std::vector<int32_t>{x, y, z, w}), (std::vector<int32_t>{4, 5, 6, 9}));
    // End of file: END= gives status 2, IOSTAT= -1.
    EXPECT_EQ(in({.unit = 8, .format = "(I3)", .end = true}, {item(x)}), status_end);
    EXPECT_EQ(g_iostat, -1);
}

TEST_F(Statements, NonAdvancingWritesBuildOneRecord) {
    struct Piece {
        const char* format;
        const char* advance;
        const char* text;
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
        for (const Piece& p : c.pieces) {
            const std::string_view advance = p.advance != nullptr ? p.advance : std::string_view{};
            ASSERT_EQ(out({.unit = 7, .format = p.format, .advance = advance}, {item(p.text)}), 0) << p.format;
        }
        EXPECT_EQ(closed_file("fort.7"), c.bytes) << c.pieces[0].format << c.pieces.size();
    }
}

TEST_F(Statements, ReadEndsARecordLeftOpenByANonAdvancingWrite) {
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
        ASSERT_EQ(out({.unit = 7, .format = "(A)", .advance = "NO"}, {item("ABC")}), 0) << c.name;
        int32_t n = 0;
        // The record just ended is behind the position: the READ meets the end of the file.
        EXPECT_EQ(in({.unit = 7, .format = "(I3)", .end = true}, {item(n)}), status_end) << c.name;
        EXPECT_EQ(g_iostat, -1) << c.name;
        if (c.next_write != nullptr) {
            ASSERT_EQ(out({.unit = 7, .format = "(A)"}, {item(c.next_write)}), 0) << c.name;
        }
        EXPECT_EQ(closed_file("fort.7"), c.bytes) << c.name;
    }
}

TEST_F(Statements, PromptWithoutLineEndThenConsoleInput) {
    test_support::ConsoleCapture console;
    console.type(" 42\n");
    ASSERT_EQ(out({.unit = STAR, .format = "(A)", .advance = "NO"}, {item("ENTER:")}), 0);
    int32_t n = 0;
    ASSERT_EQ(in({.unit = STAR, .format = "(I3)"}, {item(n)}), 0);
    ASSERT_EQ(out({.unit = 6, .format = "(A)"}, {item("done")}), 0);
    EXPECT_EQ(n, 42);
    // On a plain stream the input follows the prompt on the same line.
    EXPECT_EQ(console.text(selector_output), "ENTER:done\r\n");
    ASSERT_FALSE(console.writes().empty());
    EXPECT_EQ(console.writes()[0].second, "ENTER:");
    // Both WRITEs polled; the console READ did not.
    EXPECT_EQ(console.polls(), 2);
    char file[] = "  9";
    ASSERT_EQ(in({.unit = internal_file(file, 3), .format = "(I3)"}, {item(n)}), 0);
    EXPECT_EQ(console.polls(), 3);
}

TEST_F(Statements, NonAdvancingReadReportsSizeAndEndOfRecord) {
    write_file("fort.7", "abcdefghij\nklm\n");
    std::string a(3, '?'), b(2, '?'), c(5, '?'), d(3, '?');
    int32_t size_a = -1, size_b = -1;
    ASSERT_EQ(in({.unit = 7, .format = "(A3)", .advance = "NO", .size = &size_a}, {item(a)}), 0);
    ASSERT_EQ(in({.unit = 7, .format = "(A2)", .advance = "NO", .size = &size_b}, {item(b)}), 0);
    ASSERT_EQ(in({.unit = 7, .format = "(A5)"}, {item(c)}), 0);
    ASSERT_EQ(in({.unit = 7, .format = "(A3)"}, {item(d)}), 0);
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
    EXPECT_EQ(in({.unit = 8, .format = "(A5)", .advance = "NO", .size = &size_e, .eor = true}, {item(e)}),
              status_eor);
    EXPECT_EQ(g_iostat, -2);
    EXPECT_EQ(size_e, 3);
    EXPECT_EQ(e, "abc  ");
    ASSERT_EQ(in({.unit = 8, .format = "(A3)"}, {item(f)}), 0);
    EXPECT_EQ(f, "xyz");
    // Without EOR= the condition is error 10039, stored as -2 under IOSTAT=.
    EXPECT_EQ(in({.unit = 8, .format = "(A5)", .advance = "NO"}, {item(e)}), status_error);
    EXPECT_EQ(g_iostat, -2);
    ASSERT_EQ(in({.unit = 8, .format = "(A3)"}, {item(f)}), 0);
    EXPECT_EQ(f, "rst");
}

TEST_F(Statements, NonAdvancingWriteAfterReadReplacesThatRecord) {
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
        char first = '?', second = '?';
        ASSERT_EQ(in({.unit = 7, .format = "(A1)"}, {item(first)}), 0) << c.name;
        ASSERT_EQ(in({.unit = 7, .format = "(A1)", .advance = "NO"}, {item(second)}), 0) << c.name;
        ASSERT_EQ(out({.unit = 7, .format = "(A)", .advance = "NO"}, {item("X")}), 0) << c.name;
        ASSERT_EQ(out({.unit = 7, .format = "(A)"}, {item("Y")}), 0) << c.name;
        const std::string got = closed_file("fort.7");
        // Only the end of the file is shown: the long case would flood the report.
        EXPECT_TRUE(got == c.bytes) << c.name << ": ends with \"" << got.substr(got.size() > 12 ? got.size() - 12 : 0)
                                    << "\", " << got.size() << " bytes";
    }
}

TEST_F(Statements, DirectAccessRecordSelection) {
    open_direct("aaaabbbbcccc");
    const int32_t one = 1, two = 2, three = 3, four = 4;
    char r[4];
    ASSERT_EQ(in({.unit = 3, .format = "(A4)", .rec = &two}, {item(r)}), 0);
    EXPECT_EQ(std::string(r, 4), "bbbb");
    ASSERT_EQ(out({.unit = 3, .format = "(A)", .rec = &one}, {item("hi")}), 0);
    ASSERT_EQ(in({.unit = 3, .format = "(A4)", .rec = &one}, {item(r)}), 0);
    EXPECT_EQ(std::string(r, 4), "hi  ");
    EXPECT_EQ(in({.unit = 3, .format = "(A4)", .rec = &four, .end = true}, {item(r)}), status_end);
    // A record longer than RECL is refused, not cut.
    EXPECT_EQ(out({.unit = 3, .format = "(A)", .rec = &three}, {item("toolong")}), status_error);
    EXPECT_EQ(g_iostat, err_record_too_long);
    EXPECT_EQ(closed_file("d.dat"), "hi  bbbbcccc");
}

TEST_F(Statements, BeginStepErrors) {
    open_direct("aaaabbbb");
    ASSERT_EQ(open_connection({.unit = 4, .file = "u.dat", .form = "UNFORMATTED"}), 0);
    unit_numbered(3)->max_record = 5;
    char internal[4] = {};
    const Unit inside = internal_file(internal, 4);
    int32_t size = 0;
    const int32_t one = 1, six = 6, zero = 0, minus_one = -1;
    struct Case {
        const char* name;
        DriverEntry driver;
        Control control;
        int32_t error;
    };
    const std::vector<Case> cases = {
        {"bad ADVANCE=", formatted_read, {.unit = 7, .format = "(A)", .advance = "MAYBE"}, err_advance},
        {"bad ADVANCE= on WRITE", formatted_write, {.unit = 7, .format = "(A)", .advance = "N O"}, err_advance},
        {"EOR= with YES", formatted_read, {.unit = 7, .format = "(A)", .advance = "YES", .eor = true}, err_eor_advance},
        {"SIZE= with YES", formatted_read, {.unit = 7, .format = "(A)", .advance = "yes  ", .size = &size},
         err_size_advance},
        {"ADVANCE= on direct READ", formatted_read, {.unit = 3, .format = "(A)", .rec = &one, .advance = "NO"},
         err_advance_not_allowed},
        {"ADVANCE= on direct WRITE", formatted_write, {.unit = 3, .format = "(A)", .rec = &one, .advance = "NO"},
         err_advance_not_allowed},
        {"ADVANCE= unformatted", formatted_write, {.unit = 4, .format = "(A)", .advance = "YES"},
         err_advance_not_allowed},
        {"ADVANCE= internal", formatted_read, {.unit = inside, .format = "(A)", .advance = "NO"}, err_internal_use},
        {"REC= internal", formatted_read, {.unit = inside, .format = "(A)", .rec = &one}, err_internal_use},
        {"READ from output", formatted_read, {.unit = 6, .format = "(A)"}, err_not_open_for_read},
        {"WRITE to input", formatted_write, {.unit = 5, .format = "(A)"}, err_not_open_for_write},
        {"no REC=", formatted_read, {.unit = 3, .format = "(A)"}, err_no_record},
        {"REC= beyond MAXREC", formatted_write, {.unit = 3, .format = "(A)", .rec = &six}, err_max_record},
        {"REC= zero", formatted_write, {.unit = 3, .format = "(A)", .rec = &zero}, err_bad_record_number},
        {"REC= negative", formatted_write, {.unit = 3, .format = "(A)", .rec = &minus_one}, err_bad_record_number},
        {"REC= unconnected", formatted_read, {.unit = 12, .format = "(A)", .rec = &one}, err_implicit_direct},
        {"bad format", formatted_write, {.unit = 7, .format = "(I3"}, err_unmatched_parens},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.driver, c.control), status_error) << c.name;
        EXPECT_EQ(g_iostat, c.error) << c.name;
        EXPECT_EQ(transfer_state().compiled_format, nullptr) << c.name;
    }
    // The refused WRITE left the direct file alone.
    EXPECT_EQ(closed_file("d.dat"), "aaaabbbb");
}

}  // namespace
