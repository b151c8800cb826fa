// INQUIRE by unit and by file on real files in a temporary directory.
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "libf/fio/inquire.h"
#include "libf/fio/io_calls.h"
#include "libf/fio/open_close.h"
#include "libf/fio/positioning.h"
#include "libf/fio/units.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using test_support::file_exists;
using test_support::write_file;

constexpr int32_t unset = -99;
constexpr int text_width = 12;

// Answer variables prefilled with marks, so an answer that is not given stays visible.
struct Answers {
    int32_t exist = unset, opened = unset, number = unset, named = unset, recl = unset, nextrec = unset,
            blocksize = unset, filesize = unset;
    std::string name = marks(), access = marks(), sequential = marks(), direct = marks(), form = marks(),
                formatted = marks(), unformatted = marks(), blank = marks(), position = marks(),
                action = marks(), read = marks(), write = marks(), readwrite = marks(), delim = marks(),
                pad = marks(), carriage = marks();

    static std::string marks() { return std::string(text_width, '#'); }

    InquireArgs args(std::optional<int32_t> unit, std::string_view file = {}) {
        return {.unit = unit, .file = file, .exist = &exist, .opened = &opened, .number = &number,
                .named = &named, .name = name, .access = access, .sequential = sequential,
                .direct = direct, .form = form, .formatted = formatted, .unformatted = unformatted,
                .recl = &recl, .nextrec = &nextrec, .blank = blank, .position = position,
                .action = action, .read = read, .write = write, .readwrite = readwrite, .delim = delim,
                .pad = pad, .blocksize = &blocksize, .carriagecontrol = carriage, .filesize = &filesize};
    }
};

// An answer as the variable holds it: blank-padded to its length; "#" marks one not given.
std::string text(std::string_view answer) {
    if (answer == "#") return Answers::marks();
    std::string padded(answer);
    padded.resize(text_width, ' ');
    return padded;
}

class Inquire : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }
    test_support::TempDir dir_;
};

