// Program end: closing every unit, STOP, the end of the program and the process exit.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Flushes, closes and releases every unit, then frees the record buffers. Idempotent.
void close_all_units(TransferState& state);
// True while close_all_units runs: errors met there are not reported again.
bool closing_all_units();
// A path that ends the process has begun: a later end_program() does nothing.
void begin_program_end();

[[noreturn]] void stop(const char* text, int32_t length, int32_t status = 0);
// The end of the main program: units closed, process ended with status 0, unless another
// path is ending it already.
void end_program();
// Calls the console exit callback, flushes the C streams and ends the process with code & 0xFF.
[[noreturn]] void exit_process(int32_t code);

}  // namespace fio
