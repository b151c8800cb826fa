// Record buffer: growth, record ends on every kind of unit, input record splitting.
#include "libf/fio/record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/heap.h"
#include "libf/fio/units.h"
#include "tests/support/output_fixture.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using test_support::OutputFixture;

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::reset_transfer_state();
        TransferState& s = transfer_state();
        ASSERT_EQ(ensure_record_buffers(s), 0);
        s.present = pres::formatted | pres::iostat;
        s.options = opt::status_codes;
        s.iostat_var = &iostat;
        s.iostat_width = 4;
        set_statement_kind(s, kind_write);
    }
    void TearDown() override { test_support::reset_transfer_state(); }

    // A sequential formatted unit on `name` (created anew, or opened when it exists).
    UnitBlock* file_unit(const char* name, uint32_t extra = 0, bool existing = false) {
        TransferState& s = transfer_state();
        UnitBlock* u = new_unit(s);
        u->unit_number = 10;
        u->file_name = static_cast<char*>(alloc_mem(std::strlen(name) + 1, true));
        std::strcpy(u->file_name, name);
        u->attributes = attr::readable | attr::writable | attr::pad_yes | extra;
        u->buffer_size = 8192;
        u->buffer = static_cast<char*>(alloc_mem(8192, true));
        u->record_length = no_record_limit;
        u->max_record = no_record_limit;
        u->tab_size = 8;
        open_file(*u, existing ? OpenStatus::old_file : OpenStatus::new_file, OpenAction::readwrite, false);
        EXPECT_EQ(u->last_error, 0);
        s.current_unit = u;
        return u;
    }

    void set_record(const std::string& text) {
        RecordBuffer& r = transfer_state().record;
        r.limit = r.position = 0;
        ASSERT_EQ(append_chars(r, text.data(), static_cast<int32_t>(text.size())), 0);
    }

    int32_t iostat = 0;
    test_support::TempDir dir;
};

TEST_F(RecordTest, AppendsGrowByTheirOwnRules) {
    RecordBuffer& r = transfer_state().record;
    ASSERT_EQ(r.capacity, 1024);
    r.position = 1020;
    ASSERT_EQ(append_chars(r, "0123456789", 10), 0);
    EXPECT_EQ(r.capacity, 8192);  // next multiple of 8192 above 1030
    EXPECT_EQ(r.limit, 1030);
    EXPECT_EQ(std::string(r.data + 1015, 10), "     01234");  // the skipped columns are blank

    RecordBuffer other{};
    ASSERT_EQ(append_repeated(other, '*', 9000), 0);
    EXPECT_EQ(other.capacity, 16384);  // steps of 8192 until above 9000
    other.position = 20000;
    ASSERT_EQ(fill_to_position(other), 0);
    EXPECT_EQ(other.capacity, 16384 + (20000 - 16384 + 1024));
    EXPECT_EQ(other.limit, 9000);  // a position move alone does not lengthen the record
    EXPECT_EQ(other.data[19999], ' ');
    free_mem(other.data);
}

TEST_F(RecordTest, FortranCarriageControlBecomesVerticalMotion) {
    UnitBlock* u = file_unit("cc.txt", attr::fortran_carriage);
    for (const char* text : {"1PAGE", "0TWO", "+OVER", " ONE", "-THREE", "XSAME"}) {
        set_record(text);
        ASSERT_EQ(end_output_record(transfer_state()), 0) << text;
    }
    transfer_state().present |= pres::list_directed;
    set_record(" 3");
    ASSERT_EQ(end_output_record(transfer_state()), 0);
    ASSERT_EQ(flush_unit(*u), 0);
    EXPECT_EQ(test_support::read_file("cc.txt"),
              "\fPAGE\r\n\nTWO\rOVER\r\nONE\r\n\n\nTHREE\r\nSAME\r\n 3\r");
}

TEST_F(RecordTest, ConsoleRecordsReachTheCallbackInPiecesOf256) {
    test_support::ConsoleCapture console;
    TransferState& s = transfer_state();
    s.current_unit = create_console_unit(s, console_output_unit);
    s.present |= pres::list_directed;
    set_record(std::string(300, 'a'));
    ASSERT_EQ(end_output_record(s), 0);
    set_record(std::string(254, 'b'));  // exactly one block with its terminator
    ASSERT_EQ(end_output_record(s), 0);
    set_record("");
    ASSERT_EQ(end_output_record(s), 0);  // an empty record is still a line
    const std::vector<test_support::ConsoleWrite> expected = {
        {-11, std::string(256, 'a')},
        {-11, std::string(44, 'a') + "\r\n"},
        {-11, std::string(254, 'b') + "\r\n"},
        {-11, "\r\n"},
    };
    EXPECT_EQ(console.writes(), expected);
}

TEST_F(RecordTest, DirectAccessRecordsArePaddedToRecl) {
    TransferState& s = transfer_state();
    UnitBlock* u = file_unit("direct.dat", attr::direct);
    u->record_length = 10;
    u->buffer_size = 10;
    u->records_per_block = 1;
    u->block_number = -1;
    u->record_number = 1;
    ASSERT_EQ(position_direct_record(*u, false), 0);
    set_record("abc");
    ASSERT_EQ(end_output_record(s), 0);
    EXPECT_EQ(u->record_number, 2);
    set_record("defghijklm");
    ASSERT_EQ(end_output_record(s), 0);
    set_record("12345678901");  // one over RECL
    EXPECT_EQ(end_output_record(s), 1);
    EXPECT_EQ(iostat, err_record_too_long);
    ASSERT_EQ(flush_unit(*u), 0);
    EXPECT_EQ(test_support::read_file("direct.dat"), "abc       defghijklm");
}

