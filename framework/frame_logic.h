// The frame's decisions without a window system: the command table, the save question and
// the close of the application while the program runs or after it finished.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/console_text.h"
#include "framework/frame_platform.h"
#include "framework/resources/menus.h"

namespace fw {

constexpr const char* kSaveQuestion = "Save the Input/Output window?";

// A program-defined menu command: receives 1 when its item is checked, 0 otherwise.
using ProgramCommand = void (*)(int32_t* checked);
using TimerCallback = void (*)();
constexpr int32_t kProgramCommandSlots = command::lastProgram - command::firstProgram + 1;
constexpr int32_t kTimerSlots = 100;

struct TimerSlot {
    int32_t id = 0;
    TimerCallback callback = nullptr;
};

struct FrameState {
    bool closing = false;
    bool programFinished = false;
    std::string saveFileName;   // empty until a Save As is confirmed
    std::string saveFileTitle;
    int32_t nextProgramCommand = command::firstProgram;
    std::array<ProgramCommand, kProgramCommandSlots> programCommands{};
    std::array<TimerSlot, kTimerSlots> timers{};
};

// The framework's one instance.
FrameState& frameState();
// Start-up values: flags clear, no file chosen, no program commands or timers.
void resetFrameState(FrameState& state);

// What a frame command acts on.
struct FrameContext {
    FrameState& state;
    ConsoleText& text;
    FramePlatform& platform;
};

// Carries out one menu or accelerator command.
void frameCommand(FrameContext& frame, int32_t id);
// The timer event: true when a callback took it.
bool frameTimer(FrameState& state, int32_t timerId);

enum class SaveResult { saved, cancelled, failed };

// Save (500): to the chosen file, or as Save As when none was chosen yet.
SaveResult saveCommand(FrameContext& frame);
// Save As (501): the dialog, then the file; only once the file is written does it become the
// chosen file and the console's title.
SaveResult saveAsCommand(FrameContext& frame);

// The frame's close request: true when the window system should go on and destroy the frame
// (the exit step already runs), false when the close was handled here (carried out or
// cancelled).
bool frameCloseRequested(FrameContext& frame);
// The close sequence (also Exit): the save question unless saved, then the exit step. Returns
// false when the user cancelled or the save failed (its message was shown), so the text is
// not lost. While the program runs it does not return: the run-time ends the process.
bool closeApplication(FrameContext& frame);

// The frame's title: the executable's file name after the last '/', or all of the path.
std::string_view frameTitle(std::string_view executablePath);

// How the frame is first shown for a show state (10 is the default).
enum class FrameShow { normal, minimized, maximized };
FrameShow frameShowFor(int32_t showState);

}  // namespace fw
