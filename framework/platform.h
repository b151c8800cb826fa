// The window-system operations the console logic needs; the Qt binding implements them.
#pragma once

#include <cstdint>

namespace fw {

// Client-area rectangle in pixels, right and bottom excluded.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

enum class ScrollBar { horizontal, vertical };

// normal: the default colours on the window background; selected: white on blue.
enum class TextColors { normal, selected };

// Cell size of the fixed-pitch font: the text's whole geometry is in these cells.
struct FontMetrics {
    int32_t lineHeight = 1;
    int32_t charWidth = 1;
};

// One console window as the logic sees it. Every call is synchronous and acts on that window
// (or on the frame's menu for enableMenuItem); nothing here calls back into the logic except
// the two event-loop operations at the end.
struct Platform {
    virtual ~Platform() = default;

    // Drawing in the fixed font: textOut only between beginPaint/endPaint (a paint event) or
    // getDC/releaseDC (drawing a typed character at once).
    virtual Rect beginPaint() = 0;  // the update rectangle
    virtual void endPaint() = 0;
    virtual void getDC() = 0;
    virtual void releaseDC() = 0;
    virtual void setTextColors(TextColors colors) = 0;
    virtual void textOut(int32_t x, int32_t y, const char* text, int32_t length) = 0;
    virtual FontMetrics fixedFontMetrics() = 0;

    virtual void invalidateRect(const Rect& rect, bool erase) = 0;
    virtual void updateWindow() = 0;
    // Moves the client contents by (dx, dy) pixels; the exposed strip is repainted later.
    virtual void scrollWindow(int32_t dx, int32_t dy) = 0;
    virtual void setScrollRange(ScrollBar bar, int32_t minimum, int32_t maximum, bool redraw) = 0;
    virtual void setScrollPos(ScrollBar bar, int32_t position, bool redraw) = 0;

    virtual void createCaret(int32_t width, int32_t height) = 0;
    virtual void showCaret() = 0;
    virtual void hideCaret() = 0;
    virtual void destroyCaret() = 0;
    virtual void setCaretPos(int32_t x, int32_t y) = 0;
    virtual void setFocus() = 0;

    // Greys the Close item of the window's own system menu.
    virtual void greySystemClose() = 0;
    // Enables or greys a command of the frame's menu.
    virtual void enableMenuItem(int32_t command, bool enabled) = 0;

    // Clipboard, text only.
    virtual bool openClipboard() = 0;
    virtual void emptyClipboard() = 0;
    virtual void closeClipboard() = 0;
    // Hands a copy of the text to the open clipboard; false when no memory was obtained.
    virtual bool setClipboardText(const char* text, int32_t length) = 0;
    virtual bool isClipboardTextAvailable() = 0;
    // Copies the open clipboard's text up to its NUL, at most capacity bytes, into buffer;
    // returns the count, or -1 when the clipboard holds no text that can be read.
    virtual int32_t getClipboardText(char* buffer, int32_t capacity) = 0;

    // Dispatches window events while `condition` stays true; returns false when the loop ended
    // because the frame is gone (then it returns at once on every later call).
    virtual bool runEventsWhile(const bool& condition) = 0;
    // Dispatches the events already queued and returns.
    virtual void dispatchQueued() = 0;
};

}  // namespace fw
