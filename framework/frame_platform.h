// The window-system operations the frame, save and print logic need; the Qt binding
// implements them.
#pragma once

#include <cstdint>
#include <string>

namespace fw {

// Message box styles and answers, numbered as the window system numbers them.
namespace mb {
constexpr uint32_t ok = 0x0;
constexpr uint32_t yesNoCancel = 0x3;
constexpr uint32_t iconWarning = 0x30;
constexpr uint32_t buttonMask = 0xF;
}  // namespace mb
namespace answer {
constexpr int32_t ok = 1;
constexpr int32_t cancel = 2;
constexpr int32_t yes = 6;
constexpr int32_t no = 7;
}  // namespace answer

// Every message box of the framework carries this caption.
constexpr const char* kCaption = "TAVO";

enum class ChildArrangement { cascade, tile, arrangeIcons };

struct FramePlatform {
    virtual ~FramePlatform() = default;

    // Modal message box; ownedByFrame false for the save writer's boxes, which have no owner.
    virtual int32_t messageBox(bool ownedByFrame, const char* text, const char* caption, uint32_t style) = 0;
    // The Save As dialog: true when the user confirmed a file; then fileName and fileTitle
    // hold the chosen path and its name without directory. The current fileName is offered.
    virtual bool runSaveAsDialog(std::string& fileName, std::string& fileTitle) = 0;
    virtual void setConsoleTitle(const std::string& title) = 0;
    virtual void printConsoleText() = 0;
    virtual void runAboutDialog() = 0;

    virtual bool isMenuItemChecked(int32_t command) = 0;
    // The console's Cut, Copy, Paste or Delete, as its Edit logic runs them (only while the
    // item is enabled); 1 for success, 0 for failure.
    virtual int32_t consoleEdit(int32_t command) = 0;

    virtual void arrangeChildren(ChildArrangement arrangement) = 0;
    // Hands a command the frame does not know to the active child window, if any.
    virtual void forwardToActiveChild(int32_t command) = 0;

    // Destroys the frame and its children; every waiting event loop then ends.
    virtual void destroyFrame() = 0;
    // The run-time's end_program(): closes all units and ends the process with status 0.
    virtual void endProgram() = 0;
};

}  // namespace fw
