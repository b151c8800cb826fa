#include "libf/fio/file_layer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "libf/fio/heap.h"
#include "libf/fio/units.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using test_support::read_file;
using test_support::write_file;

class FileLayer : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }

    // A sequential unit on `name` with a small block so that block boundaries are exercised.
    UnitBlock* open_unit(const char* name, OpenStatus status, OpenAction action, int32_t block,
                         uint32_t extra = 0) {
        TransferState& s = transfer_state();
        UnitBlock* u = new_unit(s);
        u->file_name = static_cast<char*>(alloc_mem(std::string(name).size() + 1, true));
        std::string(name).copy(u->file_name, std::string::npos);
        u->attributes = extra | (action != OpenAction::write ? attr::readable : 0u) |
                        (action != OpenAction::read ? attr::writable : 0u);
        u->buffer_size = block;
        u->buffer = static_cast<char*>(alloc_mem(block, true));
        u->record_length = no_record_limit;
        open_file(*u, status, action, false);
        return u;
    }

    static std::string read_all(UnitBlock& u) {
        std::string bytes;
        char byte;
        int got;
        while ((got = unit_next_byte(u, byte)) == 1) bytes += byte;
        EXPECT_EQ(got, 0);
        return bytes;
    }

    UnitBlock* console(int32_t number) {
        TransferState& s = transfer_state();
        s.statement_flags = number == 5 ? kind_read : kind_write;
        s.options = opt::unit_by_value;
        s.unit_spec = number;
        EXPECT_EQ(find_unit(s), 0);
        return s.current_unit;
    }
};

TEST_F(FileLayer, ConsoleBlocksGoThroughTheCallbacks) {
    test_support::ConsoleCapture capture;
    UnitBlock* out = console(6);
    ASSERT_EQ(unit_write_bytes(*out, "HELLO\r\n", 7), 0);
    EXPECT_TRUE(capture.writes().empty());  // still in the block buffer
    ASSERT_EQ(flush_unit(*out), 0);
    EXPECT_EQ(flush_unit(*out), 0);  // nothing left: no empty block is passed on
    UnitBlock* err = console(0);
    ASSERT_EQ(unit_write_bytes(*err, "E\n", 2), 0);
    ASSERT_EQ(flush_unit(*err), 0);
    write_error_text("", 0);
    write_output_text("out", 3);
    const std::vector<test_support::ConsoleWrite> expected = {
        {-11, "HELLO\r\n"}, {-12, "E\n"}, {-11, "out"}};
    EXPECT_EQ(capture.writes(), expected);

    // A 300-byte record reaches the callback as 256 bytes and the remaining 44.
    capture.clear();
    const std::string record(298, 'x');
    ASSERT_EQ(unit_write_bytes(*out, (record + "\r\n").data(), 300), 0);
    ASSERT_EQ(flush_unit(*out), 0);
    ASSERT_EQ(capture.writes().size(), 2u);
    EXPECT_EQ(capture.writes()[0].second.size(), 256u);
    EXPECT_EQ(capture.writes()[1].second, std::string(42, 'x') + "\r\n");

    // Reads are served line by line; an empty read is the end of the console input.
    capture.type("ab\ncd\n");
    UnitBlock* in = console(5);
    EXPECT_EQ(read_all(*in), "ab\ncd\n");
    EXPECT_EQ(in->last_error, 0);
}

TEST_F(FileLayer, FailingWriteCallbackSetsLastError) {
    ConsoleHooks hooks = default_console_hooks();
    hooks.write = [](const char*, int32_t*, int32_t) -> int32_t {
        errno = EPIPE;
        return 0;
    };
    install_console_callbacks(hooks);
    UnitBlock* out = console(6);
    ASSERT_EQ(unit_write_bytes(*out, "x", 1), 0);
    EXPECT_EQ(flush_unit(*out), EPIPE);
    EXPECT_EQ(out->last_error, EPIPE);
}

