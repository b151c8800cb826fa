// OPEN and CLOSE on real files in a temporary directory.
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "libf/fio/file_layer.h"
#include "libf/fio/open_close.h"
#include "libf/fio/record.h"
#include "libf/fio/units.h"
#include "tests/support/test_support.h"

namespace {

using fio::OpenArgs;
using test_support::file_exists;
using test_support::read_file;
using test_support::write_file;

fio::UnitBlock* unit_numbered(int32_t number) {
    for (fio::UnitBlock* u = fio::transfer_state().units; u != nullptr; u = u->next)
        if (u->unit_number == number) return u;
    return nullptr;
}

int count_units() {
    int n = 0;
    for (fio::UnitBlock* u = fio::transfer_state().units; u != nullptr; u = u->next) ++n;
    return n;
}

// Writes one formatted record through the record layer, as a WRITE statement's end would.
void write_line(fio::UnitBlock* unit, const std::string& text) {
    fio::TransferState& s = fio::transfer_state();
    s.current_unit = unit;
    s.present = fio::pres::formatted;
    s.record.limit = s.record.position = 0;
    ASSERT_EQ(fio::append_chars(s.record, text.data(), static_cast<int32_t>(text.size())), 0);
    ASSERT_EQ(fio::end_output_record(s), 0);
}

std::string marked(const std::string& data) {
    const auto n = static_cast<uint32_t>(data.size());
    const std::string marker{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8 & 0xFF),
                             static_cast<char>(n >> 16 & 0xFF), static_cast<char>(n >> 24)};
    return marker + data + marker;
}

class OpenClose : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::reset_transfer_state();
        const char* tmp = std::getenv("TMPDIR");
        saved_tmpdir_ = tmp != nullptr ? tmp : "";
        had_tmpdir_ = tmp != nullptr;
        ::setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        test_support::reset_transfer_state();
        if (had_tmpdir_)
            ::setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    test_support::TempDir dir_;
    std::string saved_tmpdir_;
    bool had_tmpdir_ = false;
};

TEST_F(OpenClose, MissingOldFileIsFileNotFoundAndLeavesUnitUnconnected) {
    int32_t k = -7;
    EXPECT_EQ(fio::open_connection({.unit = 10, .file = "data.txt", .status = "OLD", .iostat = &k}), 1);
    EXPECT_EQ(k, 2);  // ENOENT
    EXPECT_EQ(unit_numbered(10), nullptr);
    EXPECT_FALSE(file_exists("data.txt"));
    // The analysis passes its file name blank-padded to 100 characters.
    write_file("data.txt", "x\n");
    const std::string padded = "data.txt" + std::string(92, ' ');
    EXPECT_EQ(fio::open_connection({.unit = 1, .file = padded, .status = "OLD", .iostat = &k}), 0);
    EXPECT_EQ(k, 0);
    ASSERT_NE(unit_numbered(1), nullptr);
    EXPECT_STREQ(unit_numbered(1)->file_name, "data.txt");
}

