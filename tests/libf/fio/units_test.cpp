#include "libf/fio/units.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/io_calls.h"
#include "libf/fio/open_close.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;

class Units : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }

    TransferState& statement(StatementKind kind, int32_t unit) { return test_support::statement(kind, unit); }
};

TEST_F(Units, ConsoleNumbersResolveToTheReservedUnits) {
    struct Case {
        int32_t number;
        StatementKind kind;
        int32_t reserved;  // 0: no unit
    } cases[] = {
        {0, kind_write, console_error_unit},  {5, kind_read, console_input_unit},
        {5, kind_write, console_input_unit},  {6, kind_write, console_output_unit},
        {9, kind_read, console_input_unit},   {9, kind_write, console_output_unit},
        {-1, kind_read, console_input_unit},  {-1, kind_write, console_output_unit},
        {9, kind_endfile, console_output_unit}, {7, kind_write, 0},
        {1, kind_read, 0},
    };
    for (const Case& c : cases) {
        test_support::reset_transfer_state();
        TransferState& s = statement(c.kind, c.number);
        ASSERT_EQ(find_unit(s), 0) << c.number;
        if (c.reserved == 0) {
            EXPECT_EQ(s.current_unit, nullptr) << c.number;
            EXPECT_EQ(s.units, nullptr) << c.number;
            continue;
        }
        ASSERT_NE(s.current_unit, nullptr) << c.number;
        EXPECT_EQ(s.current_unit->unit_number, c.reserved) << c.number << " kind " << c.kind;
        EXPECT_NE(s.record.data, nullptr);
    }
}

TEST_F(Units, FirstConsoleUseCreatesInputThenOutputAndErrorAlone) {
    TransferState& s = statement(kind_write, 6);
    ASSERT_EQ(find_unit(s), 0);
    ASSERT_NE(s.units, nullptr);
    const UnitBlock* input = s.units;
    const UnitBlock* output = input->next;
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->next, nullptr);
    EXPECT_EQ(input->unit_number, console_input_unit);
    EXPECT_EQ(input->attributes, 0x2004201u);
    EXPECT_EQ(input->handle, -10);
    EXPECT_EQ(output->unit_number, console_output_unit);
    EXPECT_EQ(output->attributes, 0x2004202u);
    EXPECT_EQ(output->handle, -11);
    EXPECT_EQ(output->buffer_size, 256);
    EXPECT_EQ(output->record_length, 2147483647);

    s.unit_spec = 0;
    ASSERT_EQ(find_unit(s), 0);
    EXPECT_EQ(s.current_unit, output->next);
    EXPECT_EQ(s.current_unit->handle, -12);
    EXPECT_EQ(s.current_unit->next, nullptr);

    s.unit_spec = 5;  // already there: nothing new
    ASSERT_EQ(find_unit(s), 0);
    EXPECT_EQ(s.current_unit, input);
}

TEST_F(Units, ConnectedUnitTakesPrecedenceOverConsoleUntilReleased) {
    TransferState& s = statement(kind_write, 6);
    UnitBlock* file_unit = new_unit(s);
    file_unit->unit_number = 6;
    file_unit->attributes = attr::writable | attr::blank_zero;
    ASSERT_EQ(find_unit(s), 0);
    EXPECT_EQ(s.current_unit, file_unit);
    EXPECT_NE(s.statement_flags & sflag::blank_zero, 0u);
    release_unit(s, file_unit);
    ASSERT_EQ(find_unit(s), 0);
    EXPECT_EQ(s.current_unit->unit_number, console_output_unit);
    EXPECT_EQ(s.statement_flags & sflag::blank_zero, 0u);
}

TEST_F(Units, NoConsoleCreationWhenAsked) {
    for (int32_t number : {0, 5, 6, 9}) {
        TransferState& s = statement(kind_close, number);
        s.statement_flags |= sflag::no_console_create;
        ASSERT_EQ(find_unit(s), 0);
        EXPECT_EQ(s.current_unit, nullptr) << number;
        EXPECT_EQ(s.units, nullptr) << number;
    }
}

TEST_F(Units, RefusedUnitSpecifiers) {
    struct Case {
        StatementKind kind;
        int32_t number;
        uint32_t extra_options;
        int32_t error;
    } cases[] = {
        {kind_read, -2, 0, 10029},      {kind_write, -7, 0, 10029},
        {kind_open, -1, 0, 10029},      {kind_rewind, -1, 0, 10029},
        {kind_open, 0, opt::internal_file, 10024},
        {kind_inquire, 0, opt::internal_file, 10024},
    };
    for (const Case& c : cases) {
        TransferState& s = statement(c.kind, c.number);
        s.options |= c.extra_options;
        EXPECT_EQ(find_unit(s), c.error) << c.kind << " " << c.number;
        EXPECT_EQ(s.current_unit, nullptr);
    }
}

