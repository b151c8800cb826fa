// The framework's start-up: console callbacks, text store, frame and console, then the program.
#pragma once

#include <cstdint>

namespace fw::qt {

class FrameWindow;

// Statuses of a framework that could not start.
constexpr int32_t kStartFailed = 0;      // no text store, a previous instance
constexpr int32_t kNoWindow = 6;         // the frame or the console cannot be created

// instance: the running executable's path (the frame's title is its file name);
// previousInstance: always null here; commandLine: not read; showState: how the frame is
// first shown (10 the default). Runs `program` and returns only when the framework could not
// start. A program that returns is ended as END does: units closed, status 0.
int32_t frameworkMain(const char* instance, const char* previousInstance, const char* commandLine, int32_t showState,
                      void (*program)());

// The frame while it exists, else null.
FrameWindow* frameWindow();

// True when a window-system connection can be expected (a display, or a platform chosen
// explicitly that needs none).
bool displayAvailable();

}  // namespace fw::qt
