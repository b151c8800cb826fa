// The frame's command table, save question and close sequence.
#include "framework/frame_logic.h"

#include "framework/save_print.h"

namespace fw {

FrameState& frameState() {
    static FrameState state;
    return state;
}

void resetFrameState(FrameState& state) { state = FrameState{}; }

SaveResult saveAsCommand(FrameContext& frame) {
    FrameState& state = frame.state;
    std::string name = state.saveFileName;
    std::string title = state.saveFileTitle;
    if (!frame.platform.runSaveAsDialog(name, title)) return SaveResult::cancelled;
    if (writeConsoleText(frame.text, name, frame.platform) == 0) return SaveResult::failed;
    state.saveFileName = name;
    state.saveFileTitle = title;
    frame.platform.setConsoleTitle(title);
    return SaveResult::saved;
}

SaveResult saveCommand(FrameContext& frame) {
    if (frame.state.saveFileName.empty()) return saveAsCommand(frame);
    return writeConsoleText(frame.text, frame.state.saveFileName, frame.platform) != 0 ? SaveResult::saved
                                                                                       : SaveResult::failed;
}

namespace {

void programCommand(FrameContext& frame, int32_t id) {
    const ProgramCommand callback = frame.state.programCommands[static_cast<size_t>(id - command::firstProgram)];
    if (callback == nullptr) return;
    int32_t checked = frame.platform.isMenuItemChecked(id) ? 1 : 0;
    callback(&checked);
}

// Ends the application: the frame goes, and a program still running is ended by the run-time
// after it closed all units.
void exitStep(FrameContext& frame) {
    frame.state.closing = true;
    frame.platform.destroyFrame();
    if (!frame.state.programFinished) frame.platform.endProgram();
}

}  // namespace

bool closeApplication(FrameContext& frame) {
    if (!frame.text.textSaved) {
        const int32_t reply = frame.platform.messageBox(true, kSaveQuestion, kCaption, mb::yesNoCancel | mb::iconWarning);
        if (reply == answer::cancel) return false;
        // Yes saves as Save does; a cancelled Save As dialog closes without saving.
        if (reply == answer::yes && saveCommand(frame) == SaveResult::failed) return false;
    }
    exitStep(frame);
    return true;
}

bool frameCloseRequested(FrameContext& frame) {
    if (frame.state.closing) return true;
    closeApplication(frame);
    return false;
}

void frameCommand(FrameContext& frame, int32_t id) {
    switch (id) {
        case command::save: saveCommand(frame); return;
        case command::saveAs: saveAsCommand(frame); return;
        case command::print: frame.platform.printConsoleText(); return;
        case command::about: frame.platform.runAboutDialog(); return;
        case command::exit: closeApplication(frame); return;
        case command::cut:
        case command::copy:
        case command::paste:
        case command::remove: frame.platform.consoleEdit(id); return;
        case command::cascade: frame.platform.arrangeChildren(ChildArrangement::cascade); return;
        case command::tile: frame.platform.arrangeChildren(ChildArrangement::tile); return;
        case command::arrangeIcons: frame.platform.arrangeChildren(ChildArrangement::arrangeIcons); return;
        default: break;
    }
    if (id >= command::firstProgram && id < frame.state.nextProgramCommand && id <= command::lastProgram) {
        programCommand(frame, id);
        return;
    }
    frame.platform.forwardToActiveChild(id);
}

bool frameTimer(FrameState& state, int32_t timerId) {
    for (const TimerSlot& slot : state.timers) {
        if (slot.id == timerId && slot.callback != nullptr) {
            slot.callback();
            return true;
        }
    }
    return false;
}

std::string_view frameTitle(std::string_view executablePath) {
    const size_t slash = executablePath.rfind('/');
    return slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
}

FrameShow frameShowFor(int32_t showState) {
    switch (showState) {
        case 2:  // shown minimised
        case 6:  // minimise
        case 7:  // minimised without activation
        case 11: return FrameShow::minimized;
        case 3: return FrameShow::maximized;
        default: return FrameShow::normal;
    }
}

}  // namespace fw