TEST_F(Units, InternalFileUnitDescribesTheVariable) {
    char text[3 * 5] = {};
    TransferState& s = statement(kind_read, 0);
    s.options = opt::status_codes | opt::internal_file;
    s.unit_spec = reinterpret_cast<std::intptr_t>(text);
    s.internal_length = 5;
    s.internal_records = 3;
    ASSERT_EQ(find_unit(s), 0);
    ASSERT_EQ(s.current_unit, &s.internal_unit);
    EXPECT_EQ(s.internal_unit.attributes, 0x2000083u);
    EXPECT_EQ(s.internal_unit.buffer, text);
    EXPECT_EQ(s.internal_unit.buffer_size, 5);
    EXPECT_EQ(s.internal_unit.record_length, 5);
    EXPECT_EQ(s.internal_unit.block_number, 3);
    EXPECT_EQ(s.internal_unit.buffer_pos, 0);
    EXPECT_EQ(s.units, nullptr);  // never in the list
}

TEST_F(Units, ImplicitOpenConnectsFortN) {
    test_support::TempDir dir;
    TransferState& s = statement(kind_write, 7);
    s.present = pres::formatted | pres::unit;
    ASSERT_EQ(find_unit(s), 0);
    ASSERT_EQ(s.current_unit, nullptr);
    ASSERT_EQ(implicit_open(s), 0);
    UnitBlock* u = s.current_unit;
    ASSERT_NE(u, nullptr);
    EXPECT_STREQ(u->file_name, "fort.7");
    EXPECT_TRUE(test_support::file_exists("fort.7"));
    EXPECT_EQ(u->attributes, attr::readable | attr::writable | attr::pad_yes | attr::truncate_pending);
    EXPECT_EQ(u->buffer_size, 8192);
    EXPECT_EQ(u->record_length, 2147483647);
    EXPECT_EQ(u->max_record, 2147483647);
    ASSERT_EQ(unit_write_bytes(*u, "x\r\n", 3), 0);
    ASSERT_EQ(flush_unit(*u), 0);
    EXPECT_EQ(test_support::read_file("fort.7"), "x\r\n");

    // Unformatted with default record markers; an existing file is opened, not replaced.
    TransferState& t = statement(kind_read, 8);
    t.present = pres::unit;
    t.options |= opt::default_markers;
    test_support::write_file("fort.8", "keep");
    ASSERT_EQ(implicit_open(t), 0);
    EXPECT_EQ(t.current_unit->attributes & (attr::unformatted | attr::record_markers),
              attr::unformatted | attr::record_markers);
    EXPECT_EQ(test_support::read_file("fort.8"), "keep");
}

TEST_F(Units, ImplicitOpenRefusesDirectAccessAndFailedOpens) {
    test_support::TempDir dir;
    int32_t iostat = 0;
    TransferState& s = statement(kind_read, 7);
    s.present = pres::formatted | pres::rec | pres::iostat;
    s.iostat_var = &iostat;
    EXPECT_EQ(implicit_open(s), status_error);
    EXPECT_EQ(iostat, 10031);
    EXPECT_EQ(s.units, nullptr);
    EXPECT_FALSE(test_support::file_exists("fort.7"));

    // fort.12 is a directory: the open fails, the unit goes again, the system code is stored.
    ASSERT_EQ(::mkdir("fort.12", 0755), 0);
    TransferState& t = statement(kind_write, 12);
    t.present = pres::formatted | pres::iostat;
    t.iostat_var = &iostat;
    EXPECT_EQ(implicit_open(t), status_error);
    EXPECT_EQ(iostat, EISDIR);
    EXPECT_EQ(t.units, nullptr);
}

