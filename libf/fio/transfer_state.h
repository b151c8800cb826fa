// The one statement record that every I/O statement fills and every worker reads.
#pragma once

#include <cstdint>

#include "libf/fio/unit.h"

namespace fio {

// A text specifier as the compiled program passed it. A negative length means the first byte
// of the text holds the length and the text follows it.
struct SpecText {
    char* text = nullptr;
    int32_t length = 0;
};

// Statement kinds, bits 0-2 of statement_flags; the error report prints their names.
enum StatementKind : uint32_t {
    kind_rewind = 0,
    kind_backspace = 1,
    kind_open = 2,
    kind_close = 3,
    kind_inquire = 4,
    kind_read = 5,
    kind_write = 6,
    kind_endfile = 7,
};

// Bits of TransferState::statement_flags.
namespace sflag {
enum : uint32_t {
    kind_mask = 0x7,
    complex_part = 0x8,          // list-directed output: item is part of a complex value
    imaginary_next = 0x10,       // list-directed output: real part written
    sign_plus = 0x20,
    lead_zero = 0x40,
    suppress_terminator = 0x80,
    blank_zero = 0x100,
    outside_io = 0x800,          // error raised outside an I/O statement
    no_console_create = 0x1000,
    eor_hit = 0x2000,            // non-advancing READ field ran into the record end
    value_at_record_end = 0x4000, // list-directed input: the last value ended at a record end
    last_was_character = 0x8000,
    omit_statement_line = 0x10000,
    file_line_wanted = 0x20000,   // the statement began reading a line of a formatted file
    file_line_read = 0x40000,     // ... and that line is now its record
    kept_on_end = 0xFF000000,    // bits that survive the end of a statement
};
}  // namespace sflag

// Bits of TransferState::present for data-transfer statements.
namespace pres {
enum : uint32_t {
    list_directed = 0x1,
    precompiled_format = 0x8,
    end = 0x20,
    err = 0x40,
    formatted = 0x200,
    iostat = 0x1000,
    namelist = 0x10000,
    rec = 0x100000,
    size = 0x800000,
    unit = 0x4000000,
};
}  // namespace pres

// Bits of TransferState::options for data-transfer statements.
namespace opt {
enum : uint32_t {
    default_markers = 0x1,   // unformatted sequential files carry record markers by default
    internal_file = 0x4,
    unit_by_value = 0x8,     // unit_spec holds the unit value itself (-1 is '*')
    status_codes = 0x100,    // always set by the entry points
    advance = 0x4000,
    eor = 0x8000,
};
}  // namespace opt

// Item type codes (TransferState::item_type).
enum ItemType : int32_t {
    item_counted_char = 0,
    item_char = 1,
    item_logical1 = 2,
    item_logical2 = 3,
    item_logical4 = 4,
    item_int1 = 5,
    item_int2 = 6,
    item_int4 = 7,     // also 8-byte integers, told apart by item_length
    item_real4 = 9,
    item_real8 = 10,
    item_real_ext = 11,
    item_complex8 = 12,   // one 4-byte part of a complex value
    item_complex16 = 13,  // one 8-byte part
    item_complex_ext = 14,
};

// Statement status codes returned to the compiled program.
enum StatementStatus : int32_t {
    status_ok = 0,
    status_error = 1,
    status_end = 2,
    status_eor = 3,
};

// One level of format group repetition.
struct GroupEntry {
    int32_t count = 0;
    int32_t remaining = 0;
    int32_t body = 0;  // byte offset just after the group begin
    // Record and mode state when the current pass over the body began.
    int32_t pass_position = 0;
    int32_t pass_limit = 0;
    uint32_t pass_flags = 0;
    int32_t pass_scale = 0;
    int32_t pass_left_tab = 0;
    bool pass_moved_on = false;  // the pass handed out an item, "/" or Q descriptor
};

constexpr int max_group_depth = 20;

struct TransferState {
    uint32_t present = 0;
    uint32_t options = 0;
    int32_t item_length = 0;
    int32_t item_type = 0;
    int32_t item_count = 0;
    void* item_address = nullptr;
    std::intptr_t unit_spec = 0;   // pointer to the unit number, the value itself, or character data
    int32_t internal_length = 0;
    int32_t internal_records = 0;
    void* iostat_var = nullptr;
    int32_t err_given = 0;
    SpecText file_text;
    SpecText status_text;
    SpecText access_text;
    SpecText form_text;
    int32_t* recl_var = nullptr;
    SpecText blank_text;
    int32_t* exist_var = nullptr;
    int32_t* opened_var = nullptr;
    int32_t* number_var = nullptr;
    int32_t* named_var = nullptr;
    SpecText name_text;
    SpecText sequential_text;
    SpecText direct_text;
    SpecText formatted_text;
    SpecText unformatted_text;
    int32_t* nextrec_var = nullptr;
    const void* format_start = nullptr;
    int32_t format_length = 0;
    int32_t* blocksize_var = nullptr;
    int32_t* block_var = nullptr;
    SpecText position_text;
    SpecText action_text;
    int32_t end_given = 0;
    int32_t* rec_var = nullptr;
    int32_t* size_var = nullptr;
    int32_t* maxrec_var = nullptr;
    SpecText convert_text;
    int32_t source_line = 0;
    const char* source_file = nullptr;
    int32_t iostat_width = 4;
    SpecText pad_text;
    SpecText delim_text;
    SpecText read_text;
    SpecText write_text;
    SpecText readwrite_text;
    SpecText advance_text;
    SpecText carriage_text;
    int32_t* filesize_var = nullptr;
    UnitBlock* units = nullptr;
    UnitBlock* current_unit = nullptr;
    UnitBlock internal_unit{};
    uint32_t statement_flags = 0;
    RecordBuffer record;
    RecordBuffer work;