TEST_F(OpenClose, RefusedOpenReportsItsErrorAndConnectsNothing) {
    write_file("old.txt", "keep me\n");
    struct Case {
        const char* what;
        OpenArgs args;
        int32_t error;
    };
    const Case cases[] = {
        {"NEW on an existing file", {.file = "old.txt", .status = "NEW"}, 10032},
        {"leading blank in STATUS", {.file = "new.txt", .status = " OLD"}, 10005},
        {"unknown STATUS", {.file = "new.txt", .status = "FRESH"}, 10005},
        {"SCRATCH with FILE", {.file = "new.txt", .status = "SCRATCH"}, 10014},
        {"blank FILE", {.file = "   "}, 10014},
        {"unknown ACTION", {.file = "new.txt", .action = "READX"}, 10005},
        {"unknown BLANK", {.file = "new.txt", .blank = "ZEROS"}, 10005},
        {"unknown ACCESS", {.file = "new.txt", .access = "RANDOM"}, 10005},
        {"unknown FORM", {.file = "new.txt", .form = "TEXT"}, 10005},
        {"unknown POSITION", {.file = "new.txt", .position = "END"}, 10005},
        {"unknown CARRIAGECONTROL", {.file = "new.txt", .carriagecontrol = "NONE"}, 10005},
        {"unknown DELIM", {.file = "new.txt", .delim = "BOTH"}, 10041},
        {"unknown PAD", {.file = "new.txt", .pad = "MAYBE"}, 10042},
        {"PAD on unformatted", {.file = "new.txt", .form = "UNFORMATTED", .pad = "YES"}, 10064},
        {"unknown byte order", {.file = "new.txt", .convert = "NATIVE"}, 10036},
        {"direct without RECL", {.file = "new.txt", .access = "DIRECT"}, 10003},
        {"direct with RECL 0", {.file = "new.txt", .access = "DIRECT", .recl = 0}, 10003},
        {"negative RECL", {.file = "new.txt", .recl = -5}, 10003},
        {"negative block size", {.file = "new.txt", .blocksize = -1}, 10005},
        {"directory", {.file = "."}, EISDIR},
        {"NEW in a missing directory", {.file = "nodir/x.txt", .status = "NEW"}, ENOENT},
    };
    for (const Case& c : cases) {
        OpenArgs args = c.args;
        int32_t k = 0;
        args.unit = 12;
        args.iostat = &k;
        EXPECT_EQ(fio::open_connection(args), 1) << c.what;
        EXPECT_EQ(k, c.error) << c.what;
        EXPECT_EQ(count_units(), 0) << c.what;
        EXPECT_FALSE(file_exists("new.txt")) << c.what;
    }
    EXPECT_EQ(read_file("old.txt"), "keep me\n");
    // ERR= alone takes the error as well.
    EXPECT_EQ(fio::open_connection({.unit = 12, .file = "old.txt", .status = "NEW", .err = true}), 1);
}

