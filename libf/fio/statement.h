// Begin and end steps of a READ or WRITE statement: unit resolution and checks, format set-up,
// direct-access record selection, and non-advancing records kept on the unit between statements.
// Formatted and list-directed statements use them with the item steps of input_edit.h,
// output_edit.h and list-directed input; unformatted and namelist statements use the same steps.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Each returns a statement status: 0, the result of report_error (1 under ERR= or IOSTAT=),
// 2 from the END= path or 3 from the EOR= path. The state must be filled by the statement's
// entry point (present, options, unit and specifiers) before the begin step.
int32_t begin_read(TransferState& state);
int32_t end_read(TransferState& state);
int32_t begin_write(TransferState& state);
int32_t end_write(TransferState& state);

// A whole formatted WRITE whose record text is already made (`line`, with room for the two
// characters of the line end after its `length` characters), to the unit number at unit_spec:
// when that unit is connected to a sequential formatted file (not the console) and its buffer
// takes the record and its line end without a write to the file, nothing on the way can fail,
// and the record goes straight into the buffer with every effect the begin and end steps would
// have. Otherwise returns false, having done nothing.
bool write_record_directly(TransferState& state, std::intptr_t unit_spec, char* line, int32_t length);

}  // namespace fio
