// One connected unit (file, console device or internal file) and the growable record buffer.
#pragma once

#include <cstdint>

namespace fio {

// True when any of `bits` is set in a flag word.
constexpr bool has(uint32_t word, uint32_t bits) { return (word & bits) != 0; }

// A growable byte buffer; operations live in record.h.
struct RecordBuffer {
    int32_t limit = 0;     // input: valid bytes; output: furthest column written
    int32_t position = 0;  // current column, 0-based
    int32_t capacity = 0;
    char* data = nullptr;  // owned
};

// Bits of UnitBlock::attributes.
namespace attr {
enum : uint32_t {
    readable = 0x1,
    writable = 0x2,
    fortran_carriage = 0x4,
    delete_on_close = 0x8,
    blank_zero = 0x10,
    unformatted = 0x20,
    direct = 0x40,
    internal = 0x80,
    char_device = 0x200,
    record_markers = 0x400,
    dirty = 0x800,           // buffer holds data not yet written
    read_from_file = 0x1000, // block in buffer came from the file
    endfile = 0x2000,
    console = 0x4000,
    truncate_pending = 0x8000,
    status_mask = 0x30000,
    status_old = 0x10000,
    status_new = 0x20000,
    status_scratch = 0x30000,
    position_mask = 0xC0000,
    position_append = 0x40000,
    position_rewind = 0x80000,
    closed_at_end = 0x200000,
    big_endian = 0x400000,
    little_endian = 0x800000,
    nonadvancing_open = 0x1000000,
    pad_yes = 0x2000000,
    at_connect_append = 0x4000000,
    at_connect_asis = 0x8000000,
    at_connect_rewind = 0x10000000,
    at_connect_mask = 0x1C000000,
    last_was_write = 0x20000000,
    last_was_read = 0x40000000,
};
}  // namespace attr

// Reserved unit numbers of the pre-connected console units.
enum : int32_t { console_input_unit = -2, console_output_unit = -3, console_error_unit = -4 };

// Standard-device selectors held in a console unit's handle.
enum : int { selector_input = -10, selector_output = -11, selector_error = -12 };

enum : int32_t { no_record_limit = 2147483647 };

// UnitBlock::handle when no file is open (0 would be standard input).
enum : int { no_handle = -1 };

// UnitBlock::stream_kind values.
enum : uint32_t { stream_binary = 1, stream_transparent = 2 };

struct UnitBlock {
    int32_t unit_number;
    int32_t buffer_fill;
    int32_t buffer_pos;
    int32_t buffer_size;
    char* buffer;            // owned, except for an internal file
    uint32_t attributes;
    int32_t last_error;      // errno of the last failed file operation
    int32_t tab_size;
    UnitBlock* next;
    int32_t block_number;
    int handle = no_handle;  // file descriptor, or a console selector
    char* file_name;         // owned, NUL-terminated
    int32_t record_length;
    int32_t records_per_block;
    int64_t base_offset;     // offsets are 64-bit on this platform
    int32_t record_number;
    int32_t max_record;
    RecordBuffer pending_record;
    int32_t delimiter;
    int32_t advance_count;
    uint32_t stream_kind;
    // Bytes the last formatted sequential input record took in the file, line terminator
    // included (carriage returns and tabs count as read, not as expanded).
    int32_t record_bytes;
    // The last READ left values unread in its last record (see last_read_position).
    bool text_left = false;
};

}  // namespace fio
