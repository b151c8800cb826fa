// The console text model under a random sequence of output lines, typed characters, inserts,
// deletes, mouse selections and Edit commands, driven through the console logic and compared
// after every step with a plain model of the same lines and caret.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "framework/console_logic.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int32_t kLineHeight = 4;
constexpr int32_t kCharWidth = 2;

// A window system that only reads what it is handed, so a piece outside the text is caught.
struct QuietPlatform : fw::Platform {
    std::optional<std::string> clipboard;
    unsigned sink = 0;

    void touch(const char* t, int32_t n) {
        if (n < 0) std::abort();
        for (int32_t i = 0; i < n; ++i) sink += static_cast<unsigned char>(t[i]);
    }
    fw::Rect beginPaint() override { return {0, 0, 64, 64}; }
    void endPaint() override {}
    void getDC() override {}
    void releaseDC() override {}
    void setTextColors(fw::TextColors) override {}
    void textOut(int32_t, int32_t, const char* t, int32_t n) override { touch(t, n); }
    fw::FontMetrics fixedFontMetrics() override { return {kLineHeight, kCharWidth}; }
    void invalidateRect(const fw::Rect&, bool) override {}
    void updateWindow() override {}
    void scrollWindow(int32_t, int32_t) override {}
    void setScrollRange(fw::ScrollBar, int32_t, int32_t, bool) override {}
    void setScrollPos(fw::ScrollBar, int32_t, bool) override {}
    void createCaret(int32_t, int32_t) override {}
    void showCaret() override {}
    void hideCaret() override {}
    void destroyCaret() override {}
    void setCaretPos(int32_t, int32_t) override {}
    void setFocus() override {}
    void greySystemClose() override {}
    void enableMenuItem(int32_t, bool) override {}
    bool openClipboard() override { return true; }
    void emptyClipboard() override { clipboard.reset(); }
    void closeClipboard() override {}
    bool setClipboardText(const char* t, int32_t n) override {
        touch(t, n);
        clipboard = std::string(t, static_cast<std::size_t>(n));
        return true;
    }
    bool isClipboardTextAvailable() override { return clipboard.has_value(); }
    int32_t getClipboardText(char* buffer, int32_t capacity) override {
        if (!clipboard) return -1;
        const auto n = static_cast<int32_t>(std::min<std::size_t>(clipboard->size(), static_cast<std::size_t>(capacity)));
        std::memcpy(buffer, clipboard->data(), static_cast<std::size_t>(n));
        return n;
    }
    bool runEventsWhile(const bool&) override { return false; }
    void dispatchQueued() override {}
};

// The plain model: the lines, and the caret on the last line or on the row below it.
struct Model {
    std::vector<std::string> lines;
    int32_t column = 0;
    bool onNewRow = true;

    std::string& last() { return lines.back(); }
    void insertAt(char c) {
        if (onNewRow || column > static_cast<int32_t>(last().size())) return;
        last().insert(static_cast<std::size_t>(column), 1, c);
        ++column;
    }
    void type(unsigned char c) {
        switch (c) {
            case fw::kBackspace:
                if (column > 0) {
                    --column;
                    removeAtCaret();
                }
                break;
            case fw::kTab:
                do {
                    const int32_t before = column;
                    type(' ');
                    if (column == before) break;
                } while (column % fw::kTabWidth != 0);
                break;
            case fw::kEnter:
                if (onNewRow) lines.emplace_back();
                column = 0;
                onNewRow = true;
                break;
            default:
                if (onNewRow) {
                    lines.emplace_back();
                    onNewRow = false;
                }
                insertAt(static_cast<char>(c));
                break;
        }
    }
    void removeAtCaret() {
        if (onNewRow) return;
        erase(static_cast<int32_t>(lines.size()) - 1, column, 1);
    }
    int32_t erase(int32_t row, int32_t start, int32_t count) {
        if (row < 0 || row >= static_cast<int32_t>(lines.size())) return 0;
        std::string& line = lines[static_cast<std::size_t>(row)];
        const auto length = static_cast<int32_t>(line.size());
        if (start < 0 || start >= length || count <= 0) return 0;
        count = std::min(count, length - start);
        line.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
        return count;
    }
};

