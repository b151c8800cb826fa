// The console window's behaviour without a window system: caret, scrolling, keys, mouse
// selection, Edit commands, output lines and the lines read by the console callbacks.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "framework/console_text.h"
#include "framework/platform.h"
#include "framework/resources/menus.h"

namespace fw {

// Scroll requests, numbered as the scroll bars send them; horizontal names share the numbers.
namespace sb {
enum : int32_t {
    lineUp = 0, lineDown = 1, pageUp = 2, pageDown = 3,
    thumbPosition = 4, thumbTrack = 5, top = 6, bottom = 7,
    lineLeft = 0, lineRight = 1, pageLeft = 2, pageRight = 3, left = 6, right = 7,
};
}  // namespace sb

// Virtual key codes of the keys the console handles.
namespace vk {
enum : int32_t {
    pageUp = 0x21, pageDown = 0x22, end = 0x23, home = 0x24,
    left = 0x25, up = 0x26, right = 0x27, down = 0x28, insert = 0x2D, del = 0x2E,
};
}  // namespace vk

constexpr unsigned char kBackspace = 8;
constexpr unsigned char kTab = 9;
constexpr unsigned char kEnter = 13;
constexpr int32_t kTabWidth = 8;
constexpr int32_t kPasteLimit = 1024;

// A piece of one line: columns startColumn up to but excluding endColumn of line `line` (0-based).
struct Selection {
    bool active = false;
    int32_t line = 0;
    int32_t startColumn = 0;
    int32_t endColumn = 0;
};

// The Edit items' enabled states, kept here only; the frame's menu follows them through
// Platform::enableMenuItem. Undo is always greyed.
struct EditItems {
    bool selection = false;  // Cut, Copy and Delete: a finished, non-empty selection
    bool paste = false;      // the clipboard holds text
};

// The console window's view state. Rows and lines are 0-based indices here (line n of
// ConsoleText is row n - 1). Invariant: caretRow is the last line's row, or the row below
// it when caretOnNewRow.
struct ConsoleView {
    ConsoleText* text = nullptr;
    Platform* platform = nullptr;
    int32_t lineHeight = 1;
    int32_t charWidth = 1;
    int32_t visibleRows = 0;
    int32_t visibleColumns = 0;
    int32_t vScrollPos = 0;
    int32_t vScrollMax = 0;
    int32_t hScrollPos = 0;
    int32_t hScrollMax = 0;
    int32_t caretRow = 0;
    int32_t caretColumn = 0;
    bool caretOnNewRow = true;
    Selection selection;
    bool mouseSelecting = false;
    EditItems editItems;
    bool readPending = false;
    // Lines ended by Enter and not yet read, oldest first, as they were when Enter ended them.
    std::deque<std::string> enteredLines;
};

// Window events.
void onCreate(ConsoleView& view);  // text and platform must be set
void onSize(ConsoleView& view, int32_t width, int32_t height);
void onSetFocus(ConsoleView& view);
void onKillFocus(ConsoleView& view);
void onActivate(ConsoleView& view);
void onPaint(ConsoleView& view);
void onChar(ConsoleView& view, unsigned char character);
void onKeyDown(ConsoleView& view, int32_t key);
void onVScroll(ConsoleView& view, int32_t request, int32_t thumb);
void onHScroll(ConsoleView& view, int32_t request, int32_t thumb);
void onLButtonDown(ConsoleView& view, int32_t x, int32_t y);
void onMouseMove(ConsoleView& view, int32_t x, int32_t y, bool leftButtonHeld);
void onLButtonUp(ConsoleView& view);
void onLButtonDblClk(ConsoleView& view, int32_t x, int32_t y);

// One output record becomes one new line after the last; the caret then waits below it.
void appendOutputLine(ConsoleView& view, const char* text, int32_t length);
void refreshScrollBars(ConsoleView& view);

// Edit commands; 1 for success, 0 for failure.
// The one entry of the menu items and their keys: runs command::cut, copy, paste or remove
// only while its item is enabled.
int32_t editCommand(ConsoleView& view, int32_t command);
bool isEditItemEnabled(const ConsoleView& view, int32_t command);
// The clipboard's contents changed (or may have): Paste follows whether it holds text.
void onClipboardChange(ConsoleView& view);
int32_t copySelection(ConsoleView& view);
int32_t cutSelection(ConsoleView& view);
int32_t deleteSelection(ConsoleView& view);
// Types the clipboard's text; CR, LF and CR LF each end a line as one Enter. 1 when text was
// there to paste.
int32_t pasteClipboard(ConsoleView& view);

// Console callbacks (the I/O side).
// Length of a written block once a final LF, and then a final CR, are dropped.
int32_t outputLineLength(const char* buffer, int32_t count);
// Shows the block as one line, lets queued events run, and returns *count.
int32_t consoleWrite(ConsoleView& view, const char* buffer, const int32_t* count, int32_t selector);
// The oldest line entered and not yet read, waiting for the user to end one when there is
// none: at most capacity - 2 of its characters, then CR LF, never more than capacity bytes.
// 0 when the frame went away first.
int32_t consoleRead(ConsoleView& view, char* buffer, int32_t capacity);
int32_t consolePoll(ConsoleView& view);
// Keeps dispatching events until the frame is gone.
int32_t consoleExit(ConsoleView& view);

}  // namespace fw
