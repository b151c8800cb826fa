// Output editing: turning the items of a formatted or list-directed WRITE into characters.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// One item of a formatted or list-directed WRITE (every element at state.item_address, of
// state.item_type, item_length and item_count). Returns a statement status.
int32_t write_item(TransferState& state);

// Performs a position or control descriptor (code above 12) of a WRITE; also used by the end
// of the statement for the descriptors left in the format. Returns a statement status.
int32_t perform_output_control(TransferState& state, int32_t code);

}  // namespace fio