TEST_F(OpenClose, NewConnectionTakesItsSpecifiers) {
    constexpr uint32_t rw = fio::attr::readable | fio::attr::writable;
    struct Case {
        const char* what;
        OpenArgs args;
        uint32_t set;      // attribute bits that must be set
        uint32_t clear;    // attribute bits that must be clear
        int32_t record_length;
        int32_t buffer_size;
        uint32_t stream_kind;
    };
    const Case cases[] = {
        {"formatted sequential", {},
         rw | fio::attr::pad_yes | fio::attr::little_endian | fio::attr::at_connect_asis | fio::attr::truncate_pending,
         fio::attr::unformatted | fio::attr::record_markers | fio::attr::direct, 2147483647, 8192, 0},
        {"unformatted sequential", {.form = "unformatted"}, fio::attr::unformatted | fio::attr::record_markers,
         fio::attr::direct, 2147483647, 8192, 0},
        {"unformatted with RECL", {.form = "UNFORMATTED", .recl = 80}, fio::attr::record_markers, 0, 2147483647, 8192, 0},
        {"formatted with RECL", {.recl = 80}, 0, fio::attr::unformatted, 80, 8192, 0},
        {"binary", {.form = "BINARY"}, fio::attr::unformatted, fio::attr::record_markers, 2147483647, 8192, 1},
        {"transparent", {.access = "TRANSPARENT", .form = "UNFORMATTED"}, fio::attr::unformatted,
         fio::attr::record_markers, 2147483647, 8192, 2},
        {"block size", {.blocksize = 100}, 0, fio::attr::char_device, 2147483647, 100, 0},
        {"block size 0", {.blocksize = 0}, fio::attr::char_device, 0, 2147483647, 8192, 0},
        {"READ", {.action = "READ"}, fio::attr::readable, fio::attr::writable, 2147483647, 8192, 0},
        {"PRINT", {.action = "PRINT"}, fio::attr::writable | fio::attr::fortran_carriage, fio::attr::readable,
         2147483647, 8192, 0},
        {"PRINT/DELETE", {.action = "print/delete"}, fio::attr::fortran_carriage | fio::attr::delete_on_close,
         fio::attr::readable, 2147483647, 8192, 0},
        {"REWIND", {.position = "REWIND"}, fio::attr::at_connect_rewind | fio::attr::position_rewind,
         fio::attr::at_connect_asis, 2147483647, 8192, 0},
        {"big-endian", {.form = "UNFORMATTED", .convert = "BIG_ENDIAN"}, fio::attr::big_endian,
         fio::attr::little_endian, 2147483647, 8192, 0},
        {"BLANK, PAD, CARRIAGECONTROL", {.blank = "ZERO", .pad = "NO", .carriagecontrol = "FORTRAN"},
         fio::attr::blank_zero | fio::attr::fortran_carriage, fio::attr::pad_yes, 2147483647, 8192, 0},
        {"status NEW", {.status = "NEW"}, fio::attr::status_new, fio::attr::delete_on_close, 2147483647, 8192, 0},
    };
    for (const Case& c : cases) {
        OpenArgs args = c.args;
        args.unit = 20;
        args.file = "f.dat";
        ASSERT_EQ(fio::open_connection(args), 0) << c.what;
        const fio::UnitBlock* u = unit_numbered(20);
        ASSERT_NE(u, nullptr) << c.what;
        EXPECT_EQ(u->attributes & c.set, c.set) << c.what;
        EXPECT_EQ(u->attributes & c.clear, 0u) << c.what;
        EXPECT_EQ(u->record_length, c.record_length) << c.what;
        EXPECT_EQ(u->buffer_size, c.buffer_size) << c.what;
        EXPECT_EQ(u->stream_kind, c.stream_kind) << c.what;
        EXPECT_EQ(u->max_record, 2147483647) << c.what;
        ASSERT_EQ(fio::close_connection({.unit = 20, .status = "DELETE"}), 0) << c.what;
        EXPECT_FALSE(file_exists("f.dat")) << c.what;
    }
    EXPECT_EQ(fio::open_connection({.unit = 21, .file = "d.txt", .delim = "QUOTE"}), 0);
    EXPECT_EQ(unit_numbered(21)->delimiter, '"');
}

TEST_F(OpenClose, DirectAccessBlocksHoldWholeRecords) {
    struct Case {
        OpenArgs args;
        int32_t record_length, records_per_block, buffer_size;
        bool unformatted;
    };
    const Case cases[] = {
        {{.access = "DIRECT", .recl = 10}, 10, 1, 10, true},
        {{.access = "DIRECT", .recl = 10, .blocksize = 8192}, 10, 819, 8190, true},
        {{.access = "DIRECT", .recl = 100, .blocksize = 30}, 100, 1, 100, true},
        {{.access = "DIRECT", .form = "FORMATTED", .recl = 7, .blocksize = 64}, 7, 9, 63, false},
    };
    for (const Case& c : cases) {
        OpenArgs args = c.args;
        args.unit = 30;
        args.file = "direct.dat";
        ASSERT_EQ(fio::open_connection(args), 0);
        const fio::UnitBlock* u = unit_numbered(30);
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(u->record_length, c.record_length);
        EXPECT_EQ(u->records_per_block, c.records_per_block);
        EXPECT_EQ(u->buffer_size, c.buffer_size);
        EXPECT_EQ(u->block_number, -1);
        EXPECT_EQ((u->attributes & fio::attr::unformatted) != 0, c.unformatted);
        EXPECT_EQ(u->attributes & fio::attr::truncate_pending, 0u);
        EXPECT_GE(fio::transfer_state().record.capacity, c.buffer_size);
        ASSERT_EQ(fio::close_connection({.unit = 30, .status = "DELETE"}), 0);
    }
}

