// The process support library under the run-time: its own console callback table, the exit
// handler list, its buffered streams, and the exit that every way out of the process takes.
#pragma once

#include <cstdint>
#include <cstdio>

#include "libf/fio/file_layer.h"

namespace startup {

// The library's console callbacks: the run-time's defaults until the framework installs its own.
void installSupportCallbacks(const fio::ConsoleHooks& hooks);
const fio::ConsoleHooks& supportCallbacks();

// Exit handlers run last-registered first. The list grows in blocks of 128 entries; 0, or -1
// when no memory could be had.
using ExitHandler = void (*)();
constexpr int32_t kExitHandlerBlock = 128;
int32_t registerExitHandler(ExitHandler handler);
int32_t exitHandlerCount();
int32_t exitHandlerCapacity();

// Buffered streams: slots 0 to 2 are standard input, output and error; the others are opened
// by the program. Every open one is flushed at exit, and the program's ones closed.
constexpr int32_t kStreamSlots = 20;
// The slot of a newly opened stream, or -1 (no free slot, or the file cannot be opened).
int32_t openStream(const char* path, const char* mode);
std::FILE* stream(int32_t slot);
// Closes a stream the program opened; 0, or -1 for a standard or empty slot or a failed close.
int32_t closeStream(int32_t slot);

// Standard handles, argument list and start time, before anything else runs.
void prepareSupportLibrary(int argc, char** argv);

// Runs and removes the exit handlers, flushes and closes the streams, calls the library's exit
// callback with status, and ends the process with status & 0xFF.
[[noreturn]] void processExit(int32_t status);

}  // namespace startup
