// The process support library under the run-time: its own console callback table, the exit
// handler list, its buffered streams, and the exit that every way out of the process takes.
#pragma once

#include <cstdint>
#include <cstdio>

#include "libf/fio/file_layer.h"

namespace process {

// The library's console callbacks: the run-time's defaults until the framework installs its own.
void install_support_callbacks(const fio::ConsoleHooks& hooks);

// Exit handlers run last-registered first. The list grows in blocks of 128 entries; 0, or -1
// when no memory could be had.
using ExitHandler = void (*)();
constexpr int32_t exit_handler_block = 128;
int32_t register_exit_handler(ExitHandler handler);
int32_t exit_handler_count();
int32_t exit_handler_capacity();

// Buffered streams: slots 0 to 2 are standard input, output and error; the others are opened
// by the program. Every open one is flushed at exit, and the program's ones closed.
constexpr int32_t stream_slots = 20;
// The slot of a newly opened stream, or -1 (no free slot, or the file cannot be opened).
int32_t open_stream(const char* path, const char* mode);
std::FILE* stream(int32_t slot);
// Closes a stream the program opened; 0, or -1 for a standard or empty slot or a failed close.
int32_t close_stream(int32_t slot);

// Runs and removes the exit handlers, flushes and closes the streams, calls the library's exit
// callback with status, and ends the process with status & 0xFF.
[[noreturn]] void end_process(int32_t status);

}  // namespace process