TEST_F(OpenClose, ReopenOfConnectedUnitChangesOnlyWhatMayChange) {
    write_file("a.txt", "a\n");
    struct Case {
        const char* what;
        OpenArgs args;
        int32_t result;
    };
    const Case cases[] = {
        {"same file, BLANK=ZERO", {.file = "a.txt", .blank = "ZERO"}, 0},
        {"no FILE=, CARRIAGECONTROL", {.carriagecontrol = "FORTRAN"}, 0},
        {"same file padded, DELIM and PAD", {.file = "  a.txt  ", .delim = "APOSTROPHE", .pad = "NO"}, 0},
        {"same action", {.file = "a.txt", .action = "BOTH"}, 0},
        {"other FORM", {.file = "a.txt", .form = "UNFORMATTED"}, 10030},
        {"other ACCESS", {.file = "a.txt", .access = "DIRECT", .recl = 10}, 10030},
        {"other ACTION", {.file = "a.txt", .action = "READ"}, 10030},
        {"other RECL", {.recl = 80}, 10030},
        {"other STATUS", {.file = "a.txt", .status = "OLD"}, 10030},
        {"other POSITION", {.position = "APPEND"}, 10030},
        {"larger block size", {.blocksize = 16384}, 10030},
        {"bad keyword", {.blank = "SOMETIMES"}, 10005},
    };
    ASSERT_EQ(fio::open_connection({.unit = 1, .file = "a.txt"}), 0);
    fio::UnitBlock* u = unit_numbered(1);
    for (const Case& c : cases) {
        const uint32_t before = u->attributes;
        OpenArgs args = c.args;
        int32_t k = -1;
        args.unit = 1;
        args.iostat = &k;
        EXPECT_EQ(fio::open_connection(args), c.result == 0 ? 0 : 1) << c.what;
        EXPECT_EQ(k, c.result) << c.what;
        EXPECT_EQ(unit_numbered(1), u) << c.what;
        if (c.result != 0) {
            EXPECT_EQ(u->attributes, before) << c.what;
        }
    }
    EXPECT_NE(u->attributes & fio::attr::blank_zero, 0u);
    EXPECT_NE(u->attributes & fio::attr::fortran_carriage, 0u);
    EXPECT_EQ(u->attributes & fio::attr::pad_yes, 0u);
    EXPECT_EQ(u->delimiter, '\'');
    EXPECT_EQ(count_units(), 1);
    EXPECT_EQ(read_file("a.txt"), "a\n");
}

TEST_F(OpenClose, OpenWithAnotherFileClosesTheOldConnectionFirst) {
    ASSERT_EQ(fio::open_connection({.unit = 3, .status = "SCRATCH"}), 0);
    const std::string scratch = unit_numbered(3)->file_name;
    EXPECT_EQ(scratch.rfind(dir_.path() + "/FOR", 0), 0u) << scratch;
    EXPECT_TRUE(file_exists(scratch));
    // A refused OPEN leaves the scratch connection alone.
    int32_t k = 0;
    EXPECT_EQ(fio::open_connection({.unit = 3, .file = "b.txt", .form = "BOGUS", .iostat = &k}), 1);
    EXPECT_EQ(k, 10005);
    EXPECT_TRUE(file_exists(scratch));
    EXPECT_EQ(fio::open_connection({.unit = 3, .file = "missing.txt", .status = "OLD", .iostat = &k}), 1);
    EXPECT_EQ(k, ENOENT);
    ASSERT_NE(unit_numbered(3), nullptr);
    EXPECT_STREQ(unit_numbered(3)->file_name, scratch.c_str());
    // Another file replaces it; the scratch file goes with its connection.
    EXPECT_EQ(fio::open_connection({.unit = 3, .file = "b.txt"}), 0);
    EXPECT_FALSE(file_exists(scratch));
    EXPECT_STREQ(unit_numbered(3)->file_name, "b.txt");
    EXPECT_EQ(count_units(), 1);
    // A file connection replaced by another keeps its data.
    write_line(unit_numbered(3), "kept");
    EXPECT_EQ(fio::open_connection({.unit = 3, .file = "c.txt"}), 0);
    EXPECT_EQ(read_file("b.txt"), "kept\r\n");
}

