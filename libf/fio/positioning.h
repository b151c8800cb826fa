// REWIND, BACKSPACE and ENDFILE: repositioning a sequential unit, and typed helpers for C++ callers.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// TransferState::present bits of the positioning statements.
namespace position_present {
enum : uint32_t { err = 0x40, iostat = 0x1000, unit = 0x4000000 };
}  // namespace position_present

// Entry points called by the compiled program: a pointer to the unit number, the IOSTAT=
// variable or null, and non-zero when ERR= was given. Each returns a statement status.
int32_t rewind_statement(const int32_t* unit, int32_t* iostat, int32_t err);
int32_t backspace_statement(const int32_t* unit, int32_t* iostat, int32_t err);
int32_t endfile_statement(const int32_t* unit, int32_t* iostat, int32_t err);

// The workers, on a TransferState filled by the entry points.
int32_t rewind_unit(TransferState& state);
int32_t backspace_unit(TransferState& state);
int32_t endfile_unit(TransferState& state);

// Loads the block before the one in the buffer (writing unwritten data first) and returns its
// byte count; at the first block it reloads that block and returns 0, the start of the file.
// Returns -1 when a file operation failed (last_error holds the code).
int32_t step_back_block(UnitBlock& unit);

// Typed helpers: fio::rewind_connection(1), fio::backspace_connection(2, &k).
inline int32_t rewind_connection(int32_t unit, int32_t* iostat = nullptr, bool err = false) {
    return rewind_statement(&unit, iostat, err ? 1 : 0);
}
inline int32_t backspace_connection(int32_t unit, int32_t* iostat = nullptr, bool err = false) {
    return backspace_statement(&unit, iostat, err ? 1 : 0);
}
inline int32_t endfile_connection(int32_t unit, int32_t* iostat = nullptr, bool err = false) {
    return endfile_statement(&unit, iostat, err ? 1 : 0);
}

}  // namespace fio