TEST_F(RecordTest, RecordsOverReclFailBeforeAnythingIsWritten) {
    TransferState& s = transfer_state();
    UnitBlock* u = file_unit("recl.txt");
    u->record_length = 5;
    u->advance_count = 3;  // a non-advancing WRITE already placed 3 characters
    set_record("abc");
    EXPECT_EQ(end_output_record(s), 1);
    EXPECT_EQ(iostat, err_record_too_long);
    ASSERT_EQ(flush_unit(*u), 0);
    EXPECT_EQ(test_support::read_file("recl.txt"), "");
}

TEST_F(RecordTest, InternalFileRecordsSpreadOverElementsAndMayNotOverflow) {
    {
        OutputFixture out("(A)", 5, 3);
        ASSERT_EQ(out.text("abcdefghijkl"), 0);
        ASSERT_EQ(out.finish(), 0);
        EXPECT_EQ(out.element(0), "abcde");
        EXPECT_EQ(out.element(1), "fghij");
        EXPECT_EQ(out.element(2), "kl   ");
    }
    {
        OutputFixture out("(A)", 5, 1);
        ASSERT_EQ(out.text("abcdefg"), 0);
        EXPECT_EQ(out.finish(), 1);
        EXPECT_EQ(out.iostat(), err_record_too_long);
        EXPECT_EQ(out.element(0), "     ");
    }
    {
        OutputFixture out("(I2)", 4, 2);  // reversion writes one record per item
        for (int v : {1, 2, 3}) ASSERT_EQ(out.integer(v), 0);
        EXPECT_EQ(out.finish(), 1);  // the third record finds no element left
        EXPECT_EQ(out.iostat(), err_record_too_long);
    }
}

TEST_F(RecordTest, InputLinesDropCarriageReturnsAndExpandTabs) {
    test_support::write_file("in.txt", "1,2\t3\r\nab\rc\n\t\tx\n12345678\ty\nlast");
    TransferState& s = transfer_state();
    set_statement_kind(s, kind_read);
    UnitBlock* u = file_unit("in.txt", 0, true);
    const std::vector<std::string> expected = {
        "1,2     3", "abc", "                x", "12345678        y"};
    for (const std::string& line : expected) {
        ASSERT_EQ(next_input_record(s), 0);
        EXPECT_EQ(std::string(s.record.data, s.record.limit), line);
        EXPECT_EQ(s.record.position, 0);
    }
    EXPECT_EQ(u->record_number, 4);
    // The unterminated last line is end of file.
    EXPECT_EQ(next_input_record(s), 1);
    EXPECT_EQ(iostat, -1);
}

TEST_F(RecordTest, InternalInputRecordsAreTheElements) {
    TransferState& s = transfer_state();
    std::string file;
    test_support::start_internal_read(s, file, {"abcd", "efgh"}, 0, 0, &iostat);
    ASSERT_EQ(next_input_record(s), 0);
    EXPECT_EQ(std::string(s.record.data, s.record.limit), "abcd");
    ASSERT_EQ(next_input_record(s), 0);
    EXPECT_EQ(std::string(s.record.data, s.record.limit), "efgh");
    EXPECT_EQ(next_input_record(s), 1);
    EXPECT_EQ(iostat, -1);
}

TEST_F(RecordTest, UnformattedSequentialRecordsCarryLengthMarkers) {
    TransferState& s = transfer_state();
    s.present = pres::iostat;
    for (bool big : {false, true}) {
        const char* name = big ? "big.bin" : "little.bin";
        UnitBlock* u = file_unit(name, attr::unformatted | attr::record_markers | (big ? uint32_t{attr::big_endian} : 0u));
        set_record("abcd");
        ASSERT_EQ(end_output_record(s), 0);
        ASSERT_EQ(flush_unit(*u), 0);
        const std::string expected = big ? std::string("\0\0\0\4abcd\0\0\0\4", 12)
                                         : std::string("\4\0\0\0abcd\4\0\0\0", 12);
        EXPECT_EQ(test_support::read_file(name), expected);
        UnitBlock* in = file_unit(name, attr::unformatted | attr::record_markers | (big ? uint32_t{attr::big_endian} : 0u), true);
        ASSERT_EQ(next_input_record(s), 0);
        EXPECT_EQ(std::string(s.record.data, s.record.limit), "abcd");
        EXPECT_EQ(in->record_number, 1);
    }
}

TEST_F(RecordTest, EmptyListDirectedWriteStillWritesARecord) {
    file_unit("empty.txt");
    {
        OutputFixture out("", transfer_state().current_unit);
        ASSERT_EQ(out.finish(), 0);
    }
    ASSERT_EQ(flush_unit(*transfer_state().current_unit), 0);
    EXPECT_EQ(test_support::read_file("empty.txt"), " \r\n");
}

}  // namespace