TEST_F(Inquire, FilesAndNumbersWithoutAConnection) {
    write_file("data.txt", "abcd\n");
    write_file("fort.7", "xyz");  // a unit number names no file: its size is never asked for
    struct Case {
        const char* name;
        std::optional<int32_t> unit;
        std::string_view file;
        int32_t exist, named, filesize;
        const char *name_answer, *sequential;
    };
    const std::vector<Case> cases = {
        {"existing file", {}, "  data.txt  ", 1, 1, 5, "data.txt", "UNKNOWN"},
        {"missing file", {}, "none.txt", 0, 0, unset, "#", "#"},
        {"unit number", 7, {}, 1, 0, -1, "#", "UNKNOWN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Answers a;
        int32_t iostat = unset;
        InquireArgs args = a.args(c.unit, c.file);
        args.iostat = &iostat;
        ASSERT_EQ(inquire_connection(args), 0);
        EXPECT_EQ(iostat, 0);
        EXPECT_EQ(a.exist, c.exist);
        EXPECT_EQ(a.opened, 0);
        EXPECT_EQ(a.named, c.named);
        EXPECT_EQ(a.number, -1);
        EXPECT_EQ(a.filesize, c.filesize);
        EXPECT_EQ(a.name, text(c.name_answer));
        for (const std::string* t : {&a.sequential, &a.direct, &a.formatted, &a.unformatted})
            EXPECT_EQ(*t, text(c.sequential));
        for (const std::string* t : {&a.access, &a.form, &a.blank, &a.position, &a.action, &a.delim})
            EXPECT_EQ(*t, text("UNDEFINED"));
        for (const std::string* t : {&a.read, &a.write, &a.readwrite}) EXPECT_EQ(*t, text("UNKNOWN"));
        EXPECT_EQ(a.pad, text("YES"));
        for (int32_t v : {a.recl, a.nextrec, a.blocksize}) EXPECT_EQ(v, unset);
        EXPECT_EQ(a.carriage, text("#"));
    }
    EXPECT_EQ(transfer_state().units, nullptr);
    EXPECT_FALSE(file_exists("none.txt"));
}

TEST_F(Inquire, ConsoleUnitsComeIntoBeingWithTheirReservedNumbers) {
    struct Case {
        int32_t unit, number;
        const char* action;
    };
    for (const Case& c : std::vector<Case>{{6, -3, "WRITE"}, {5, -2, "READ"}, {0, -4, "WRITE"}, {9, -3, "WRITE"}}) {
        SCOPED_TRACE(c.unit);
        Answers a;
        ASSERT_EQ(inquire_connection(a.args(c.unit)), 0);
        EXPECT_EQ(a.number, c.number);
        EXPECT_EQ(a.opened, 1);
        EXPECT_EQ(a.named, 0);
        EXPECT_EQ(a.name, text("#"));
        EXPECT_EQ(a.action, text(c.action));
        EXPECT_EQ(a.blocksize, 0);  // a character device
        EXPECT_EQ(a.filesize, 0);
        EXPECT_EQ(a.access, text("SEQUENTIAL"));
    }
}

TEST_F(Inquire, ConnectedUnitAnswersFromItsConnection) {
    write_file("in.txt", "x\n");
    struct Case {
        const char* name;
        OpenArgs open;
        const char *access, *sequential, *direct, *form, *formatted, *unformatted, *blank, *action, *read,
            *write, *readwrite, *delim, *pad, *carriage, *position;
        int32_t recl, blocksize;
    };
    const std::vector<Case> cases = {
        {"formatted sequential", {.file = "a.txt"}, "SEQUENTIAL", "YES", "NO", "FORMATTED", "YES", "NO", "NULL",
         "READWRITE", "YES", "YES", "YES", "NONE", "YES", "LIST", "ASIS", 2147483647, 8192},
        {"direct access", {.file = "d.bin", .access = "DIRECT", .recl = 100, .blocksize = 8192}, "DIRECT", "NO", "YES",
         "UNFORMATTED", "NO", "YES", "UNDEFINED", "READWRITE", "YES", "YES", "YES", "NONE", "YES", "LIST", "ASIS",
         100, 8100},
        {"binary", {.file = "b.bin", .form = "BINARY"}, "SEQUENTIAL", "YES", "NO", "BINARY", "NO", "YES",
         "UNDEFINED", "READWRITE", "YES", "YES", "YES", "NONE", "YES", "LIST", "ASIS", 2147483647, 8192},
        {"transparent", {.file = "t.bin", .access = "TRANSPARENT"}, "TRANSPARENT", "YES", "NO", "FORMATTED",
         "YES", "NO", "NULL", "READWRITE", "YES", "YES", "YES", "NONE", "YES", "LIST", "ASIS", 2147483647, 8192},
        {"read only",
         {.file = "in.txt", .blank = "ZERO", .position = "REWIND", .action = "READ", .delim = "QUOTE",
          .pad = "NO", .carriagecontrol = "FORTRAN"},
         "SEQUENTIAL", "YES", "NO", "FORMATTED", "YES", "NO", "ZERO", "READ", "YES", "NO", "NO", "QUOTE", "NO",
         "FORTRAN", "REWIND", 2147483647, 8192},
        {"write only, written through",
         {.file = "w.txt", .action = "WRITE", .delim = "APOSTROPHE", .blocksize = 0}, "SEQUENTIAL", "YES", "NO",
         "FORMATTED", "YES", "NO", "NULL", "WRITE", "NO", "YES", "NO", "APOSTROPHE", "YES", "LIST", "ASIS",
         2147483647, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::reset_transfer_state();
        OpenArgs open = c.open;
        open.unit = 10;
        ASSERT_EQ(open_connection(open), 0);
        Answers a;
        ASSERT_EQ(inquire_connection(a.args(10)), 0);
        EXPECT_EQ(a.exist, 1);
        EXPECT_EQ(a.opened, 1);
        EXPECT_EQ(a.named, 1);
        EXPECT_EQ(a.number, 10);
        EXPECT_EQ(a.name, text(open.file));
        EXPECT_EQ(a.access, text(c.access));
        EXPECT_EQ(a.sequential, text(c.sequential));
        EXPECT_EQ(a.direct, text(c.direct));
        EXPECT_EQ(a.form, text(c.form));
        EXPECT_EQ(a.formatted, text(c.formatted));
        EXPECT_EQ(a.unformatted, text(c.unformatted));
        EXPECT_EQ(a.blank, text(c.blank));
        EXPECT_EQ(a.action, text(c.action));
        EXPECT_EQ(a.read, text(c.read));
        EXPECT_EQ(a.write, text(c.write));
        EXPECT_EQ(a.readwrite, text(c.readwrite));
        EXPECT_EQ(a.delim, text(c.delim));
        EXPECT_EQ(a.pad, text(c.pad));
        EXPECT_EQ(a.carriage, text(c.carriage));
        EXPECT_EQ(a.position, text(c.position));
        EXPECT_EQ(a.recl, c.recl);
        EXPECT_EQ(a.blocksize, c.blocksize);
    }
}

TEST_F(Inquire, PositionAtConnectionLastsUntilTheFirstTransfer) {
    struct Case {
        const char* given;  // null: POSITION= absent
        const char* answer;
    };
    for (const Case& c : std::vector<Case>{{"APPEND", "APPEND"}, {"REWIND", "REWIND"}, {"ASIS", "ASIS"}, {nullptr, "ASIS"}}) {
        SCOPED_TRACE(c.answer);
        test_support::reset_transfer_state();
        write_file("p.txt", "1\n2\n3\n");
        OpenArgs open{.unit = 2, .file = "p.txt"};
        if (c.given != nullptr) open.position = c.given;
        ASSERT_EQ(open_connection(open), 0);
        Answers a;
        ASSERT_EQ(inquire_connection(a.args(2)), 0);
        EXPECT_EQ(a.position, text(c.answer));
        EXPECT_EQ(a.nextrec, c.given != nullptr && std::string_view(c.given) == "APPEND" ? 4 : 1);
        ASSERT_EQ(write_formatted(2, "(A)", {item("four")}), 0);
        ASSERT_EQ(inquire_connection(a.args(2)), 0);
        EXPECT_EQ(a.position, text("UNKNOWN"));
    }
    // REWIND clears it as well.
    test_support::reset_transfer_state();
    ASSERT_EQ(open_connection({.unit = 2, .file = "p.txt", .position = "APPEND"}), 0);
    ASSERT_EQ(rewind_connection(2), 0);
    Answers a;
    ASSERT_EQ(inquire_connection(a.args(2)), 0);
    EXPECT_EQ(a.position, text("UNKNOWN"));
}

TEST_F(Inquire, NextrecFollowsTheRecordsTransferred) {
    ASSERT_EQ(open_connection({.unit = 3, .file = "n.txt"}), 0);
    Answers a;
    for (const char* line : {"a", "b", "c"}) ASSERT_EQ(write_formatted(3, "(A)", {item(line)}), 0);
    ASSERT_EQ(inquire_connection(a.args(3)), 0);
    EXPECT_EQ(a.nextrec, 4);
    ASSERT_EQ(rewind_connection(3), 0);
    char line[4];
    ASSERT_EQ(read_formatted(3, "(A)").run({item(line)}), 0);
    ASSERT_EQ(inquire_connection(a.args(3)), 0);
    EXPECT_EQ(a.nextrec, 2);
}

TEST_F(Inquire, ByFileFindsTheConnectedUnitByItsExactName) {
    ASSERT_EQ(open_connection({.unit = 12, .file = " conn.txt "}), 0);
    Answers a;
    ASSERT_EQ(inquire_connection(a.args({}, "conn.txt   ")), 0);
    EXPECT_EQ(a.opened, 1);
    EXPECT_EQ(a.number, 12);
    EXPECT_EQ(a.name, text("conn.txt"));
    EXPECT_EQ(a.nextrec, 1);

    // Another spelling of the same file is a file that no unit is connected to.
    Answers other;
    ASSERT_EQ(inquire_connection(other.args({}, "./conn.txt")), 0);
    EXPECT_EQ(other.exist, 1);
    EXPECT_EQ(other.opened, 0);
    EXPECT_EQ(other.number, -1);

    // Answers are cut to short variables and padded in long ones.
    char access[4], name[3], pad[5];
    ASSERT_EQ(inquire_connection({.unit = 12, .name = name, .access = access, .pad = pad}), 0);
    EXPECT_EQ(std::string(access, 4), "SEQU");
    EXPECT_EQ(std::string(name, 3), "con");
    EXPECT_EQ(std::string(pad, 5), "YES  ");
}

TEST_F(Inquire, ErrorsAndAPendingUnitError) {
    int32_t iostat = unset;
    EXPECT_EQ(inquire_connection({.file = "   ", .iostat = &iostat}), 1);
    EXPECT_EQ(iostat, 10014);
    EXPECT_EQ(inquire_connection({.unit = -1, .iostat = &iostat}), 1);
    EXPECT_EQ(iostat, 10029);

    ASSERT_EQ(open_connection({.unit = 4, .file = "e.txt"}), 0);
    UnitBlock* unit = transfer_state().units;
    ASSERT_NE(unit, nullptr);
    unit->last_error = 28;  // a failed write left its code on the unit
    int32_t opened = unset;
    EXPECT_EQ(inquire_connection({.unit = 4, .iostat = &iostat, .opened = &opened}), 0);
    EXPECT_EQ(iostat, 28);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(inquire_connection({.unit = 4, .iostat = &iostat, .err = true}), 1);
    EXPECT_EQ(inquire_connection({.file = "e.txt", .iostat = &iostat, .err = true}), 1);
    unit->last_error = 0;
    EXPECT_EQ(inquire_connection({.unit = 4, .iostat = &iostat, .err = true}), 0);
    EXPECT_EQ(iostat, 0);
}

// The argument vector as compiled code passes it: the file size also in its second form.
TEST_F(Inquire, ArgumentVectorAndTheFileSizeAnswer) {
    write_file("s.txt", std::string(1234, 'z'));
    ASSERT_EQ(open_connection({.unit = 5, .file = "s.txt", .status = "OLD"}), 0);
    const int32_t number = 5;
    int32_t filesize = unset, exist = unset;
    std::intptr_t v[inquire_arg::count] = {};
    v[inquire_arg::unit] = reinterpret_cast<std::intptr_t>(&number);
    v[inquire_arg::exist] = reinterpret_cast<std::intptr_t>(&exist);
    v[inquire_arg::filesize] = reinterpret_cast<std::intptr_t>(&filesize);
    ASSERT_EQ(inquire_statement(v), 0);
    EXPECT_EQ(exist, 1);
    EXPECT_EQ(filesize, 1234);

    TransferState& s = transfer_state();
    int32_t size = unset;
    s.present = inquire_present::unit | inquire_present::size;
    s.options = 0;
    s.unit_spec = reinterpret_cast<std::intptr_t>(&number);
    s.size_var = &size;
    ASSERT_EQ(inquire_unit(s), 0);
    EXPECT_EQ(size, 1234);
}

}  // namespace
