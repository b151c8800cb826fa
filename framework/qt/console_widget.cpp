// The console window on Qt. Every window event becomes a call into the console logic; the logic
// reaches back only through the Platform operations below.
#include "framework/qt/console_widget.h"

#include <QAbstractSlider>
#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

#include "framework/qt/event_loops.h"

namespace fw::qt {

namespace {

const QColor kTextColor(0, 0, 0);
const QColor kBackground(255, 255, 255);
const QColor kSelectedText(255, 255, 255);
const QColor kSelectedBackground(0, 0, 255);
constexpr int kWheelLines = 3;

// The platform of a view whose window is gone: draws nothing and never waits, so the console
// callbacks stay safe to call until the process ends.
struct DetachedPlatform final : Platform {
    Rect beginPaint() override { return {}; }
    void endPaint() override {}
    void getDC() override {}
    void releaseDC() override {}
    void setTextColors(TextColors) override {}
    void textOut(int32_t, int32_t, const char*, int32_t) override {}
    FontMetrics fixedFontMetrics() override { return {}; }
    void invalidateRect(const Rect&, bool) override {}
    void updateWindow() override {}
    void scrollWindow(int32_t, int32_t) override {}
    void setScrollRange(ScrollBar, int32_t, int32_t, bool) override {}
    void setScrollPos(ScrollBar, int32_t, bool) override {}
    void createCaret(int32_t, int32_t) override {}
    void showCaret() override {}
    void hideCaret() override {}
    void destroyCaret() override {}
    void setCaretPos(int32_t, int32_t) override {}
    void setFocus() override {}
    void greySystemClose() override {}
    void enableMenuItem(int32_t, bool) override {}
    bool openClipboard() override { return false; }
    void emptyClipboard() override {}
    void closeClipboard() override {}
    bool setClipboardText(const char*, int32_t) override { return false; }
    bool isClipboardTextAvailable() override { return false; }
    int32_t getClipboardText(char*, int32_t) override { return -1; }
    bool runEventsWhile(const bool&) override { return false; }
    void dispatchQueued() override {}
};

DetachedPlatform g_detached;

// Bytes with a glyph of their own in Latin-1; the rest are drawn as an empty box.
bool hasGlyph(unsigned char byte) { return byte >= 0x20 && byte != 0x7F && (byte < 0x80 || byte >= 0xA0); }

int32_t requestForAction(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub: return sb::lineUp;
        case QAbstractSlider::SliderSingleStepAdd: return sb::lineDown;
        case QAbstractSlider::SliderPageStepSub: return sb::pageUp;
        case QAbstractSlider::SliderPageStepAdd: return sb::pageDown;
        case QAbstractSlider::SliderToMinimum: return sb::top;
        case QAbstractSlider::SliderToMaximum: return sb::bottom;
        default: return -1;  // thumb drags arrive through sliderMoved / sliderReleased
    }
}

int32_t virtualKey(int key) {
    switch (key) {
        case Qt::Key_PageUp: return vk::pageUp;
        case Qt::Key_PageDown: return vk::pageDown;
        case Qt::Key_End: return vk::end;
        case Qt::Key_Home: return vk::home;
        case Qt::Key_Left: return vk::left;
        case Qt::Key_Up: return vk::up;
        case Qt::Key_Right: return vk::right;
        case Qt::Key_Down: return vk::down;
        case Qt::Key_Insert: return vk::insert;
        case Qt::Key_Delete: return vk::del;
        default: return 0;
    }
}

int characterKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return kEnter;
        case Qt::Key_Backspace: return kBackspace;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return kTab;
        default: return -1;
    }
}

}  // namespace

