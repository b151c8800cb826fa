// REWIND, BACKSPACE and ENDFILE on real files, driven by READ and WRITE statements.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "libf/fio/io_calls.h"
#include "libf/fio/open_close.h"
#include "libf/fio/positioning.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using test_support::file_exists;
using test_support::read_file;
using test_support::write_file;

class Positioning : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }
    test_support::TempDir dir_;
};

// READ(unit, '(A)') into a long variable; the answer without its padding.
std::string read_line(int32_t unit, int32_t* iostat = nullptr) {
    std::string text(9000, '?');
    const int32_t status =
        read(Control{.unit = unit, .format = "(A)", .iostat = iostat}).run({item(text.data(), 9000)});
    if (status != 0) return "<status " + std::to_string(status) + ">";
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

void write_line(int32_t unit, std::string_view text) {
    ASSERT_EQ(write_formatted(unit, "(A)", {item(text)}), 0);
}

UnitBlock* unit_numbered(int32_t number) {
    for (UnitBlock* u = transfer_state().units; u != nullptr; u = u->next)
        if (u->unit_number == number) return u;
    return nullptr;
}

// A record with 4-byte length markers in the given byte order.
std::string marked(const std::string& data, bool big) {
    const auto n = static_cast<uint32_t>(data.size());
    std::string marker(4, '\0');
    for (int i = 0; i < 4; ++i) marker[i] = static_cast<char>(n >> (big ? 24 - 8 * i : 8 * i) & 0xFF);
    return marker + data + marker;
}

std::string int32_bytes(const std::vector<int32_t>& values, bool big) {
    std::string out;
    for (int32_t v : values) {
        const auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) out += static_cast<char>(u >> (big ? 24 - 8 * i : 8 * i) & 0xFF);
    }
    return out;
}

TEST_F(Positioning, BackspaceRereadsThePreviousLine) {
    const std::string a8191(8191, 'a');
    const std::string a8190(8190, 'a');
    struct Case {
        const char* name;
        std::string content;
        int reads;
        int backspaces;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"LF only", "one\ntwo\nthree\n", 2, 1, "two"},
        {"CR LF", "one\r\ntwo\r\nthree\r\n", 2, 1, "two"},
        {"twice to the first line", "one\ntwo\nthree\n", 2, 2, "one"},
        {"more than were read stops at the start", "one\ntwo\n", 1, 3, "one"},
        {"empty lines", "\n\nx\n", 2, 1, ""},
        {"second line starts a block", a8191 + "\ntwo\nthree\n", 2, 1, "two"},
        {"second line crosses the block end", std::string(8000, 'a') + "\n" + std::string(300, 'b') + "\nz\n", 2,
         1, std::string(300, 'b')},
        {"CR ends one block, LF starts the next", a8190 + "\r\ntwo\r\nthree\r\n", 2, 1, "two"},
        {"back into the first block", a8191 + "\ntwo\n", 2, 2, a8191},
        {"line ending exactly at the block end", std::string(8187, 'c') + "\nxyz\nq\n", 3, 1, "q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::reset_transfer_state();
        write_file("f.txt", c.content);
        ASSERT_EQ(open_connection({.unit = 3, .file = "f.txt", .status = "OLD"}), 0);
        for (int i = 0; i < c.reads; ++i) read_line(3);
        for (int i = 0; i < c.backspaces; ++i) ASSERT_EQ(backspace_connection(3), 0);
        EXPECT_EQ(read_line(3), c.expected);
        ASSERT_EQ(close_connection({.unit = 3}), 0);
        EXPECT_EQ(read_file("f.txt"), c.content);  // reading and moving back change nothing
    }
}

// Records of 8, 12000 and 4 data bytes: the second crosses the 8192-byte block boundary.
TEST_F(Positioning, BackspaceOverMarkedRecordsInBothByteOrders) {
    std::vector<int32_t> big_record(3000);
    for (int i = 0; i < 3000; ++i) big_record[i] = i * 7 - 100;
    for (const bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        test_support::reset_transfer_state();
        write_file("u.bin", marked(int32_bytes({1, 2}, big), big) + marked(int32_bytes(big_record, big), big) +
                                marked(int32_bytes({9}, big), big));
        ASSERT_EQ(open_connection({.unit = 4, .file = "u.bin", .status = "OLD", .form = "UNFORMATTED",
                                   .convert = big ? "BIG_ENDIAN" : "LITTLE_ENDIAN"}),
                  0);
        int32_t first[2] = {};
        std::vector<int32_t> second(3000, 0);
        std::vector<Item> second_items;
        for (int32_t& v : second) second_items.push_back(item(v));
        int32_t third = 0;
        ASSERT_EQ(read_unformatted(4).run({item(first[0]), item(first[1])}), 0);
        ASSERT_EQ(read_unformatted(4).run(ItemList(second_items)), 0);
        ASSERT_EQ(read_unformatted(4).run({item(third)}), 0);
        EXPECT_EQ(third, 9);

        ASSERT_EQ(backspace_connection(4), 0);
        ASSERT_EQ(backspace_connection(4), 0);
        std::fill(second.begin(), second.end(), 0);
        ASSERT_EQ(read_unformatted(4).run(ItemList(second_items)), 0);
        EXPECT_EQ(second, big_record);

        ASSERT_EQ(backspace_connection(4), 0);
        ASSERT_EQ(backspace_connection(4), 0);
        first[0] = first[1] = 0;
        ASSERT_EQ(read_unformatted(4).run({item(first[0]), item(first[1])}), 0);
        EXPECT_EQ(first[0], 1);
        EXPECT_EQ(first[1], 2);
    }
}

