// OPEN and CLOSE: argument vectors, presence bits, the workers and a typed helper for C++ callers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "libf/fio/transfer_state.h"

namespace fio {

// Entries of the OPEN argument vector (machine words). A null entry means the specifier is
// absent; a text specifier takes two entries, the text address and then its length.
namespace open_arg {
enum : int {
    unit = 1,        // pointer to int32
    iostat = 2,      // pointer to int32
    err = 3,         // non-null when ERR= was given
    file = 4,
    status = 6,
    access = 8,
    form = 10,
    recl = 12,       // pointer to int32
    blank = 13,
    position = 15,
    action = 17,
    delim = 19,
    pad = 21,
    convert = 23,    // byte order
    blocksize = 25,  // pointer to int32
    carriage = 26,
    count = 28,
};
}  // namespace open_arg

// Entries of the CLOSE argument vector.
namespace close_arg {
enum : int { unit = 1, iostat = 2, err = 3, status = 4, count = 6 };
}  // namespace close_arg

// TransferState::present bits of OPEN and CLOSE.
namespace open_present {
enum : uint32_t {
    access = 0x1,
    action = 0x2,
    blank = 0x4,
    block = 0x8,          // block_var: record markers on (-1) or off (0)
    err = 0x40,
    file = 0x100,
    form = 0x400,
    iostat = 0x1000,
    position = 0x80000,
    recl = 0x200000,
    status = 0x1000000,
    unit = 0x4000000,
    read_only = 0x20000000,  // ACTION defaults to READ
    maxrec = 0x40000000,
    blocksize = 0x80000000,
};
}  // namespace open_present

// TransferState::options bits of OPEN and CLOSE.
namespace open_option {
enum : uint32_t {
    default_markers = 0x1,     // unformatted sequential files carry record markers
    recl_in_words = 0x2,       // RECL of unformatted files counts 4-byte words
    convert = 0x20,
    big_endian_default = 0x40,
    recl_any_access = 0x100,   // RECL= accepted on sequential files; set by both entry points
    pad = 0x200,
    delim = 0x400,
    carriage = 0x10000,
    open_entry = default_markers | recl_any_access,
    close_entry = recl_any_access,
};
}  // namespace open_option

// Entry points called by the compiled program. Return a statement status.
int32_t open_statement(const std::intptr_t* vector);
int32_t close_statement(const std::intptr_t* vector);

// The workers, on a TransferState filled by the entry points.
int32_t open_unit(TransferState& state);
int32_t close_unit(TransferState& state);

// Ends a unit's connection: the open record and buffered data are written, the file is closed
// (and deleted when asked or when the unit is a scratch or delete-at-close unit) and the unit is
// released. Returns a statement status (errors are reported).
int32_t disconnect_unit(TransferState& state, UnitBlock& unit, bool remove);

// Places an APPEND connection after the file's last record and sets record_number.
// Returns 0 or the unit's last_error.
int32_t count_existing_records(UnitBlock& unit);

// Typed helper: fio::open_connection({.unit = 1, .file = name, .status = "OLD", .iostat = &k}).
// A text field with a null data pointer (the default) is an absent specifier.
struct OpenArgs {
    int32_t unit = 0;
    std::string_view file{};
    std::string_view status{};
    std::string_view access{};
    std::string_view form{};
    std::optional<int32_t> recl{};
    std::string_view blank{};
    std::string_view position{};
    std::string_view action{};
    std::string_view delim{};
    std::string_view pad{};
    std::string_view convert{};
    std::optional<int32_t> blocksize{};
    std::string_view carriagecontrol{};
    int32_t* iostat = nullptr;
    bool err = false;
};

struct CloseArgs {
    int32_t unit = 0;
    std::string_view status{};
    int32_t* iostat = nullptr;
    bool err = false;
};

int32_t open_connection(const OpenArgs& args);
int32_t close_connection(const CloseArgs& args);

}  // namespace fio
