// List-directed input: scanning values out of the input records and converting them into items.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Start of a list-directed READ: no value is pending (value_repeat 0, no end-of-record comma
// mark, no complex part half done). Called by the READ begin step once the first record is in.
void begin_list_input(TransferState& state);

// Item step of a list-directed READ: every element of state.item_address (item_type,
// item_length, item_count set by the driver; a COMPLEX element comes as two parts of type
// 12-14). A null value leaves the element unchanged. Returns a statement status; does nothing
// once `terminated` is set.
int32_t read_list_item(TransferState& state);

// Scans the next value into state.work (and the imaginary part of a complex value into
// state.imaginary). An empty work (limit 0) is a null value. Returns a statement status.
int32_t scan_value(TransferState& state, int32_t item_type);

// End of a list-directed READ: the rest of the current record is discarded (kept when a
// non-advancing record is open, so the next statement continues it). Returns 0.
int32_t end_list_input(TransferState& state);

}  // namespace fio