// A marker that claims more bytes than lie before it is refused instead of landing mid-record.
TEST_F(Positioning, BackspaceRefusesAMarkerReachingBeforeTheFile) {
    write_file("bad.bin", std::string("\x04\0\0\0", 4) + "abcd" + std::string("\x64\0\0\0", 4));
    ASSERT_EQ(open_connection({.unit = 4, .file = "bad.bin", .status = "OLD", .form = "UNFORMATTED"}), 0);
    char data[4] = {};
    ASSERT_EQ(read_unformatted(4).run({item(data)}), 0);
    int32_t iostat = 0;
    EXPECT_EQ(backspace_connection(4, &iostat), 1);
    EXPECT_EQ(iostat, 10014);
}

TEST_F(Positioning, EndfileCutsTheFileAtTheCurrentPosition) {
    struct Case {
        const char* name;
        int reads;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"after the first of three lines", 1, "l1\n"},
        {"at the start", 0, ""},
        {"after the last line", 3, "l1\nl2\nl3\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::reset_transfer_state();
        write_file("e.txt", "l1\nl2\nl3\n");
        ASSERT_EQ(open_connection({.unit = 2, .file = "e.txt", .status = "OLD"}), 0);
        for (int i = 0; i < c.reads; ++i) read_line(2);
        ASSERT_EQ(endfile_connection(2), 0);
        EXPECT_EQ(read_file("e.txt"), c.expected);
        int32_t iostat = 0;
        EXPECT_EQ(read_line(2, &iostat), "<status 1>");  // nothing follows the end of file
        EXPECT_EQ(iostat, -1);
        ASSERT_EQ(close_connection({.unit = 2}), 0);
        EXPECT_EQ(read_file("e.txt"), c.expected);
    }
}

TEST_F(Positioning, EndfileEndsAnOpenNonAdvancingRecordOnAWriteOnlyUnit) {
    ASSERT_EQ(open_connection({.unit = 2, .file = "w.txt", .action = "WRITE"}), 0);
    write_line(2, "first");
    ASSERT_EQ(write(Control{.unit = 2, .format = "(A)", .advance = "NO"}).run({item("ab")}), 0);
    ASSERT_EQ(endfile_connection(2), 0);
    ASSERT_EQ(close_connection({.unit = 2}), 0);
    EXPECT_EQ(read_file("w.txt"), "first\r\nab\r\n");
}

TEST_F(Positioning, BackspaceAfterEndfileStandsAtTheEndOfTheData) {
    struct Case {
        const char* name;
        std::string initial;  // empty: written by the test
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"file that was read", "a\nb\n", "a\nb\nc\r\n"},
        {"file that was written", "", "1\r\n2\r\nc\r\n"},
        {"data past one block", std::string(9000, 'x') + "\n", std::string(9000, 'x') + "\nc\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::reset_transfer_state();
        write_file("g.txt", c.initial);
        ASSERT_EQ(open_connection({.unit = 8, .file = "g.txt"}), 0);
        if (c.initial.empty()) {
            write_line(8, "1");
            write_line(8, "2");
        } else {
            int32_t iostat = 0;
            while (read_line(8, &iostat).rfind("<status", 0) != 0) {
            }
            ASSERT_EQ(iostat, -1);
        }
        ASSERT_EQ(endfile_connection(8), 0);
        ASSERT_EQ(backspace_connection(8), 0);
        write_line(8, "c");
        ASSERT_EQ(close_connection({.unit = 8}), 0);
        EXPECT_EQ(read_file("g.txt"), c.expected);
    }
}