ConsoleWidget::ConsoleWidget(ConsoleView& view, QWidget* parent)
    : QAbstractScrollArea(parent), view_(view), font_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
    ascent_ = QFontMetrics(font_).ascent();
    setWindowTitle(kConsoleTitle);
    setFocusPolicy(Qt::StrongFocus);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, kBackground);
    palette.setColor(QPalette::Text, kTextColor);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);

    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    connect(vertical, &QAbstractSlider::actionTriggered, this,
            [this](int action) { scrollBarAction(Qt::Vertical, action); });
    connect(horizontal, &QAbstractSlider::actionTriggered, this,
            [this](int action) { scrollBarAction(Qt::Horizontal, action); });
    // The vertical view follows the thumb while it moves, the horizontal one when it is let go.
    connect(vertical, &QAbstractSlider::sliderMoved, this, [this](int position) {
        if (syncingBars_) return;
        onVScroll(view_, sb::thumbTrack, position);
        syncScrollBars();
    });
    connect(horizontal, &QAbstractSlider::sliderReleased, this, [this] {
        if (syncingBars_) return;
        onHScroll(view_, sb::thumbPosition, horizontalScrollBar()->sliderPosition());
        syncScrollBars();
    });

    view_.platform = this;
    onCreate(view_);
    // Paste follows the system clipboard, whichever program filled it.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { onClipboardChange(view_); });
}

ConsoleWidget::~ConsoleWidget() {
    view_.platform = &g_detached;
    // The console lives as long as its frame: nothing may wait for it any more.
    markFrameGone();
}

// Edit commands -------------------------------------------------------------------------------

int32_t ConsoleWidget::runEditCommand(int32_t command) {
    const int32_t done = editCommand(view_, command);
    checkEventLoops();  // a pasted line end may have ended a read
    return done;
}

void ConsoleWidget::enableMenuItem(int32_t command, bool enabled) {
    if (menuItemChanged) menuItemChanged(command, enabled);
}

// Drawing -------------------------------------------------------------------------------------

void ConsoleWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setFont(font_);
    painter_ = &painter;
    paintRect_ = event->rect();
    onPaint(view_);
    painter_ = nullptr;
}

Rect ConsoleWidget::beginPaint() {
    return {paintRect_.left(), paintRect_.top(), paintRect_.right() + 1, paintRect_.bottom() + 1};
}

void ConsoleWidget::endPaint() {
    if (painter_ == nullptr || !caretVisible()) return;
    // A solid block that inverts the cell under it.
    painter_->save();
    painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter_->fillRect(caretRect(), Qt::white);
    painter_->restore();
}

void ConsoleWidget::textOut(int32_t x, int32_t y, const char* text, int32_t length) {
    if (painter_ != nullptr) {
        drawCells(x, y, text, length);
    } else if (length > 0) {
        // Outside a paint event Qt cannot draw at once: the cells are repainted from the text,
        // which holds the character by then.
        viewport()->update(x, y, length * view_.charWidth, view_.lineHeight);
    }
}

// One cell per byte, whatever the font's own advance, so text and caret stay on the grid.
void ConsoleWidget::drawCells(int32_t x, int32_t y, const char* text, int32_t length) {
    const int32_t width = view_.charWidth;
    const int32_t height = view_.lineHeight;
    const int32_t first = x < 0 ? std::min(length, -x / width) : 0;
    const int32_t end = std::min(length, (viewport()->width() - x + width - 1) / width);
    if (first >= end) return;
    const bool selected = colors_ == TextColors::selected;
    painter_->fillRect(x + first * width, y, (end - first) * width, height,
                       selected ? kSelectedBackground : kBackground);
    painter_->setPen(selected ? kSelectedText : kTextColor);
    for (int32_t i = first; i < end; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const int32_t cellX = x + i * width;
        if (hasGlyph(byte))
            painter_->drawText(QPoint(cellX, y + ascent_), QString(QChar::fromLatin1(static_cast<char>(byte))));
        else
            painter_->drawRect(cellX + 1, y + 2, std::max(width - 3, 1), std::max(height - 5, 1));
    }
}

FontMetrics ConsoleWidget::fixedFontMetrics() {
    QFontMetrics metrics(font_);
    return {metrics.height(), metrics.horizontalAdvance(QLatin1Char('0'))};
}