TEST_F(OpenClose, CloseKeepsOrDeletesTheFile) {
    int32_t k = -1;
    EXPECT_EQ(fio::close_connection({.unit = 44, .iostat = &k}), 0);  // not connected
    EXPECT_EQ(k, 0);

    ASSERT_EQ(fio::open_connection({.unit = 5, .status = "SCRATCH"}), 0);
    const std::string scratch = unit_numbered(5)->file_name;
    EXPECT_EQ(fio::close_connection({.unit = 5, .status = "KEEP"}), 0);
    EXPECT_FALSE(file_exists(scratch));
    EXPECT_EQ(unit_numbered(5), nullptr);

    ASSERT_EQ(fio::open_connection({.unit = 7, .file = "k.txt"}), 0);
    write_line(unit_numbered(7), "data");
    EXPECT_EQ(fio::close_connection({.unit = 7, .status = "PURGE", .iostat = &k}), 1);
    EXPECT_EQ(k, 10005);
    ASSERT_NE(unit_numbered(7), nullptr);
    EXPECT_EQ(fio::close_connection({.unit = 7, .status = "keep "}), 0);
    EXPECT_EQ(read_file("k.txt"), "data\r\n");

    ASSERT_EQ(fio::open_connection({.unit = 7, .file = "k.txt", .status = "OLD"}), 0);
    EXPECT_EQ(fio::close_connection({.unit = 7, .status = "DELETE"}), 0);
    EXPECT_FALSE(file_exists("k.txt"));

    ASSERT_EQ(fio::open_connection({.unit = 8, .file = "d.txt", .action = "DELETE"}), 0);
    EXPECT_TRUE(file_exists("d.txt"));
    EXPECT_EQ(fio::close_connection({.unit = 8, .status = "KEEP"}), 0);
    EXPECT_FALSE(file_exists("d.txt"));
}

TEST_F(OpenClose, UnitWithoutFileNameIsFortN) {
    ASSERT_EQ(fio::open_connection({.unit = 17}), 0);
    EXPECT_STREQ(unit_numbered(17)->file_name, "fort.17");
    EXPECT_TRUE(file_exists("fort.17"));
}

TEST_F(OpenClose, ConsoleUnitsAreReopenedNotReplaced) {
    test_support::ConsoleCapture console;
    ASSERT_EQ(fio::open_connection({.unit = 6}), 0);
    ASSERT_EQ(count_units(), 2);
    EXPECT_EQ(fio::transfer_state().units->unit_number, fio::console_input_unit);
    fio::UnitBlock* input = unit_numbered(fio::console_input_unit);
    fio::UnitBlock* output = unit_numbered(fio::console_output_unit);

    EXPECT_EQ(fio::open_connection({.unit = 6, .carriagecontrol = "FORTRAN"}), 0);
    EXPECT_NE(output->attributes & fio::attr::fortran_carriage, 0u);
    EXPECT_EQ(fio::open_connection({.unit = 5, .blank = "ZERO"}), 0);
    EXPECT_NE(input->attributes & fio::attr::blank_zero, 0u);
    EXPECT_EQ(output->attributes & fio::attr::blank_zero, 0u);
    // ACTION="READ" on unit 6 is about the input unit, any other action the output unit.
    EXPECT_EQ(fio::open_connection({.unit = 6, .action = "READ"}), 0);
    EXPECT_EQ(fio::open_connection({.unit = 5, .action = "WRITE"}), 0);
    int32_t k = 0;
    EXPECT_EQ(fio::open_connection({.unit = 6, .action = "READWRITE", .iostat = &k}), 1);
    EXPECT_EQ(k, 10030);
    EXPECT_EQ(count_units(), 2);
    EXPECT_GE(console.polls(), 5);

    // With FILE= unit 6 becomes a file of its own, and after CLOSE the console again.
    ASSERT_EQ(fio::open_connection({.unit = 6, .file = "six.txt"}), 0);
    fio::UnitBlock* file6 = unit_numbered(6);
    ASSERT_NE(file6, nullptr);
    EXPECT_EQ(file6->attributes & fio::attr::console, 0u);
    EXPECT_EQ(fio::close_connection({.unit = 6}), 0);
    EXPECT_EQ(unit_numbered(6), nullptr);
    EXPECT_EQ(count_units(), 2);
    EXPECT_TRUE(file_exists("six.txt"));
}

