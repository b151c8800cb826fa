// Unformatted item transfer: items move as raw bytes, byte-swapped element by element on a
// big-endian connection. Records are framed by the record layer (record.h): padded to RECL on a
// direct-access unit, enclosed in 4-byte length markers on a sequential unit with markers; any
// other unformatted unit is a plain byte stream that items are written to and read from directly.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Item type of a whole derived-type value; it cannot be byte-swapped (10037).
constexpr int32_t item_structure = 17;

// One item of an unformatted WRITE: item_length x item_count bytes at item_address.
// Returns a statement status.
int32_t write_unformatted_item(TransferState& state);

// One item of an unformatted READ into item_address. Reading past the end of a framed record
// copies the bytes that remain and reports 10038; a byte stream that ends takes the
// end-of-file path. Returns a statement status.
int32_t read_unformatted_item(TransferState& state);

// The item step of an unformatted statement, by the statement kind (READ or WRITE).
int32_t transfer_unformatted_item(TransferState& state);

// Bytes per swapped element of an item on a big-endian unit; 1 when the type is not swapped.
int32_t swap_element_size(int32_t item_type, int32_t item_length);

// True when the unit's unformatted data is framed in records (direct access or length markers)
// rather than being a plain byte stream.
bool has_unformatted_records(const UnitBlock& unit);

}  // namespace fio
