// The four console callbacks that connect the run-time's console units to the console window.
#pragma once

#include "framework/console_logic.h"
#include "libf/fio/file_layer.h"

namespace fw {

// The console the callbacks serve. Without one (nullptr) they behave as the run-time's
// defaults: standard input and output, and nothing waits.
void setHookView(ConsoleView* view);

// read: waits in a nested event loop until Enter ends a line, then returns at most
// capacity - 2 of its characters and CR LF. write: one new console line per call, then lets
// queued events run. exit: keeps dispatching until the frame is closed. poll: lets queued
// events run. write and poll skip the dispatch when the last one was under 15 ms ago.
fio::ConsoleHooks consoleHooks();

}  // namespace fw