void ConsoleWidget::invalidateRect(const Rect& rect, bool) {
    // Qt erases every repainted area to the background anyway.
    if (rect.right > rect.left && rect.bottom > rect.top)
        viewport()->update(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void ConsoleWidget::scrollWindow(int32_t dx, int32_t dy) {
    viewport()->scroll(dx, dy);
    // The caret's inverted cell moved with the pixels: repaint where it went and where it is.
    if (caretVisible()) {
        viewport()->update(caretRect().translated(dx, dy));
        viewport()->update(caretRect());
    }
}

// Scroll bars ---------------------------------------------------------------------------------

void ConsoleWidget::setScrollRange(ScrollBar bar, int32_t minimum, int32_t maximum, bool) {
    // Not QSignalBlocker: the scroll area shows or hides a bar on its rangeChanged signal.
    syncingBars_ = true;
    if (bar == ScrollBar::vertical) {
        verticalScrollBar()->setRange(minimum, maximum);
        verticalScrollBar()->setPageStep(std::max(view_.visibleRows, 1));
    } else {
        horizontalScrollBar()->setRange(minimum, maximum);
        horizontalScrollBar()->setPageStep(std::max(view_.visibleColumns, 1));
    }
    syncingBars_ = false;
}

void ConsoleWidget::setScrollPos(ScrollBar bar, int32_t position, bool) {
    syncingBars_ = true;
    (bar == ScrollBar::vertical ? verticalScrollBar() : horizontalScrollBar())->setValue(position);
    syncingBars_ = false;
}

void ConsoleWidget::scrollBarAction(Qt::Orientation orientation, int action) {
    const int32_t request = requestForAction(action);
    if (syncingBars_ || request < 0) return;
    if (orientation == Qt::Vertical)
        onVScroll(view_, request, 0);
    else
        onHScroll(view_, request, 0);
    syncScrollBars();
}

// The bars show the logic's positions, also after a request the logic refused.
void ConsoleWidget::syncScrollBars() {
    setScrollPos(ScrollBar::vertical, view_.vScrollPos, true);
    setScrollPos(ScrollBar::horizontal, view_.hScrollPos, true);
}

// The logic moves the pixels itself (scrollWindow); the area must not move them again.
void ConsoleWidget::scrollContentsBy(int, int) {}

void ConsoleWidget::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    for (int i = 0; i < std::abs(notches) * kWheelLines; ++i) onVScroll(view_, notches > 0 ? sb::lineUp : sb::lineDown, 0);
    event->accept();
}

// Caret ---------------------------------------------------------------------------------------

void ConsoleWidget::createCaret(int32_t width, int32_t height) {
    if (caretVisible()) viewport()->update(caretRect());
    caretCreated_ = true;
    caretHideLevel_ = 1;  // a new caret starts hidden
    caretSize_ = QSize(width, height);
}

void ConsoleWidget::showCaret() {
    if (!caretCreated_ || caretHideLevel_ == 0) return;
    if (--caretHideLevel_ == 0) viewport()->update(caretRect());
}

void ConsoleWidget::hideCaret() {
    if (!caretCreated_) return;
    if (caretHideLevel_++ == 0) viewport()->update(caretRect());
}

void ConsoleWidget::destroyCaret() {
    if (caretVisible()) viewport()->update(caretRect());
    caretCreated_ = false;
}

void ConsoleWidget::setCaretPos(int32_t x, int32_t y) {
    if (caretPos_ == QPoint(x, y)) return;  // painting places the caret too: no repaint loop
    if (caretVisible()) viewport()->update(caretRect());
    caretPos_ = QPoint(x, y);
    if (caretVisible()) viewport()->update(caretRect());
}

// Window and focus ----------------------------------------------------------------------------

void ConsoleWidget::greySystemClose() {
    closeGreyed_ = true;
    applyCloseGrey();
}

void ConsoleWidget::applyCloseGrey() {
    auto* child = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!closeGreyed_ || child == nullptr) return;
    // Qt's styles draw the title bar's close button wherever there is a system menu hint, and
    // cannot show it greyed: without the hint the title bar has no close button at all.
    child->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
    if (QMenu* menu = child->systemMenu()) {
        const QString close = QCoreApplication::translate("QMdiSubWindow", "&Close");
        for (QAction* action : menu->actions())
            if (action->text() == close) action->setEnabled(false);
    }
    child->removeEventFilter(this);
    child->installEventFilter(this);
}

