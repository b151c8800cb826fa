// INQUIRE by unit or by file: the argument vector, its presence bits, the worker and a typed
// helper for C++ callers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "libf/fio/transfer_state.h"

namespace fio {

// Entries of the INQUIRE argument vector (machine words). A null entry means the specifier is
// absent; a text answer takes two entries, the variable's address and then its length; a
// logical answer is a 4-byte variable that receives 1 or 0.
namespace inquire_arg {
enum : int {
    unit = 1,         // pointer to int32
    file = 2,         // read only when UNIT is absent
    iostat = 4,
    err = 5,          // non-null when ERR= was given
    exist = 6,
    opened = 7,
    number = 8,
    named = 9,
    name = 10,
    access = 12,
    sequential = 14,
    direct = 16,
    form = 18,
    formatted = 20,
    unformatted = 22,
    recl = 24,
    nextrec = 25,
    blank = 26,
    position = 28,
    action = 30,
    read = 32,
    write = 34,
    readwrite = 36,
    delim = 38,
    pad = 40,
    blocksize = 42,
    carriage = 43,
    filesize = 45,
    count = 46,
};
}  // namespace inquire_arg

// TransferState::present bits of INQUIRE.
namespace inquire_present {
enum : uint32_t {
    access = 0x1,
    action = 0x2,
    blank = 0x4,
    direct = 0x10,
    err = 0x40,
    exist = 0x80,
    file = 0x100,
    form = 0x400,
    formatted = 0x800,
    iostat = 0x1000,
    name = 0x2000,
    named = 0x4000,
    nextrec = 0x8000,
    number = 0x20000,
    opened = 0x40000,
    position = 0x80000,
    recl = 0x200000,
    sequential = 0x400000,
    size = 0x800000,         // file size answered in size_var
    unformatted = 0x2000000,
    unit = 0x4000000,
    blocksize = 0x80000000,
};
}  // namespace inquire_present

// TransferState::options bits of INQUIRE.
namespace inquire_option {
enum : uint32_t {
    pad = 0x200,
    delim = 0x400,
    read = 0x800,
    write = 0x1000,
    readwrite = 0x2000,
    carriage = 0x10000,
    filesize = 0x20000,      // file size answered in filesize_var
};
}  // namespace inquire_option

// Entry point called by the compiled program. Returns a statement status.
int32_t inquire_statement(const std::intptr_t* vector);

// The worker, on a TransferState filled by the entry point.
int32_t inquire_unit(TransferState& state);

// Typed helper: fio::inquire_connection({.unit = 6, .number = &n}). A text answer is a character
// variable (an empty span is an absent specifier); FILE= is used when no unit is given.
struct InquireArgs {
    std::optional<int32_t> unit{};
    std::string_view file{};
    int32_t* iostat = nullptr;
    bool err = false;
    int32_t* exist = nullptr;
    int32_t* opened = nullptr;
    int32_t* number = nullptr;
    int32_t* named = nullptr;
    std::span<char> name{};
    std::span<char> access{};
    std::span<char> sequential{};
    std::span<char> direct{};
    std::span<char> form{};
    std::span<char> formatted{};
    std::span<char> unformatted{};
    int32_t* recl = nullptr;
    int32_t* nextrec = nullptr;
    std::span<char> blank{};
    std::span<char> position{};
    std::span<char> action{};
    std::span<char> read{};
    std::span<char> write{};
    std::span<char> readwrite{};
    std::span<char> delim{};
    std::span<char> pad{};
    int32_t* blocksize = nullptr;
    std::span<char> carriagecontrol{};
    int32_t* filesize = nullptr;
};

int32_t inquire_connection(const InquireArgs& args);

}  // namespace fio
