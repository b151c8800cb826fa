// Formats: compiling a format text into byte code, precompiled format records, and the
// interpreter that hands out one edit descriptor at a time.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// The engine's numbering of edit descriptors: one byte in the byte code, and what
// next_edit_descriptor hands to the per-item routines.
enum EditCode : uint8_t {
    edit_end = 0,           // end of the byte code
    edit_i = 1,
    edit_b = 2,
    edit_o = 3,
    edit_z = 4,
    edit_f = 5,
    edit_e = 6,
    edit_d = 7,
    edit_es = 8,
    edit_en = 9,
    edit_g = 10,
    edit_l = 11,
    edit_a = 12,
    edit_t = 13,
    edit_tl = 14,
    edit_tr = 15,
    edit_x = 16,
    edit_p = 17,
    edit_slash = 18,
    edit_string = 19,       // quoted or H string
    edit_sp = 22,
    edit_ss = 23,           // SS and S
    edit_bn = 24,
    edit_bz = 25,
    edit_colon = 26,
    edit_dollar = 27,       // $ and \: suppress the record terminator
    edit_q = 28,
    edit_group_begin = 126, // byte code only
    edit_group_end = 127,   // byte code only; never the outermost ")"
};

// Codes 1 to 12 consume an item; everything above is a position or control descriptor.
constexpr bool is_data_edit(int code) { return code >= edit_i && code <= edit_a; }

// Byte code ("FormatProgram"), one entry per descriptor, terminated by edit_end.
// Multi-byte fields are big-endian. Widths and digit counts are 16-bit so that values up
// to 32767 survive:
//   I B O Z            code, repeat u16, w s16 (0 = absent), m s16 (1 when absent)
//   F                  code, repeat u16, w s16, d s16 (both 0 when w.d is absent)
//   E ES EN G D        code, repeat u16, w s16, d s16, e s16 (2 when absent)
//   L A                code, repeat u16, w u16 (0 = absent)
//   T TL TR X          code, n u16
//   P                  code, k s16
//   /                  code, repeat u16
//   string             code, length u16, the characters
//   (                  code, repeat u16
//   ) SP SS BN BZ : $ Q, end   code alone
// Quoted strings longer than 65535 characters are stored as consecutive string entries.

// One precompiled format record: the fixed external layout (20 bytes, little-endian) that a
// FORMAT statement's compiled form carries. A precompiled format is a 20-byte header (not
// read) followed by these records.
struct FormatRecord {
    uint8_t bytes[20];
};
static_assert(sizeof(FormatRecord) == 20, "FormatRecord is a fixed external layout");

// Offsets of the record's 4-byte little-endian words.
namespace frec {
enum : int {
    word0 = 0,    // bits 0-6 record code; bits 10-15 exponent digits (0 means 2)
    digits = 4,   // d or m, low 24 bits
    width = 8,    // w, position, distance or string length, low 24 bits
    unused = 12,
    repeat = 16,  // repeat count; P: the scale factor; end record: signed distance in records
};
}  // namespace frec

// The little-endian word at offset (a frec value) of a format record.
inline uint32_t record_word(const uint8_t* record, int offset) {
    const uint8_t* p = record + offset;
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// A record's code (a RecordCode when valid) and its 24-bit operands (frec::digits, frec::width).
inline uint32_t record_code(const uint8_t* record) { return record_word(record, frec::word0) & 0x7F; }
inline uint32_t record_operand(const uint8_t* record, int offset) { return record_word(record, offset) & 0xFFFFFF; }

// The first record of a precompiled format, which follows a header that the engine does not read.
inline const uint8_t* precompiled_records(const void* format) {
    return static_cast<const uint8_t*>(format) + sizeof(FormatRecord);
}

// Record codes of precompiled formats.
enum RecordCode : int32_t {
    rec_a = 1, rec_b = 2, rec_d = 3, rec_e = 4, rec_en = 5, rec_es = 6, rec_f = 7, rec_g = 8,
    rec_i = 9, rec_l = 10, rec_o = 11, rec_none = 12, rec_z = 13, rec_slash = 14, rec_p = 15,
    rec_string = 16, rec_bn = 17, rec_bz = 18, rec_colon = 19, rec_s = 20, rec_sp = 21,
    rec_ss = 22, rec_tl = 23, rec_tr = 24, rec_t = 25, rec_dollar = 26, rec_group_begin = 27,
    rec_group_end = 28, rec_end = 29,
};

// Compiles text[0..length) into byte code held in state.compiled_format (and format_code,
// format_code_length). Returns 0, or a format error number (10004, 10006-10012) without
// reporting it; on error nothing stays allocated.
int32_t compile_format(const char* text, int32_t length, TransferState& state);

// Statement begin of a formatted (not list-directed) READ or WRITE: takes the precompiled
// records when present (pres::precompiled_format; format_start then points at the 20-byte
// header), otherwise compiles the text at format_start. A format gathered from a character
// array (format_start == gathered_format) is taken over format_length as it stands; any other
// text starts after its leading digits (the FORMAT label) and ends at its first NUL or at
// format_length, whichever comes first. Resets the interpreter state and the scale factor.
// Returns 0 or the status of report_error.
int32_t begin_format(TransferState& state);

// Precompiled record code 12 (no descriptor) and unknown codes are reported as 10006.
// Fetches the next edit descriptor into code, with its operands in edit_width, edit_digits,
// edit_exponent (defaults for item_type applied; 0 at statement end) or scale_factor.
// Performs group repetition and, at the end of the format, the record advance of the
// statement's direction and reversion. Returns 0, or a statement status already reported
// (10015 group nesting, 10006 reversion without a data descriptor, record-advance errors).
int32_t next_edit_descriptor(int32_t item_type, TransferState& state, EditCode& code);

// True when, before the next data descriptor, the format still holds position or control
// descriptors (codes 13-27) to perform. Does not change the state.
bool pending_control(const TransferState& state);

// Where a walk to the next data descriptor stops. An output item stops at a data descriptor or
// the format's end; an input item also at Q, which takes an item on input; the trailing
// controls of a statement also at ":", and only run while a control is pending.
enum class DescriptorStop { output_item, input_item, trailing };
// Carries out a position or control descriptor for the statement's direction.
using ControlStep = int32_t (*)(TransferState& state, int32_t code);

// Fetches descriptors for an item of item_type, carrying out each position and control
// descriptor on the way with `perform`, until one where `stop` stops, which is left in code.
// Returns 0 or the status of the fetch or step that failed.
int32_t walk_to_data_descriptor(TransferState& state, int32_t item_type, DescriptorStop stop, ControlStep perform,
                                EditCode& code);

// The characters of the string descriptor just fetched; its length is state.edit_width.
inline const char* edit_text(const TransferState& state) {
    return reinterpret_cast<const char*>(state.format_code + state.repeat_item);
}

}  // namespace fio
