// Data-transfer statement drivers: the entry points compiled code calls for READ, WRITE and
// INQUIRE(IOLENGTH=), their argument lists, the control-list set-up and the walk over array items.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Argument list of every driver (machine words, in order):
//   flags;
//   with driver_flag::begin: control_count (control words + 1), control_options, the words;
//   item_count, then the items, each introduced by its kind word:
//     item_kind::scalar     type word, address, and for CHARACTER the character length;
//     item_kind::array      address of the ArrayDescriptor, section (null for the whole array,
//                           else one entry per dimension: null for all of it, or the address of
//                           the int32 subscript that fixes it);
//     item_kind::structure  one address (refused with 10048).
namespace driver_flag {
enum : std::intptr_t { begin = 0x1, end = 0x2, whole = begin | end };
}  // namespace driver_flag

namespace item_kind {
enum : std::intptr_t { scalar = 1, array = 2, structure = 3 };
}  // namespace item_kind

// Bits of control_options. internal_scalar and format_text each take two words (address, then
// length) and so shift every later control word by one place.
namespace control_option {
enum : uint32_t {
    internal_scalar = 0x1,
    format_text = 0x2,
    internal_array = 0x4,  // unit word: address of the array's ArrayDescriptor
    format_array = 0x8,    // format word: address of the array's ArrayDescriptor
};
}  // namespace control_option

// Control words, numbered before the shifts; words beyond control_count - 1 are null.
namespace control_word {
enum : int {
    end_conditions = 1,  // address of an int32 of end_condition bits
    unit = 3,            // null for '*', the address of the int32 unit number, or an internal file
    iostat = 4,          // address of the int32 IOSTAT= variable
    rec = 5,             // address of the int32 REC= value
    format_record = 6,   // address of a precompiled format (20-byte header, then FormatRecords)
    format = 7,          // format text, NUL-terminated unless control_option says otherwise
    advance = 8,         // ADVANCE= text
    advance_length = 9,
    size = 10,           // address of the int32 SIZE= variable
    count = 11,
};
}  // namespace control_word

namespace end_condition {
enum : int32_t { err = 0x1, end = 0x2, eor = 0x4 };
}  // namespace end_condition

// The seven entry points. Each returns the statement status (0, 1 under ERR=/IOSTAT=, 2 END=,
// 3 EOR=); iolength returns the byte count from the call with the end flag, 0 from the others.
// A statement may be spread over several calls; once it has ended (end flag or a non-zero
// status) further calls without the begin flag only return the stored status.
int32_t formatted_write(const std::intptr_t* args);
int32_t formatted_read(const std::intptr_t* args);
int32_t unformatted_read(const std::intptr_t* args);
int32_t unformatted_write(const std::intptr_t* args);
int32_t namelist_read(const std::intptr_t* args);
int32_t namelist_write(const std::intptr_t* args);
int32_t iolength(const std::intptr_t* args);

// How a driver reads the absence of a format in its control list.
enum class ControlReading { formatted, unformatted, namelist };

// Fills the statement record from the control words (words[0 .. word_count)): presence bits,
// ERR=/END=/EOR=, unit, IOSTAT=, REC=, format, ADVANCE=, SIZE=. A character-array internal
// file or format that is not one contiguous run is gathered into state.gathered_internal or
// state.gathered_format. Returns 0 or the status of report_error (10004).
int32_t setup_transfer(TransferState& state, const std::intptr_t* words, int32_t word_count,
                       uint32_t control_options, ControlReading reading);

// Maps a type word (low byte the class, bits 15-23 the size in bytes) to item_type,
// item_length and item_count. Returns 0 or 10048 (not reported).
int32_t set_item_type(TransferState& state, uint32_t type_word, int32_t character_length);

// Item step of an unformatted statement (unformatted.h).
int32_t unformatted_item(TransferState& state);

// Namelist input or output of a group, run once per namelist statement between its begin and
// end steps. Namelist transfer is not provided: it reports 10048.
int32_t namelist_group(TransferState& state);

}  // namespace fio