TEST_F(OpenClose, OpenWithoutStatusKeepsContentsUntilTheFirstWrite) {
    write_file("t.txt", "old contents, longer than the new\n");
    ASSERT_EQ(fio::open_connection({.unit = 2, .file = "t.txt"}), 0);
    ASSERT_EQ(fio::close_connection({.unit = 2}), 0);
    EXPECT_EQ(read_file("t.txt"), "old contents, longer than the new\n");
    ASSERT_EQ(fio::open_connection({.unit = 2, .file = "t.txt", .status = "UNKNOWN"}), 0);
    write_line(unit_numbered(2), "new");
    ASSERT_EQ(fio::close_connection({.unit = 2}), 0);
    EXPECT_EQ(read_file("t.txt"), "new\r\n");
}

TEST_F(OpenClose, AppendCountsExistingRecordsAndWritesAfterThem) {
    struct Case {
        const char* what;
        OpenArgs args;
    };
    const Case cases[] = {
        {"POSITION=APPEND", {.position = "APPEND"}},
        {"ACCESS=APPEND", {.access = "APPEND"}},
        {"small blocks", {.position = "APPEND", .blocksize = 4}},
        {"write only", {.position = "APPEND", .action = "WRITE"}},
    };
    for (const Case& c : cases) {
        write_file("three.txt", "one\ntwo\nthree\n");
        OpenArgs args = c.args;
        args.unit = 4;
        args.file = "three.txt";
        ASSERT_EQ(fio::open_connection(args), 0) << c.what;
        fio::UnitBlock* u = unit_numbered(4);
        EXPECT_EQ(u->record_number, 3) << c.what;
        EXPECT_NE(u->attributes & fio::attr::at_connect_append, 0u) << c.what;
        write_line(u, "four");
        EXPECT_EQ(u->record_number, 4) << c.what;
        ASSERT_EQ(fio::close_connection({.unit = 4}), 0) << c.what;
        EXPECT_EQ(read_file("three.txt"), "one\ntwo\nthree\nfour\r\n") << c.what;
    }
    // A last line without a line feed is no record.
    write_file("partial.txt", "a\nb");
    ASSERT_EQ(fio::open_connection({.unit = 4, .file = "partial.txt", .position = "APPEND"}), 0);
    EXPECT_EQ(unit_numbered(4)->record_number, 1);
    ASSERT_EQ(fio::close_connection({.unit = 4}), 0);
    EXPECT_EQ(read_file("partial.txt"), "a\nb");
}

TEST_F(OpenClose, AppendWalksRecordMarkers) {
    const std::string two = marked("abc") + marked("") + marked(std::string(300, 'x'));
    struct Case {
        const char* what;
        std::string contents;
        int32_t records;
    };
    const Case cases[] = {
        {"three records", two, 3},
        {"broken last marker", two + std::string("\x40\0\0\0ab", 6), 3},
        {"empty file", "", 0},
    };
    for (const Case& c : cases) {
        write_file("m.bin", c.contents);
        ASSERT_EQ(fio::open_connection({.unit = 9, .file = "m.bin", .form = "UNFORMATTED", .position = "APPEND",
                                        .blocksize = 16}),
                  0)
            << c.what;
        EXPECT_EQ(unit_numbered(9)->record_number, c.records) << c.what;
        ASSERT_EQ(fio::close_connection({.unit = 9}), 0) << c.what;
        EXPECT_EQ(read_file("m.bin"), c.contents) << c.what;
    }
}

