// The progress of a run on standard error, only when standard error is a terminal: one line
// rewritten in place, taken away when the pairs are done and before any other console output.
#pragma once

#include <cstdint>
#include <functional>

#include "libf/fio/file_layer.h"

namespace startup {

// Routes hooks.write through the progress line and returns the pair loop's progress report for
// the run observer; returns an empty function, leaving hooks alone, when standard error is not
// a terminal.
std::function<void(int64_t done, int64_t total)> terminal_progress(fio::ConsoleHooks& hooks);

}  // namespace startup