    // Formatted-engine state. format_code is either the compiled byte code (owned by the
    // statement, in compiled_format) or the first precompiled FormatRecord.
    const uint8_t* format_code = nullptr;
    int32_t format_code_length = 0;
    uint8_t* compiled_format = nullptr;
    int32_t format_cursor = 0;     // byte offset into format_code
    int32_t repeat_left = 0;
    int32_t repeat_item = 0;       // byte offset of the repeating descriptor or string text
    int32_t repeat_code = 0;       // EditCode last fetched (a repeating string keeps its text in repeat_item)
    int32_t group_depth = 0;
    GroupEntry group_stack[max_group_depth];
    int32_t group_top = 0;
    int32_t edit_width = 0;
    int32_t edit_digits = 0;
    int32_t edit_exponent = 0;
    int32_t scale_factor = 0;
    int32_t field_width = 0;
    int32_t left_tab_limit = 0;

    int32_t value_repeat = 0;
    int32_t terminated = 0;
    RecordBuffer imaginary;

    // Gathered copies of a non-contiguous internal file or format array.
    char* gathered_internal = nullptr;
    char* gathered_format = nullptr;

    int32_t iolength_total = 0;
};

// The process's one statement record.
TransferState& transfer_state();

inline StatementKind statement_kind(const TransferState& state) {
    return static_cast<StatementKind>(state.statement_flags & sflag::kind_mask);
}

inline void set_statement_kind(TransferState& state, StatementKind kind) {
    state.statement_flags = (state.statement_flags & ~sflag::kind_mask) | kind;
}

// ---------------------------------------------------------------------------------------------
// The record's lifecycle. Every statement starts with start_statement and ends with
// finish_statement, and an error raised outside any statement starts with
// start_outside_statement, so a field added to the record is reset here and nowhere else.

// What a statement's entry point knows as it starts. Presence and option bits are numbered per
// statement kind, so the entry passes its own, IOSTAT= and ERR= bits included.
struct StatementStart {
    StatementKind kind = kind_rewind;  // workers that name their kind later start with none
    uint32_t present = 0;
    uint32_t options = 0;
    std::intptr_t unit_spec = 0;
    void* iostat_var = nullptr;
    bool err_given = false;
};

// Clears every specifier field and the statement's bits (the kept ones stay), releases what the
// previous statement gathered, then takes the start's fields.
void start_statement(TransferState& state, const StatementStart& start);
// The end of a statement, normal or after an error that IOSTAT=, ERR=, END= or EOR= took: the
// format released, the record emptied, only the kept bits left.
void finish_statement(TransferState& state);
// An error raised outside any I/O statement: no IOSTAT= or ERR= of an earlier statement may take
// it, and its report has no statement line.
void start_outside_statement(TransferState& state);

// Frees the gathered copies of a non-contiguous internal file and format array, if any.
void release_gathered(TransferState& state);

// Frees the compiled byte code of the statement's format, if any. Idempotent; precompiled
// records belong to the program and are left alone.
void free_format(TransferState& state);

// Unit number the statement names (the value behind unit_spec).
int32_t statement_unit_number(const TransferState& state);

}  // namespace fio