bool ConsoleWidget::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl+F4 and any other way of closing the console alone are refused.
    if (closeGreyed_ && watched == parentWidget() && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// Tab is a character here, not focus navigation.
bool ConsoleWidget::focusNextPrevChild(bool) { return false; }

void ConsoleWidget::resizeEvent(QResizeEvent* event) { onSize(view_, event->size().width(), event->size().height()); }

void ConsoleWidget::focusInEvent(QFocusEvent*) { onSetFocus(view_); }

void ConsoleWidget::focusOutEvent(QFocusEvent*) { onKillFocus(view_); }

// Keys and mouse ------------------------------------------------------------------------------

void ConsoleWidget::keyPressEvent(QKeyEvent* event) {
    // Alt chords belong to the menu bar (its mnemonics) and are never typed; passed on unused.
    if ((event->modifiers() & Qt::AltModifier) != 0) {
        event->ignore();
        return;
    }
    if (!editShortcut(*event)) forwardKey(*event);
    event->accept();
    checkEventLoops();
}

// Ctrl+Z, X, C and V are the Edit accelerators: consumed even while their items are greyed.
bool ConsoleWidget::editShortcut(const QKeyEvent& event) {
    if ((event.modifiers() & Qt::ControlModifier) == 0 || (event.modifiers() & Qt::AltModifier) != 0) return false;
    switch (event.key()) {
        case Qt::Key_Z: runEditCommand(command::undo); return true;
        case Qt::Key_X: runEditCommand(command::cut); return true;
        case Qt::Key_C: runEditCommand(command::copy); return true;
        case Qt::Key_V: runEditCommand(command::paste); return true;
        default: return false;
    }
}

void ConsoleWidget::forwardKey(const QKeyEvent& event) {
    // Navigation and editing keys go to the key handler only; their text (Delete's is 0x7F) is
    // not typed.
    if (int32_t key = virtualKey(event.key())) {
        onKeyDown(view_, key);
        return;
    }
    if (int character = characterKey(event.key()); character >= 0) {
        onChar(view_, static_cast<unsigned char>(character));
        return;
    }
    // Text is single-byte: a character outside Latin-1 arrives as '?'. Keys whose text is a
    // control character (Escape, Ctrl with a letter) type nothing.
    const QByteArray bytes = event.text().toLatin1();
    for (char byte : bytes)
        if (hasGlyph(static_cast<unsigned char>(byte))) onChar(view_, static_cast<unsigned char>(byte));
}

void ConsoleWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    onLButtonDown(view_, at.x(), at.y());
}

void ConsoleWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    onMouseMove(view_, at.x(), at.y(), (event->buttons() & Qt::LeftButton) != 0);
}

void ConsoleWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) onLButtonUp(view_);
}

// Only the double-click logic: the press of the second click selects nothing anew.
void ConsoleWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    onLButtonDblClk(view_, at.x(), at.y());
}

// Clipboard: Latin-1 text ---------------------------------------------------------------------

bool ConsoleWidget::openClipboard() { return QGuiApplication::clipboard() != nullptr; }

void ConsoleWidget::emptyClipboard() { QGuiApplication::clipboard()->clear(); }

bool ConsoleWidget::setClipboardText(const char* text, int32_t length) {
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text, length));
    return true;
}

bool ConsoleWidget::isClipboardTextAvailable() {
    const QMimeData* data = QGuiApplication::clipboard() ? QGuiApplication::clipboard()->mimeData() : nullptr;
    return data != nullptr && data->hasText();
}

int32_t ConsoleWidget::getClipboardText(char* buffer, int32_t capacity) {
    if (!isClipboardTextAvailable()) return -1;
    const QByteArray bytes = QGuiApplication::clipboard()->text().toLatin1();
    int32_t count = 0;
    while (count < capacity && count < bytes.size() && bytes[count] != '\0') {
        buffer[count] = bytes[count];
        ++count;
    }
    return count;
}

// Event loops ---------------------------------------------------------------------------------

// Neither touches the widget after the events ran: closing the frame may have destroyed it.
bool ConsoleWidget::runEventsWhile(const bool& condition) { return ::fw::qt::runEventsWhile(condition); }

void ConsoleWidget::dispatchQueued() { ::fw::qt::dispatchQueued(true); }

// MDI child -----------------------------------------------------------------------------------

QMdiSubWindow* addConsoleWindow(QMdiArea& area, ConsoleWidget& console) {
    QMdiSubWindow* child = area.addSubWindow(&console);
    child->setWindowTitle(kConsoleTitle);
    child->setGeometry(15, 15, 600, 300);
    console.applyCloseGrey();
    QObject::connect(&area, &QMdiArea::subWindowActivated, &console, [&console, child](QMdiSubWindow* active) {
        if (active == child) onActivate(console.view());
    });
    child->show();
    return child;
}

}  // namespace fw::qt
