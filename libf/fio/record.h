// The statement's record buffer: appending output, ending output records, reading input records.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Each returns 0 or 10004 when the buffer cannot grow; the caller reports it.
int32_t append_chars(RecordBuffer& record, const char* text, int32_t n);
int32_t append_repeated(RecordBuffer& record, char ch, int32_t n);
int32_t fill_to_position(RecordBuffer& record);
// Room for n more bytes at position (same growth as append_chars); the columns between limit
// and position are blanked, so the caller may write up to n bytes at data + position.
int32_t reserve_record(RecordBuffer& record, int32_t n);

// Finish the current output record and hand it to the unit. Returns a statement status.
int32_t end_output_record(TransferState& state);
// Writes the record's limit characters to the unit as they stand (no terminator added; carriage
// control, direct-access padding, internal-file elements applied) and empties the record.
int32_t write_output_record(TransferState& state);
// Read the next input record into state.record. Returns a statement status (2 at END=).
int32_t next_input_record(TransferState& state);
// A non-advancing WRITE left its record open on `unit`: write it out with its record end (used
// when the unit is closed or repositioned). Errors go through report_error with the running
// statement's IOSTAT=/ERR=.
int32_t end_open_output_record(TransferState& state, UnitBlock& unit);
// List-directed: end the record at start and carry the rest into a new record after one blank.
int32_t wrap_output_item(TransferState& state, int32_t start);

}  // namespace fio