TEST_F(FileLayer, RewrittenFileIsCutAtTheFirstBlockWriteAndReadingLeavesItAlone) {
    test_support::TempDir dir;
    const std::string original = "line one\nline two\nline three\n";
    write_file("data.txt", original);

    UnitBlock* reader = open_unit("data.txt", OpenStatus::old_file, OpenAction::readwrite, 8,
                                  attr::truncate_pending);
    ASSERT_EQ(reader->last_error, 0);
    EXPECT_EQ(read_all(*reader), original);  // across several 8-byte blocks
    EXPECT_EQ(close_file(*reader, false), 0);
    EXPECT_EQ(read_file("data.txt"), original);

    UnitBlock* writer = open_unit("data.txt", OpenStatus::old_file, OpenAction::readwrite, 8,
                                  attr::truncate_pending);
    ASSERT_EQ(unit_write_bytes(*writer, "new\r\n", 5), 0);
    EXPECT_EQ(read_file("data.txt"), original);  // nothing written yet
    ASSERT_EQ(flush_unit(*writer), 0);
    EXPECT_EQ(read_file("data.txt"), "new\r\n");
    EXPECT_EQ(writer->attributes & attr::truncate_pending, 0u);
    ASSERT_EQ(unit_write_bytes(*writer, "0123456789\r\n", 12), 0);
    ASSERT_EQ(flush_unit(*writer), 0);
    EXPECT_EQ(read_file("data.txt"), "new\r\n0123456789\r\n");
}

TEST_F(FileLayer, WriteAfterReadReplacesTheRestOfTheFile) {
    test_support::TempDir dir;
    write_file("data.txt", "aaaa\nbbbb\ncccc\n");
    UnitBlock* u = open_unit("data.txt", OpenStatus::old_file, OpenAction::readwrite, 8192,
                             attr::truncate_pending);
    char byte;
    for (int i = 0; i < 5; ++i) ASSERT_EQ(unit_next_byte(*u, byte), 1);
    ASSERT_EQ(unit_write_bytes(*u, "x\r\n", 3), 0);
    ASSERT_EQ(flush_unit(*u), 0);
    EXPECT_EQ(read_file("data.txt"), "aaaa\nx\r\n");

    // Read to the end, then write: the new record follows the old data exactly once.
    write_file("more.txt", "0123456789");
    UnitBlock* v = open_unit("more.txt", OpenStatus::old_file, OpenAction::readwrite, 4);
    EXPECT_EQ(read_all(*v), "0123456789");
    ASSERT_EQ(unit_write_bytes(*v, "AB", 2), 0);
    ASSERT_EQ(flush_unit(*v), 0);
    EXPECT_EQ(read_file("more.txt"), "0123456789AB");
}

TEST_F(FileLayer, OpenStatusesAndRefusals) {
    test_support::TempDir dir;
    UnitBlock* missing = open_unit("absent.txt", OpenStatus::old_file, OpenAction::read, 16);
    EXPECT_EQ(missing->last_error, 2);  // ENOENT, as the report expects for a missing OLD file
    EXPECT_EQ(missing->handle, no_handle);
    EXPECT_EQ(file_size(*missing), -1);

    ASSERT_EQ(::mkdir("folder", 0755), 0);
    UnitBlock* folder = open_unit("folder", OpenStatus::old_file, OpenAction::read, 16);
    EXPECT_EQ(folder->last_error, EISDIR);
    EXPECT_EQ(folder->handle, no_handle);

    write_file("old.txt", "12345");
    UnitBlock* replaced = open_unit("old.txt", OpenStatus::new_file, OpenAction::write, 16);
    ASSERT_EQ(replaced->last_error, 0);
    EXPECT_EQ(read_file("old.txt"), "");
    struct stat info {};
    ASSERT_EQ(::stat("old.txt", &info), 0);

    write_file("tail.txt", "abc\n");
    UnitBlock* tail = new_unit(transfer_state());
    tail->file_name = static_cast<char*>(alloc_mem(16, true));
    std::string("tail.txt").copy(tail->file_name, 8);
    EXPECT_EQ(file_size(*tail), 4);  // by name, no handle yet
    open_file(*tail, OpenStatus::old_file, OpenAction::readwrite, true);
    ASSERT_EQ(tail->last_error, 0);
    EXPECT_EQ(tail->base_offset, 4);
    EXPECT_EQ(file_size(*tail), 4);
    EXPECT_FALSE(is_char_device(*tail));
    EXPECT_EQ(close_file(*tail, true), 0);
    EXPECT_FALSE(test_support::file_exists("tail.txt"));

    UnitBlock* out = console(6);
    EXPECT_EQ(file_size(*out), 0);
    EXPECT_TRUE(is_char_device(*out));
    EXPECT_EQ(close_file(*out, false), 0);  // selectors are never closed
    EXPECT_EQ(out->handle, -11);
}

