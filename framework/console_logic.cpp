// The console window's behaviour: every window event, Edit command and console callback as
// plain logic over ConsoleText, reaching the window system only through Platform.
#include "framework/console_logic.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace fw {

namespace {

// Rows and lines -----------------------------------------------------------------------------

std::string_view rowText(const ConsoleView& view, int32_t row) { return lineText(*view.text, row + 1); }

int32_t rowLength(const ConsoleView& view, int32_t row) {
    return static_cast<int32_t>(rowText(view, row).size());
}

int32_t lastRowLength(const ConsoleView& view) {
    return static_cast<int32_t>(lastLine(*view.text).size());
}

int32_t cellX(const ConsoleView& view, int32_t column) { return (column - view.hScrollPos) * view.charWidth; }
int32_t rowY(const ConsoleView& view, int32_t row) { return (row - view.vScrollPos) * view.lineHeight; }

int32_t floorDiv(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

void placeCaret(ConsoleView& view) {
    view.platform->setCaretPos(cellX(view, view.caretColumn), rowY(view, view.caretRow));
}

// From `column` of `row` to the right edge of the window.
void invalidateRowFrom(ConsoleView& view, int32_t row, int32_t column) {
    int32_t y = rowY(view, row);
    view.platform->invalidateRect({cellX(view, column), y, view.visibleColumns * view.charWidth,
                                   y + view.lineHeight}, true);
}

// Selection ----------------------------------------------------------------------------------

bool selectionShown(const ConsoleView& view) {
    const Selection& s = view.selection;
    return s.active && s.line >= view.vScrollPos && s.line <= view.vScrollPos + view.visibleRows;
}

void invalidateHighlight(ConsoleView& view) {
    if (!selectionShown(view)) return;
    const Selection& s = view.selection;
    int32_t y = rowY(view, s.line);
    view.platform->invalidateRect({cellX(view, s.startColumn), y, cellX(view, s.endColumn),
                                   y + view.lineHeight}, true);
}

void showSelectionItems(ConsoleView& view) {
    for (int32_t id : {command::cut, command::copy, command::remove})
        view.platform->enableMenuItem(id, view.editItems.selection);
}

// Only a change reaches the menu: every output line cancels the selection.
void enableSelectionItems(ConsoleView& view, bool enabled) {
    if (view.editItems.selection == enabled) return;
    view.editItems.selection = enabled;
    showSelectionItems(view);
}

void cancelSelection(ConsoleView& view) {
    invalidateHighlight(view);
    view.selection.active = false;
    enableSelectionItems(view, false);
}

// The selected piece, limited to its line's current length.
std::string_view selectedText(const ConsoleView& view) {
    const Selection& s = view.selection;
    std::string_view line = rowText(view, s.line);
    int32_t length = static_cast<int32_t>(line.size());
    int32_t start = std::clamp(s.startColumn, 0, length);
    int32_t end = std::clamp(s.endColumn, start, length);
    return line.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

// Scrolling ----------------------------------------------------------------------------------

int32_t verticalStep(const ConsoleView& view, int32_t request, int32_t thumb) {
    switch (request) {
        case sb::lineUp: return -1;
        case sb::lineDown: return 1;
        case sb::pageUp: return -std::max(view.visibleRows, 1);
        case sb::pageDown: return std::max(view.visibleRows, 1);
        case sb::thumbTrack: return thumb - view.vScrollPos;
        case sb::top: return -view.vScrollPos;
        case sb::bottom: return view.vScrollMax - view.vScrollPos;
        default: return 0;
    }
}

int32_t horizontalStep(const ConsoleView& view, int32_t request, int32_t thumb) {
    switch (request) {
        case sb::lineLeft: return -1;
        case sb::lineRight: return 1;
        case sb::pageLeft: return -8;
        case sb::pageRight: return 8;
        case sb::thumbPosition: return thumb - view.hScrollPos;
        case sb::left: return -view.hScrollPos;
        default: return 0;
    }
}

// Keeps the caret's row in view when far more text lies below the window.
void keepEndInView(ConsoleView& view) {
    if (view.vScrollPos + view.visibleRows + 2 < view.text->lineCount) {
        refreshScrollBars(view);
        onVScroll(view, sb::bottom, 0);
    }
}

// Scrolls sideways just enough to show the caret's cell; nothing before the window has a size.
void keepCaretInView(ConsoleView& view) {
    if (view.visibleColumns <= 0) return;
    int32_t first = view.hScrollPos;
    if (view.caretColumn < first)
        first = view.caretColumn;
    else if (view.caretColumn >= first + view.visibleColumns)
        first = view.caretColumn - view.visibleColumns + 1;
    else
        return;
    onHScroll(view, sb::thumbPosition, first);
}

// The caret's new place, in view.
void caretMoved(ConsoleView& view) {
    keepCaretInView(view);
    placeCaret(view);
}

// Typing -------------------------------------------------------------------------------------

int32_t insertAction(ConsoleView& view) {
    if (view.caretOnNewRow || !insertBlank(*view.text, view.caretColumn)) return 0;
    view.text->longestLine = std::max(view.text->longestLine, lastRowLength(view));
    invalidateRowFrom(view, view.caretRow, view.caretColumn);
    return 1;
}

void deleteAction(ConsoleView& view) {
    if (view.caretOnNewRow) return;
    deleteCharacters(*view.text, view.text->lineCount, view.caretColumn, 1);
    invalidateRowFrom(view, view.caretRow, view.caretColumn);
}

// Moves the caret to column 0 below the last line; on the new row it first adds that line,
// empty. False when no line could be added.
bool endLine(ConsoleView& view) {
    if (view.caretOnNewRow) {
        keepEndInView(view);
        if (!appendEmptyLine(*view.text)) return false;  // out of memory: the row stays open
    }
    view.caretColumn = 0;
    ++view.caretRow;
    view.caretOnNewRow = true;
    keepCaretInView(view);
    if (view.text->lineCount + 2 > view.visibleRows) {
        refreshScrollBars(view);  // the new maximum first, so the step is clamped before the pixels move
        onVScroll(view, sb::lineDown, 0);
    }
    return true;
}

// A typed Enter: the line it ends is kept for the reads, whether or not one waits now.
void enter(ConsoleView& view) {
    if (!endLine(view)) return;
    view.enteredLines.emplace_back(lastLine(*view.text));
    view.readPending = false;
}

void drawTypedCharacter(ConsoleView& view, char character) {
    Platform& p = *view.platform;
    p.hideCaret();
    p.getDC();
    p.setTextColors(TextColors::normal);
    p.textOut(cellX(view, view.caretColumn), rowY(view, view.caretRow), &character, 1);
    p.showCaret();
    p.releaseDC();
}

void typeCharacter(ConsoleView& view, char character) {
    keepEndInView(view);
    if (view.caretOnNewRow) {
        if (!appendEmptyLine(*view.text)) return;
        view.caretOnNewRow = false;
        view.caretRow = view.text->lineCount - 1;
    }
    const int32_t longest = view.text->longestLine;
    if (!insertAction(view)) return;
    drawTypedCharacter(view, character);
    storeCharacter(*view.text, view.caretColumn, character);
    ++view.caretColumn;
    if (view.text->longestLine != longest) refreshScrollBars(view);
}

// Mouse --------------------------------------------------------------------------------------

struct Cell {
    int32_t row;
    int32_t column;
};

// Left of the window counts as column 0 of the first shown column; rows outside the text are
// not lines (callers check).
Cell cellAt(const ConsoleView& view, int32_t x, int32_t y) {
    return {view.vScrollPos + floorDiv(y, view.lineHeight), view.hScrollPos + std::max(x, 0) / view.charWidth};
}

bool isTextPosition(const ConsoleView& view, Cell cell) {
    return cell.row >= 0 && cell.row < view.text->lineCount && cell.column <= rowLength(view, cell.row);
}

void extendSelection(ConsoleView& view, Cell cell) {
    Selection& s = view.selection;
    if (s.active) {
        if (cell.row != s.line) return;
        if (cell.column < s.startColumn) {
            s.startColumn = cell.column;
        } else if (cell.column > s.endColumn) {
            s.endColumn = std::min(cell.column, rowLength(view, s.line));
        } else if (cell.column - s.startColumn < s.endColumn - cell.column) {
            s.startColumn = cell.column;
        } else {
            s.endColumn = cell.column;
        }
    } else if (isTextPosition(view, cell)) {
        s = {true, cell.row, cell.column, cell.column};
    }
}

}  // namespace

// Window events -------------------------------------------------------------------------------

void onCreate(ConsoleView& view) {
    view.platform->greySystemClose();
    FontMetrics metrics = view.platform->fixedFontMetrics();
    ConsoleView fresh;
    fresh.text = view.text;
    fresh.platform = view.platform;
    fresh.lineHeight = std::max(metrics.lineHeight, 1);
    fresh.charWidth = std::max(metrics.charWidth, 1);
    view = fresh;
    showSelectionItems(view);  // whatever the menu showed before, it follows the fresh state
    onClipboardChange(view);
}

void onSize(ConsoleView& view, int32_t width, int32_t height) {
    view.visibleRows = std::max(height, 0) / view.lineHeight;
    view.visibleColumns = std::max(width, 0) / view.charWidth;
    refreshScrollBars(view);
}

void onSetFocus(ConsoleView& view) {
    view.platform->createCaret(view.charWidth, view.lineHeight);
    placeCaret(view);
    view.platform->showCaret();
}

void onKillFocus(ConsoleView& view) {
    view.platform->hideCaret();
    view.platform->destroyCaret();
}

void onActivate(ConsoleView& view) { view.platform->setFocus(); }

void onPaint(ConsoleView& view) {
    Platform& p = *view.platform;
    Rect update = p.beginPaint();
    int32_t first = std::max(0, view.vScrollPos + update.top / view.lineHeight - 1);
    int32_t last = std::min(view.text->lineCount - 1, view.vScrollPos + update.bottom / view.lineHeight);
    p.setTextColors(TextColors::normal);
    for (int32_t row = first; row <= last; ++row) {
        std::string_view line = rowText(view, row);
        p.textOut(cellX(view, 0), rowY(view, row), line.data(), static_cast<int32_t>(line.size()));
    }
    p.setTextColors(TextColors::selected);
    if (selectionShown(view)) {
        std::string_view piece = selectedText(view);
        if (!piece.empty())
            p.textOut(cellX(view, view.selection.startColumn), rowY(view, view.selection.line), piece.data(),
                      static_cast<int32_t>(piece.size()));
    }
    placeCaret(view);
    p.showCaret();
    p.endPaint();
}

void onChar(ConsoleView& view, unsigned char character) {
    cancelSelection(view);
    switch (character) {
        case kBackspace:
            if (view.caretColumn > 0) {
                --view.caretColumn;
                deleteAction(view);
            }
            break;
        case kTab:
            do {
                int32_t before = view.caretColumn;
                onChar(view, ' ');
                if (view.caretColumn == before) break;  // the blank could not be stored
            } while (view.caretColumn % kTabWidth != 0);
            break;
        case kEnter:
            enter(view);
            break;
        default:
            typeCharacter(view, static_cast<char>(character));
            break;
    }
    caretMoved(view);
}

void onKeyDown(ConsoleView& view, int32_t key) {
    switch (key) {
        case vk::pageUp: onVScroll(view, sb::pageUp, 0); break;
        case vk::pageDown: onVScroll(view, sb::pageDown, 0); break;
        case vk::home: onVScroll(view, sb::top, 0); break;
        case vk::end: onVScroll(view, sb::bottom, 0); break;
        case vk::up: onVScroll(view, sb::lineUp, 0); break;
        case vk::down: onVScroll(view, sb::lineDown, 0); break;
        case vk::left:
            view.caretColumn = std::max(view.caretColumn - 1, 0);
            caretMoved(view);
            break;
        case vk::right:
            if (view.caretOnNewRow) break;
            view.caretColumn = std::min(view.caretColumn + 1, lastRowLength(view));
            caretMoved(view);
            break;
        case vk::insert:
            cancelSelection(view);
            insertAction(view);
            break;
        case vk::del:
            cancelSelection(view);
            deleteAction(view);
            break;
        default:
            break;
    }
}

void onVScroll(ConsoleView& view, int32_t request, int32_t thumb) {
    int32_t step = std::clamp(verticalStep(view, request, thumb), -view.vScrollPos, view.vScrollMax - view.vScrollPos);
    if (step == 0) return;
    view.vScrollPos += step;
    view.platform->scrollWindow(0, -step * view.lineHeight);
    view.platform->setScrollPos(ScrollBar::vertical, view.vScrollPos, true);
    placeCaret(view);
    view.platform->updateWindow();
}

void onHScroll(ConsoleView& view, int32_t request, int32_t thumb) {
    int32_t step = std::clamp(horizontalStep(view, request, thumb), -view.hScrollPos, view.hScrollMax - view.hScrollPos);
    if (step == 0) return;
    view.hScrollPos += step;
    view.platform->scrollWindow(-step * view.charWidth, 0);
    view.platform->setScrollPos(ScrollBar::horizontal, view.hScrollPos, true);
    placeCaret(view);
}

void onLButtonDown(ConsoleView& view, int32_t, int32_t) {
    cancelSelection(view);
    view.mouseSelecting = true;
}

void onMouseMove(ConsoleView& view, int32_t x, int32_t y, bool leftButtonHeld) {
    if (!leftButtonHeld || !view.mouseSelecting) return;
    invalidateHighlight(view);
    extendSelection(view, cellAt(view, x, y));
    invalidateHighlight(view);
}

void onLButtonUp(ConsoleView& view) {
    view.mouseSelecting = false;
    const Selection& s = view.selection;
    if (s.active && s.startColumn < s.endColumn)
        enableSelectionItems(view, true);
    else
        view.selection.active = false;
}

void onLButtonDblClk(ConsoleView& view, int32_t x, int32_t y) {
    Cell cell = cellAt(view, x, y);
    if (!isTextPosition(view, cell)) return;
    std::string_view line = rowText(view, cell.row);
    int32_t start = cell.column;
    while (start > 0 && line[static_cast<size_t>(start - 1)] != ' ') --start;
    int32_t end = cell.column;
    while (end < static_cast<int32_t>(line.size()) && line[static_cast<size_t>(end)] != ' ') ++end;
    invalidateHighlight(view);
    view.selection = {true, cell.row, start, end};
    invalidateHighlight(view);
    view.mouseSelecting = false;
}

// Output and scroll bars ----------------------------------------------------------------------

void appendOutputLine(ConsoleView& view, const char* text, int32_t length) {
    keepEndInView(view);
    view.text->longestLine = std::max(view.text->longestLine, length);
    if (length + 1 > view.visibleColumns) refreshScrollBars(view);
    if (!appendEmptyLine(*view.text)) return;
    view.caretOnNewRow = false;
    appendToLastLine(*view.text, text, length);
    // Characters typed while no read waited keep their own line; the caret moves to the output
    // line so that the Enter below leaves it on the row after it.
    view.caretRow = view.text->lineCount - 1;
    view.caretColumn = 0;
    int32_t y = rowY(view, view.caretRow);
    view.platform->invalidateRect({cellX(view, 0), y, length * view.charWidth, y + view.lineHeight}, true);
    cancelSelection(view);
    endLine(view);
    placeCaret(view);
}

void refreshScrollBars(ConsoleView& view) {
    Platform& p = *view.platform;
    view.vScrollMax = std::max(0, view.text->lineCount - view.visibleRows + 2);
    view.vScrollPos = std::min(view.vScrollPos, view.vScrollMax);
    p.setScrollRange(ScrollBar::vertical, 0, view.vScrollMax, false);
    p.setScrollPos(ScrollBar::vertical, view.vScrollPos, true);
    // One column after the longest line, for the caret at its end.
    view.hScrollMax = std::max(0, view.text->longestLine + 1 - view.visibleColumns);
    view.hScrollPos = std::min(view.hScrollPos, view.hScrollMax);
    p.setScrollRange(ScrollBar::horizontal, 0, view.hScrollMax, false);
    p.setScrollPos(ScrollBar::horizontal, view.hScrollPos, true);
}

// Edit commands -------------------------------------------------------------------------------

bool isEditItemEnabled(const ConsoleView& view, int32_t id) {
    switch (id) {
        case command::cut:
        case command::copy:
        case command::remove: return view.editItems.selection;
        case command::paste: return view.editItems.paste;
        default: return false;
    }
}

int32_t editCommand(ConsoleView& view, int32_t id) {
    if (!isEditItemEnabled(view, id)) return 0;
    switch (id) {
        case command::cut: return cutSelection(view);
        case command::copy: return copySelection(view);
        case command::paste: return pasteClipboard(view);
        case command::remove: return deleteSelection(view);
        default: return 0;
    }
}

void onClipboardChange(ConsoleView& view) {
    view.editItems.paste = view.platform->isClipboardTextAvailable();
    view.platform->enableMenuItem(command::paste, view.editItems.paste);
}

int32_t copySelection(ConsoleView& view) {
    if (!view.selection.active) return 0;
    Platform& p = *view.platform;
    if (!p.openClipboard()) return 0;
    p.emptyClipboard();
    std::string_view piece = selectedText(view);
    bool stored = p.setClipboardText(piece.data(), static_cast<int32_t>(piece.size()));
    p.closeClipboard();
    return stored ? 1 : 0;
}

int32_t cutSelection(ConsoleView& view) {
    if (!copySelection(view)) return 0;
    return deleteSelection(view);
}

int32_t deleteSelection(ConsoleView& view) {
    if (!view.selection.active) return 0;
    const Selection s = view.selection;
    int32_t removed = deleteCharacters(*view.text, s.line + 1, s.startColumn, s.endColumn - s.startColumn);
    if (!view.caretOnNewRow && s.line == view.caretRow && s.startColumn < view.caretColumn)
        view.caretColumn = s.endColumn < view.caretColumn ? view.caretColumn - removed : s.startColumn;
    invalidateRowFrom(view, s.line, s.startColumn);
    cancelSelection(view);
    caretMoved(view);
    return 1;
}

int32_t pasteClipboard(ConsoleView& view) {
    Platform& p = *view.platform;
    if (!p.isClipboardTextAvailable() || !p.openClipboard()) return 0;
    char pasted[kPasteLimit];
    const int32_t count = p.getClipboardText(pasted, kPasteLimit);
    p.closeClipboard();
    for (int32_t i = 0; i < count && pasted[i] != '\0'; ++i) {
        const char byte = pasted[i];
        if (byte == '\n' && i > 0 && pasted[i - 1] == '\r') continue;  // CR LF is one Enter
        onChar(view, byte == '\n' ? kEnter : static_cast<unsigned char>(byte));
    }
    return count >= 0 ? 1 : 0;
}

// Console callbacks ---------------------------------------------------------------------------

int32_t outputLineLength(const char* buffer, int32_t count) {
    if (count > 0 && buffer[count - 1] == '\n') --count;
    if (count > 0 && buffer[count - 1] == '\r') --count;
    return std::max(count, 0);
}

int32_t consoleWrite(ConsoleView& view, const char* buffer, const int32_t* count, int32_t) {
    appendOutputLine(view, buffer, outputLineLength(buffer, *count));
    view.platform->dispatchQueued();
    return *count;
}

namespace {

// At most capacity - 2 characters of the line, then CR LF, never more than capacity bytes.
int32_t readLineBytes(std::string_view line, char* buffer, int32_t capacity) {
    if (capacity <= 0) return 0;
    int32_t count = std::min(static_cast<int32_t>(line.size()), std::max(capacity - 2, 0));
    if (count > 0) std::memcpy(buffer, line.data(), static_cast<size_t>(count));
    for (char end : {'\r', '\n'})
        if (count < capacity) buffer[count++] = end;
    return count;
}

}  // namespace

int32_t consoleRead(ConsoleView& view, char* buffer, int32_t capacity) {
    if (view.enteredLines.empty()) {
        view.readPending = true;
        view.platform->runEventsWhile(view.readPending);
        view.readPending = false;
        if (view.enteredLines.empty()) return 0;  // the frame is gone: no line was ended, nothing to deliver
    }
    const std::string line = std::move(view.enteredLines.front());
    view.enteredLines.pop_front();
    return readLineBytes(line, buffer, capacity);
}

int32_t consolePoll(ConsoleView& view) {
    view.platform->dispatchQueued();
    return 0;
}

int32_t consoleExit(ConsoleView& view) {
    const bool untilFrameGone = true;
    view.platform->runEventsWhile(untilFrameGone);
    return 0;
}

}  // namespace fw
