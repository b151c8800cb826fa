// The "Input/Output" console window on Qt: draws the console text in fixed-pitch cells, hands
// keys, mouse and scroll bars to the console logic, and lends the logic the window system.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <functional>

#include "framework/console_logic.h"
#include "framework/platform.h"

class QMdiArea;
class QMdiSubWindow;
class QPainter;

namespace fw::qt {

constexpr const char* kConsoleTitle = "Input/Output";

class ConsoleWidget : public QAbstractScrollArea, public Platform {
public:
    // view.text must be set. The view outlives the widget: the console callbacks keep using it,
    // and once the widget is gone its platform is one that draws nothing and never waits.
    explicit ConsoleWidget(ConsoleView& view, QWidget* parent = nullptr);
    ~ConsoleWidget() override;

    ConsoleView& view() { return view_; }
    QSize cellSize() const { return {view_.charWidth, view_.lineHeight}; }

    // An Edit command (command::cut, copy, paste, remove) from the frame's menu or its key,
    // through the console's Edit logic; 1 when it was carried out.
    int32_t runEditCommand(int32_t command);
    // Told of every enabling or greying of an Edit item, so a frame's menu can follow the
    // console's states.
    std::function<void(int32_t command, bool enabled)> menuItemChanged;

    // Platform.
    Rect beginPaint() override;
    void endPaint() override;
    void getDC() override {}
    void releaseDC() override {}
    void setTextColors(TextColors colors) override { colors_ = colors; }
    void textOut(int32_t x, int32_t y, const char* text, int32_t length) override;
    FontMetrics fixedFontMetrics() override;
    void invalidateRect(const Rect& rect, bool erase) override;
    void updateWindow() override {}
    void scrollWindow(int32_t dx, int32_t dy) override;
    void setScrollRange(ScrollBar bar, int32_t minimum, int32_t maximum, bool redraw) override;
    void setScrollPos(ScrollBar bar, int32_t position, bool redraw) override;
    void createCaret(int32_t width, int32_t height) override;
    void showCaret() override;
    void hideCaret() override;
    void destroyCaret() override;
    void setCaretPos(int32_t x, int32_t y) override;
    void setFocus() override { QWidget::setFocus(); }
    void greySystemClose() override;
    void enableMenuItem(int32_t command, bool enabled) override;
    bool openClipboard() override;
    void emptyClipboard() override;
    void closeClipboard() override {}
    bool setClipboardText(const char* text, int32_t length) override;
    bool isClipboardTextAvailable() override;
    int32_t getClipboardText(char* buffer, int32_t capacity) override;
    bool runEventsWhile(const bool& condition) override;
    void dispatchQueued() override;

    // Applies the greyed Close to the MDI child holding the console (after it was added).
    void applyCloseGrey();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void drawCells(int32_t x, int32_t y, const char* text, int32_t length);
    QRect caretRect() const { return {caretPos_, caretSize_}; }
    bool caretVisible() const { return caretCreated_ && caretHideLevel_ == 0; }
    void scrollBarAction(Qt::Orientation orientation, int action);
    void syncScrollBars();
    bool editShortcut(const QKeyEvent& event);
    void forwardKey(const QKeyEvent& event);

    ConsoleView& view_;
    QFont font_;
    int32_t ascent_ = 0;
    TextColors colors_ = TextColors::normal;
    QPainter* painter_ = nullptr;  // set while a paint event runs
    QRect paintRect_;
    bool caretCreated_ = false;
    int caretHideLevel_ = 1;
    QPoint caretPos_;
    QSize caretSize_;
    bool closeGreyed_ = false;
    bool syncingBars_ = false;  // the logic is setting the bars: their signals are not requests
};

// Shows the console as the MDI child "Input/Output" of area at (15, 15), 600 by 300 pixels,
// without a Close of its own.
QMdiSubWindow* addConsoleWindow(QMdiArea& area, ConsoleWidget& console);

}  // namespace fw::qt