void compare(const fw::ConsoleView& view, const Model& model) {
    const fw::ConsoleText& text = *view.text;
    if (text.lineCount != static_cast<int32_t>(model.lines.size())) std::abort();
    for (int32_t n = 1; n <= text.lineCount; ++n) {
        if (text.lineBounds[n] < text.lineBounds[n - 1] || text.lineBounds[n] > text.storeCapacity) std::abort();
        if (fw::lineText(text, n) != model.lines[static_cast<std::size_t>(n - 1)]) std::abort();
    }
    if (view.caretOnNewRow != model.onNewRow || view.caretColumn != model.column) std::abort();
    const int32_t row = text.lineCount - (model.onNewRow ? 0 : 1);
    if (text.lineCount > 0 && view.caretRow != row) std::abort();
    if (!model.onNewRow && model.column > static_cast<int32_t>(model.lines.back().size())) std::abort();
    if (view.selection.active && (view.selection.line < 0 || view.selection.line >= text.lineCount)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 2048) return 0;
    fuzz::Reader in{data, size};
    fw::ConsoleText text;
    QuietPlatform platform;
    if (!fw::allocateConsoleText(text)) return 0;
    fw::ConsoleView view;
    view.text = &text;
    view.platform = &platform;
    fw::onCreate(view);
    fw::onSize(view, in.byte(), in.byte());
    Model model;
    while (!in.empty()) {
        const uint8_t op = in.byte();
        switch (op % 17) {
            case 0: {  // an output line
                const std::string_view line = in.until(0);
                fw::appendOutputLine(view, line.data(), static_cast<int32_t>(line.size()));
                model.lines.emplace_back(line);
                model.onNewRow = true;
                model.column = 0;
                break;
            }
            case 1: case 2: case 3: case 4: {  // typed characters
                const uint8_t c = in.byte();
                fw::onChar(view, c);
                model.type(c);
                break;
            }
            case 5: fw::onChar(view, fw::kBackspace); model.type(fw::kBackspace); break;
            case 6: fw::onChar(view, fw::kTab); model.type(fw::kTab); break;
            case 7: fw::onChar(view, fw::kEnter); model.type(fw::kEnter); break;
            case 8:
                if (op & 0x80) {
                    fw::onKeyDown(view, fw::vk::left);
                    model.column = std::max(model.column - 1, 0);
                } else {
                    fw::onKeyDown(view, fw::vk::right);
                    if (!model.onNewRow)
                        model.column = std::min(model.column + 1, static_cast<int32_t>(model.last().size()));
                }
                break;
            case 9:  // Insert: a blank at the caret, the caret stays
                fw::onKeyDown(view, fw::vk::insert);
                if (!model.onNewRow && model.column <= static_cast<int32_t>(model.last().size()))
                    model.last().insert(static_cast<std::size_t>(model.column), 1, ' ');
                break;
            case 10: fw::onKeyDown(view, fw::vk::del); model.removeAtCaret(); break;
            case 11: {  // scrolling
                static constexpr int32_t keys[] = {fw::vk::pageUp, fw::vk::pageDown, fw::vk::home,
                                                   fw::vk::end, fw::vk::up, fw::vk::down};
                fw::onKeyDown(view, keys[in.byte() % 6]);
                fw::onHScroll(view, in.byte() % 8, static_cast<int8_t>(in.byte()));
                fw::onVScroll(view, in.byte() % 8, static_cast<int8_t>(in.byte()));
                fw::onPaint(view);
                break;
            }
            case 12: {  // a mouse drag
                fw::onLButtonDown(view, 0, 0);
                const int moves = in.byte() % 4 + 1;
                for (int i = 0; i < moves; ++i)
                    fw::onMouseMove(view, static_cast<int8_t>(in.byte()), static_cast<int8_t>(in.byte()), true);
                fw::onLButtonUp(view);
                fw::onPaint(view);
                break;
            }
            case 13:
                fw::onLButtonDblClk(view, static_cast<int8_t>(in.byte()), static_cast<int8_t>(in.byte()));
                fw::onPaint(view);
                break;
            case 14: {  // Copy, Cut or Delete of the selection
                const fw::Selection s = view.selection;
                const int which = in.byte() % 3;
                if (which == 0) {
                    fw::copySelection(view);
                    break;
                }
                const int32_t done = which == 1 ? fw::cutSelection(view) : fw::deleteSelection(view);
                if (done && s.active) {
                    const int32_t removed = model.erase(s.line, s.startColumn, s.endColumn - s.startColumn);
                    const int32_t caretRow = static_cast<int32_t>(model.lines.size()) - 1;
                    if (!model.onNewRow && s.line == caretRow && s.startColumn < model.column)
                        model.column = s.endColumn < model.column ? model.column - removed : s.startColumn;
                }
                break;
            }
            case 15: {  // Paste: typed one character at a time, up to a NUL or the paste limit
                platform.clipboard = std::string(in.until(0xFF));
                fw::pasteClipboard(view);
                const std::string& pasted = *platform.clipboard;
                for (std::size_t i = 0; i < pasted.size() && i < fw::kPasteLimit && pasted[i] != '\0'; ++i)
                    model.type(static_cast<unsigned char>(pasted[i]));
                break;
            }
            case 16: {  // a deletion anywhere in the text
                const int32_t n = in.byte() % 8;
                const int32_t column = static_cast<int8_t>(in.byte());
                const int32_t count = static_cast<int8_t>(in.byte());
                const int32_t removed = fw::deleteCharacters(text, n, column, count);
                if (removed != model.erase(n - 1, column, count)) std::abort();
                if (!model.onNewRow && n == static_cast<int32_t>(model.lines.size()))
                    model.column = std::min(model.column, static_cast<int32_t>(model.last().size()));
                view.caretColumn = std::min(view.caretColumn, fw::lineLength(text, text.lineCount));
                break;
            }
        }
        compare(view, model);
    }
    fw::releaseConsoleText(text);
    return 0;
}