TEST_F(OpenClose, FileThatMayOnlyBeReadIsConnectedForReading) {
    // Root may write any file it owns; sysfs still refuses it.
    std::string path = "ro.txt";
    write_file(path, "read me\n");
    ::chmod(path.c_str(), 0444);
    int probe = ::open(path.c_str(), O_RDWR);
    if (probe >= 0) {
        ::close(probe);
        path = "/sys/devices/system/cpu/online";
        probe = ::open(path.c_str(), O_RDWR);
        if (probe >= 0 || errno != EACCES) {
            if (probe >= 0) ::close(probe);
            GTEST_SKIP() << "no file here refuses writing";
        }
    }
    ASSERT_EQ(fio::open_connection({.unit = 11, .file = path, .status = "OLD"}), 0);
    const fio::UnitBlock* u = unit_numbered(11);
    EXPECT_NE(u->attributes & fio::attr::readable, 0u);
    EXPECT_EQ(u->attributes & fio::attr::writable, 0u);
    ASSERT_EQ(fio::close_connection({.unit = 11}), 0);
    int32_t k = 0;
    EXPECT_EQ(fio::open_connection({.unit = 11, .file = path, .action = "READWRITE", .iostat = &k}), 1);
    EXPECT_EQ(k, EACCES);
    EXPECT_EQ(unit_numbered(11), nullptr);
}

TEST_F(OpenClose, FailureWithoutIostatEndsTheProgramWithAReport) {
    EXPECT_EXIT(
        {
            const std::string file = "data.txt";
            fio::open_connection({.unit = 10, .file = file, .status = "OLD"});
        },
        ::testing::ExitedWithCode(255),
        "^\\? System Error:\n\\? No such file or directory\n\\? OPEN\\(UNIT=10,\\.\\.\\.\n$");
}

TEST_F(OpenClose, RawArgumentVectorSetsPresenceBits) {
    int32_t unit = 14;
    int32_t k = -1;
    const char file[] = "raw.txt  ";
    const char status[] = "new";
    std::intptr_t v[fio::open_arg::count] = {};
    v[fio::open_arg::unit] = reinterpret_cast<std::intptr_t>(&unit);
    v[fio::open_arg::iostat] = reinterpret_cast<std::intptr_t>(&k);
    v[fio::open_arg::file] = reinterpret_cast<std::intptr_t>(file);
    v[fio::open_arg::file + 1] = 9;
    v[fio::open_arg::status] = reinterpret_cast<std::intptr_t>(status);
    v[fio::open_arg::status + 1] = 3;
    EXPECT_EQ(fio::open_statement(v), 0);
    const fio::TransferState& s = fio::transfer_state();
    EXPECT_EQ(s.present, 0x4000000u | 0x1000u | 0x100u | 0x1000000u);
    EXPECT_EQ(s.options, 0x101u);
    EXPECT_EQ(k, 0);
    EXPECT_TRUE(file_exists("raw.txt"));
    std::intptr_t c[fio::close_arg::count] = {};
    c[fio::close_arg::unit] = reinterpret_cast<std::intptr_t>(&unit);
    c[fio::close_arg::status] = reinterpret_cast<std::intptr_t>("DELETE");
    c[fio::close_arg::status + 1] = 6;
    EXPECT_EQ(fio::close_statement(c), 0);
    EXPECT_EQ(s.options, 0x100u);
    EXPECT_FALSE(file_exists("raw.txt"));
}

}  // namespace