TEST_F(FileLayer, DirectAccessPositioning) {
    test_support::TempDir dir;
    // Records of 4 bytes, 3 to a 12-byte block.
    UnitBlock* u = open_unit("direct.dat", OpenStatus::new_file, OpenAction::readwrite, 12,
                             attr::direct);
    u->record_length = 4;
    u->records_per_block = 3;
    u->block_number = -1;

    struct Case {
        int32_t record;
        int32_t block;
        int32_t pos;
    } cases[] = {{2, 0, 4}, {1, 0, 0}, {3, 0, 8}, {4, 1, 0}, {8, 2, 4}};
    for (const Case& c : cases) {
        u->record_number = c.record;
        ASSERT_EQ(position_direct_record(*u, false), 0) << c.record;
        EXPECT_EQ(u->block_number, c.block) << c.record;
        EXPECT_EQ(u->buffer_pos, c.pos) << c.record;
        const std::string text = "R" + std::to_string(c.record) + "__";
        ASSERT_EQ(unit_write_bytes(*u, text.data(), 4), 0);
    }
    ASSERT_EQ(flush_unit(*u), 0);
    // Whole blocks only; records never written are blanks.
    EXPECT_EQ(read_file("direct.dat"), "R1__R2__R3__R4__        "
                                       "    R8__    ");

    // Reading: a record is served from its block; a block beyond the file is end of file.
    u->block_number = -1;
    u->record_number = 2;
    ASSERT_EQ(position_direct_record(*u, true), 0);
    EXPECT_EQ(std::string(u->buffer + u->buffer_pos, 4), "R2__");
    u->record_number = 10;
    EXPECT_EQ(position_direct_record(*u, true), -1);
    EXPECT_EQ(u->block_number, -1);

    // Rewriting one record keeps the others of its block.
    u->record_number = 5;
    ASSERT_EQ(position_direct_record(*u, false), 0);
    ASSERT_EQ(unit_write_bytes(*u, "new5", 4), 0);
    u->record_number = 1;  // another block: the dirty one is written back first
    ASSERT_EQ(position_direct_record(*u, true), 0);
    EXPECT_EQ(read_file("direct.dat"), "R1__R2__R3__R4__new5    "
                                       "    R8__    ");

    // A record far beyond 4 GiB lands at its own offset (the file stays sparse).
    u->record_number = 2147483647;
    ASSERT_EQ(position_direct_record(*u, false), 0);
    ASSERT_EQ(unit_write_bytes(*u, "far!", 4), 0);
    ASSERT_EQ(flush_unit(*u), 0);
    struct stat info {};
    ASSERT_EQ(::stat("direct.dat", &info), 0);
    EXPECT_EQ(info.st_size, (int64_t{2147483647} + 2) * 4);  // whole blocks: two blank records follow
    EXPECT_EQ(close_file(*u, false), 0);
}

TEST_F(FileLayer, TabSizeFromEnvironment) {
    struct Case {
        const char* value;  // null: unset
        int32_t tab;
    } cases[] = {
        {nullptr, 8}, {"", 8}, {"4", 4}, {"12abc", 12}, {"+6", 6}, {"abc", 8}, {"0", 8},
        {"-3", 8}, {"2147483647", 2147483647}, {"2147483648", 8}, {"99999999999", 8},
        {"0000000000000000004", 4},   // 19 characters
        {"00000000000000000004", 8},  // 20 characters
    };
    const char* saved = std::getenv("TABSIZE");
    const std::string keep = saved != nullptr ? saved : "";
    for (const Case& c : cases) {
        if (c.value == nullptr)
            ::unsetenv("TABSIZE");
        else
            ::setenv("TABSIZE", c.value, 1);
        EXPECT_EQ(tab_size_from_environment(), c.tab) << (c.value ? c.value : "(unset)");
    }
    ::setenv("TABSIZE", "4", 1);
    EXPECT_EQ(console(6)->tab_size, 4);  // taken when a unit is connected
    if (saved != nullptr)
        ::setenv("TABSIZE", keep.c_str(), 1);
    else
        ::unsetenv("TABSIZE");
}

TEST_F(FileLayer, ScratchNamesLieInTheTemporaryDirectory) {
    test_support::TempDir dir;
    const char* saved = std::getenv("TMPDIR");
    const std::string keep = saved != nullptr ? saved : "";
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    const std::string first = scratch_name();
    const std::string second = scratch_name();
    EXPECT_EQ(first.rfind(dir.path() + "/FOR", 0), 0u) << first;
    EXPECT_NE(first, second);
    struct stat info {};
    ASSERT_EQ(::stat(first.c_str(), &info), 0);  // reserved until OPEN opens it
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_size, 0);

    ::setenv("TMPDIR", (dir.path() + "/missing").c_str(), 1);
    const std::string fallback = scratch_name();
    EXPECT_EQ(fallback.rfind("/tmp/FOR", 0), 0u) << fallback;
    ::unlink(fallback.c_str());
    if (saved != nullptr)
        ::setenv("TMPDIR", keep.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace
