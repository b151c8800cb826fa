// The unit list: resolving unit numbers, console pre-connection, implicit connection.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Resolves the statement's unit into state.current_unit (null when no unit exists).
// Returns 0 or an error number (not yet reported).
int32_t find_unit(TransferState& state);

// The unit connected under number, or null; read-only.
UnitBlock* connected_unit(const TransferState& state, int32_t number);

UnitBlock* create_console_unit(TransferState& state, int32_t number);
UnitBlock* new_unit(TransferState& state);
void release_unit(TransferState& state, UnitBlock* unit);

// Connects the statement's unit to "fort.N". Returns a statement status (reports errors).
int32_t implicit_open(TransferState& state);

// Returns 0 or 10004 (not yet reported).
int32_t ensure_record_buffers(TransferState& state);

// Where the last READ on a unit ended: the number of records read since the file's start (so
// the line number of its last record) and whether that record still held values no item took.
struct ReadPosition {
    int32_t record_number = 0;
    bool text_left = false;
};
// Read-only: creates, moves and reports nothing. False when no unit `number` is connected.
bool last_read_position(int32_t number, ReadPosition& position);

}  // namespace fio