TEST_F(Positioning, RewindStartsReadingAndWritingAtTheFirstRecord) {
    write_file("r.txt", "first\nsecond\nthird\n");
    ASSERT_EQ(open_connection({.unit = 1, .file = "r.txt", .status = "OLD"}), 0);
    int32_t iostat = 0;
    for (int i = 0; i < 3; ++i) read_line(1);
    EXPECT_EQ(read_line(1, &iostat), "<status 1>");
    EXPECT_EQ(iostat, -1);
    ASSERT_EQ(rewind_connection(1), 0);
    EXPECT_EQ(read_line(1), "first");
    EXPECT_EQ(unit_numbered(1)->record_number, 1);
    ASSERT_EQ(rewind_connection(1), 0);
    write_line(1, "new");
    ASSERT_EQ(close_connection({.unit = 1}), 0);
    EXPECT_EQ(read_file("r.txt"), "new\r\n");
    // Without a READ first, only the REWIND can cut the records written before it.
    ASSERT_EQ(open_connection({.unit = 1, .file = "w.txt"}), 0);
    for (const char* text : {"1", "2", "3"}) write_line(1, text);
    ASSERT_EQ(rewind_connection(1), 0);
    write_line(1, "x");
    ASSERT_EQ(close_connection({.unit = 1}), 0);
    EXPECT_EQ(read_file("w.txt"), "x\r\n");
}

TEST_F(Positioning, WriteAfterBackspaceReplacesTheLastRecords) {
    // After three written records, two BACKSPACEs and one WRITE leave "1" and the new one.
    ASSERT_EQ(open_connection({.unit = 9, .file = "b.txt"}), 0);
    for (const char* text : {"1", "2", "3"}) write_line(9, text);
    ASSERT_EQ(backspace_connection(9), 0);
    ASSERT_EQ(backspace_connection(9), 0);
    EXPECT_EQ(unit_numbered(9)->record_number, 1);
    write_line(9, "x");
    ASSERT_EQ(close_connection({.unit = 9}), 0);
    EXPECT_EQ(read_file("b.txt"), "1\r\nx\r\n");
}

// A record left open by a non-advancing READ or WRITE is the one gone back over.
TEST_F(Positioning, BackspaceOverAnOpenNonAdvancingRecord) {
    write_file("n.txt", "one\ntwo\n");
    ASSERT_EQ(open_connection({.unit = 3, .file = "n.txt"}), 0);
    EXPECT_EQ(read_line(3), "one");
    char part[2];
    ASSERT_EQ(read(Control{.unit = 3, .format = "(A)", .advance = "NO"}).run({item(part)}), 0);
    ASSERT_EQ(backspace_connection(3), 0);
    EXPECT_EQ(read_line(3), "two");

    ASSERT_EQ(write(Control{.unit = 3, .format = "(A)", .advance = "NO"}).run({item("ab")}), 0);
    ASSERT_EQ(backspace_connection(3), 0);
    write_line(3, "c");
    ASSERT_EQ(close_connection({.unit = 3}), 0);
    EXPECT_EQ(read_file("n.txt"), "one\ntwo\nc\r\n");
}

TEST_F(Positioning, UnconnectedNumbersAndDirectAccess) {
    // Nothing happens to a number that is not connected; only ENDFILE reaches the console.
    EXPECT_EQ(rewind_connection(7), 0);
    EXPECT_EQ(backspace_connection(7), 0);
    EXPECT_EQ(endfile_connection(7), 0);
    EXPECT_EQ(rewind_connection(6), 0);
    EXPECT_EQ(backspace_connection(5), 0);
    EXPECT_FALSE(file_exists("fort.7"));
    EXPECT_EQ(transfer_state().units, nullptr);
    EXPECT_EQ(endfile_connection(6), 0);
    ASSERT_NE(unit_numbered(console_output_unit), nullptr);
    EXPECT_NE(unit_numbered(console_output_unit)->attributes & attr::endfile, 0u);

    int32_t iostat = 0;
    const int32_t star = -1;
    EXPECT_EQ(rewind_statement(&star, &iostat, 0), 1);
    EXPECT_EQ(iostat, 10029);

    // A direct-access unit only counts its record number down.
    ASSERT_EQ(open_connection({.unit = 11, .file = "d.bin", .access = "DIRECT", .recl = 4}), 0);
    const int32_t rec = 3;
    const int32_t value = 5;
    ASSERT_EQ(Statement(unformatted_write, Control{.unit = 11, .rec = &rec}).run({item(value)}), 0);
    EXPECT_EQ(backspace_connection(11), 0);
    EXPECT_EQ(unit_numbered(11)->record_number, 2);
    EXPECT_EQ(rewind_connection(11), 0);
    EXPECT_EQ(endfile_connection(11), 0);
    EXPECT_EQ(unit_numbered(11)->record_number, 2);
    ASSERT_EQ(close_connection({.unit = 11}), 0);
    EXPECT_EQ(read_file("d.bin").substr(8, 4), std::string("\x05\0\0\0", 4));
}

}  // namespace