TEST_F(Units, IostatIsStoredWithTheVariablesWidth) {
    struct Case {
        int32_t width;
        int32_t value;
        unsigned char bytes[4];  // little-endian; untouched bytes stay 0xAA
    } cases[] = {
        {1, -1, {0xFF, 0xAA, 0xAA, 0xAA}},     {1, -2, {0xFE, 0xAA, 0xAA, 0xAA}},
        {1, 0, {0x00, 0xAA, 0xAA, 0xAA}},      {2, -1, {0xFF, 0xFF, 0xAA, 0xAA}},
        {2, 10013, {0x1D, 0x27, 0xAA, 0xAA}},  {4, -2, {0xFE, 0xFF, 0xFF, 0xFF}},
        {4, 10060, {0x4C, 0x27, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        unsigned char var[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        TransferState& s = transfer_state();
        s.present = pres::iostat;
        s.iostat_var = var;
        s.iostat_width = c.width;
        store_iostat(s, c.value);
        EXPECT_EQ(std::memcmp(var, c.bytes, 4), 0) << c.width << " " << c.value;
    }
    unsigned char var[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    transfer_state().present = 0;  // no IOSTAT= in the statement: nothing stored
    transfer_state().iostat_var = var;
    store_iostat(transfer_state(), 5);
    EXPECT_EQ(var[0], 0xAA);
}

TEST_F(Units, EndOfFileAndEndOfRecordPaths) {
    struct Case {
        bool end_of_record;
        uint32_t present;
        uint32_t options;
        int32_t iostat_width;
        int32_t status;
        int32_t iostat;  // as read back from a 4-byte variable
        bool terminated;
    } cases[] = {
        {false, pres::end, 0, 4, status_end, 0x7777, false},
        {false, pres::end | pres::iostat, 0, 4, status_end, -1, false},
        {false, pres::iostat, 0, 4, status_error, -1, true},
        {false, pres::iostat, 0, 1, status_error, 0x777777FF, true},  // 255 in one byte
        {false, pres::err | pres::iostat, 0, 4, status_error, -1, false},
        {true, pres::iostat, opt::eor, 4, status_eor, -2, false},
        {true, pres::iostat, 0, 4, status_error, -2, true},
        {true, pres::iostat, opt::eor, 1, status_eor, 0x777777FE, false},  // 254 in one byte
    };
    for (const Case& c : cases) {
        int32_t iostat = 0x7777;
        if (c.iostat_width == 1) iostat = 0x77777777;
        TransferState& s = statement(kind_read, 5);
        ASSERT_EQ(find_unit(s), 0);
        UnitBlock* u = s.current_unit;
        u->attributes |= attr::nonadvancing_open;
        s.present = c.present;
        s.options |= c.options;
        s.iostat_var = &iostat;
        s.iostat_width = c.iostat_width;
        s.terminated = 0;
        s.statement_flags |= sflag::eor_hit | 0x01000000u;
        s.record.limit = 4;
        s.record.position = 2;
        const int32_t status = c.end_of_record ? report_end_of_record(s) : report_end_of_file(s);
        EXPECT_EQ(status, c.status);
        if (c.iostat_width == 1)
            EXPECT_EQ(static_cast<uint32_t>(iostat), static_cast<uint32_t>(c.iostat));
        else if (c.present & pres::iostat)
            EXPECT_EQ(iostat, c.iostat);
        else
            EXPECT_EQ(iostat, 0x7777);
        EXPECT_EQ(s.terminated != 0, c.terminated);
        EXPECT_EQ(s.record.limit, 0);
        EXPECT_EQ(s.record.position, 0);
        EXPECT_EQ(s.statement_flags, 0x01000000u);  // only bits 24-31 survive
        if (c.end_of_record) {
            EXPECT_EQ(u->attributes & attr::nonadvancing_open, 0u);
        }
        test_support::reset_transfer_state();
    }
}

TEST_F(Units, EndOfRecordReportsCharactersConsumed) {
    int32_t size = -5;
    TransferState& s = statement(kind_read, 5);
    ASSERT_EQ(find_unit(s), 0);
    s.current_unit->pending_record.position = 3;
    s.present = pres::size;
    s.options |= opt::eor;
    s.size_var = &size;
    s.record.limit = 10;
    s.record.position = 10;
    EXPECT_EQ(report_end_of_record(s), status_eor);
    EXPECT_EQ(size, 7);
}

// After each READ of three integers, one record each: the line it ended on and whether values
// were left there. A slash ends the input on purpose; a repeat no item took is values left.
TEST_F(Units, LastReadPositionTellsTheLineAndWhetherValuesWereLeft) {
    const struct {
        const char* record;
        bool left;
    } cases[] = {
        {"1 2 3", false},   {"1 2 3   ", false}, {"1,2,3,", false}, {"1 2 3 ,", false},
        {"1 2 3 4", true},  {"1 2 3,4", true},   {"1 2 /", false},  {"1 2 / 9", true},
        {"1 2 3 /", false}, {"1 3*2", true},     {"1 2*2", false},  {"1 2 3 x", true},
    };
    test_support::TempDir dir;
    std::string text;
    for (const auto& c : cases) text += std::string(c.record) + "\n";
    test_support::write_file("rows.txt", text);
    ASSERT_EQ(open_connection({.unit = 3, .file = "rows.txt"}), 0);
    ReadPosition position;
    EXPECT_FALSE(last_read_position(4, position));
    int32_t line = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        int32_t v[3] = {};
        ASSERT_EQ(read_list(3).begin({item(v[0]), item(v[1]), item(v[2])}).end(), 0);
        ASSERT_TRUE(last_read_position(3, position));
        EXPECT_EQ(position.record_number, ++line);
        EXPECT_EQ(position.text_left, c.left);
    }
}

}  // namespace
