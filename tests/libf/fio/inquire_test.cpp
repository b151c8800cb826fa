// INQUIRE by unit and by file on real files in a temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
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
    int32_t exist = unset, opened = unset, named = unset, number = unset, recl = unset, nextrec = unset,
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
    // EXIST OPENED NAMED NUMBER RECL NEXTREC block size, file size; "#" for one not given.
    std::string numbers() const {
        std::string out;
        for (int32_t v : {exist, opened, named, number, recl, nextrec, blocksize, filesize})
            out += (out.empty() ? "" : " ") + (v == unset ? std::string("#") : std::to_string(v));
        return out;
    }
    // The text answers in argument order, each checked for its blank padding and shown trimmed.
    std::string texts() const {
        std::string out;
        for (const std::string* t : {&name, &access, &sequential, &direct, &form, &formatted, &unformatted,
                                     &blank, &position, &action, &read, &write, &readwrite, &delim, &pad,
                                     &carriage}) {
            std::string shown = *t == marks() ? "#" : t->substr(0, t->find_last_not_of(' ') + 1);
            if (shown != "#" && shown + std::string(text_width - shown.size(), ' ') != *t) shown += "<unpadded>";
            out += (out.empty() ? "" : " ") + shown;
        }
        return out;
    }
};

std::string padded(std::string_view answer) {
    std::string out(answer);
    out.resize(text_width, ' ');
    return out;
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
        std::optional<int32_t> unit;
        std::string_view file;
        const char *numbers, *texts;
    };
    const std::vector<Case> cases = {
        {{}, "  data.txt  ", "1 0 1 -1 # # # 5",
         "data.txt UNDEFINED UNKNOWN UNKNOWN UNDEFINED UNKNOWN UNKNOWN UNDEFINED UNDEFINED UNDEFINED UNKNOWN "
         "UNKNOWN UNKNOWN UNDEFINED YES #"},
        {{}, "none.txt", "0 0 0 -1 # # # #",
         "# UNDEFINED # # UNDEFINED # # UNDEFINED UNDEFINED UNDEFINED UNKNOWN UNKNOWN UNKNOWN UNDEFINED YES #"},
        {7, {}, "1 0 0 -1 # # # -1",
         "# UNDEFINED UNKNOWN UNKNOWN UNDEFINED UNKNOWN UNKNOWN UNDEFINED UNDEFINED UNDEFINED UNKNOWN UNKNOWN "
         "UNKNOWN UNDEFINED YES #"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.numbers);
        Answers a;
        int32_t iostat = unset;
        InquireArgs args = a.args(c.unit, c.file);
        args.iostat = &iostat;
        ASSERT_EQ(inquire_connection(args), 0);
        EXPECT_EQ(iostat, 0);
        EXPECT_EQ(a.numbers(), c.numbers);
        EXPECT_EQ(a.texts(), c.texts);
    }
    EXPECT_EQ(transfer_state().units, nullptr);
    EXPECT_FALSE(file_exists("none.txt"));
}

TEST_F(Inquire, ConsoleUnitsComeIntoBeingWithTheirReservedNumbers) {
    const std::vector<std::pair<int32_t, const char*>> cases = {
        {6, "1 1 0 -3 2147483647 1 0 0"}, {5, "1 1 0 -2 2147483647 1 0 0"},
        {0, "1 1 0 -4 2147483647 1 0 0"}, {9, "1 1 0 -3 2147483647 1 0 0"}};
    for (const auto& [unit, numbers] : cases) {
        Answers a;
        ASSERT_EQ(inquire_connection(a.args(unit)), 0);
        EXPECT_EQ(a.numbers(), numbers) << unit;
        EXPECT_EQ(a.name, Answers::marks());
        EXPECT_EQ(a.action, padded(unit == 5 ? "READ" : "WRITE"));
    }
}

TEST_F(Inquire, ConnectedUnitAnswersFromItsConnection) {
    write_file("in.txt", "x\n");
    struct Case {
        OpenArgs open;
        const char *numbers, *texts;
    };
    const std::vector<Case> cases = {
        {{.file = "a.txt"}, "1 1 1 10 2147483647 1 8192 0",
         "a.txt SEQUENTIAL YES NO FORMATTED YES NO NULL ASIS READWRITE YES YES YES NONE YES LIST"},
        {{.file = "d.bin", .access = "DIRECT", .recl = 100, .blocksize = 8192}, "1 1 1 10 100 1 8100 0",
         "d.bin DIRECT NO YES UNFORMATTED NO YES UNDEFINED ASIS READWRITE YES YES YES NONE YES LIST"},
        {{.file = "b.bin", .form = "BINARY"}, "1 1 1 10 2147483647 1 8192 0",
         "b.bin SEQUENTIAL YES NO BINARY NO YES UNDEFINED ASIS READWRITE YES YES YES NONE YES LIST"},
        {{.file = "t.bin", .access = "TRANSPARENT"}, "1 1 1 10 2147483647 1 8192 0",
         "t.bin TRANSPARENT YES NO FORMATTED YES NO NULL ASIS READWRITE YES YES YES NONE YES LIST"},
        {{.file = "in.txt", .blank = "ZERO", .position = "REWIND", .action = "READ", .delim = "QUOTE",
          .pad = "NO", .carriagecontrol = "FORTRAN"},
         "1 1 1 10 2147483647 1 8192 2",
         "in.txt SEQUENTIAL YES NO FORMATTED YES NO ZERO REWIND READ YES NO NO QUOTE NO FORTRAN"},
        {{.file = "w.txt", .action = "WRITE", .delim = "APOSTROPHE", .blocksize = 0}, "1 1 1 10 2147483647 1 0 0",
         "w.txt SEQUENTIAL YES NO FORMATTED YES NO NULL ASIS WRITE NO YES NO APOSTROPHE YES LIST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts);
        test_support::reset_transfer_state();
        OpenArgs open = c.open;
        open.unit = 10;
        ASSERT_EQ(open_connection(open), 0);
        Answers a;
        ASSERT_EQ(inquire_connection(a.args(10)), 0);
        EXPECT_EQ(a.numbers(), c.numbers);
        EXPECT_EQ(a.texts(), c.texts);
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
        EXPECT_EQ(a.position, padded(c.answer));
        EXPECT_EQ(a.nextrec, c.given != nullptr && std::string_view(c.given) == "APPEND" ? 4 : 1);
        ASSERT_EQ(write_formatted(2, "(A)", {item("four")}), 0);
        ASSERT_EQ(inquire_connection(a.args(2)), 0);
        EXPECT_EQ(a.position, padded("UNKNOWN"));
    }
    // REWIND clears it as well.
    test_support::reset_transfer_state();
    ASSERT_EQ(open_connection({.unit = 2, .file = "p.txt", .position = "APPEND"}), 0);
    ASSERT_EQ(rewind_connection(2), 0);
    Answers a;
    ASSERT_EQ(inquire_connection(a.args(2)), 0);
    EXPECT_EQ(a.position, padded("UNKNOWN"));
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
    EXPECT_EQ(a.name, padded("conn.txt"));
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

    // A file past 4 GiB opens, and its size saturates at the largest default integer.
    std::filesystem::resize_file("s.txt", int64_t{5} << 30);
    ASSERT_EQ(inquire_unit(s), 0);
    EXPECT_EQ(size, 2147483647);
    ASSERT_EQ(open_connection({.unit = 6, .file = "s.txt", .status = "OLD"}), 0);
}

}  // namespace
