// The console window on Qt, headless: typing into a pending read, output lines, selection and
// the clipboard, scroll bars, and the event loops of the console callbacks.
#include "framework/console_hooks.h"
#include "framework/qt/console_widget.h"
#include "framework/qt/event_loops.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QImage>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/qt_application.h"

namespace {

// The test frame: closing it is what ends the console's waits.
struct Frame : QMainWindow {
    void closeEvent(QCloseEvent* event) override {
        fw::qt::markFrameGone();
        QMainWindow::closeEvent(event);
    }
};

std::string bytes(const char* data, int32_t n) { return std::string(data, static_cast<size_t>(std::max(n, 0))); }

class ConsoleWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::start_qt_application();
        ASSERT_EQ(fw::allocateConsoleText(text), 1);
        view.text = &text;
        frame = new Frame;
        auto* area = new QMdiArea;
        frame->setCentralWidget(area);
        frame->resize(900, 600);
        console = new fw::qt::ConsoleWidget(view);
        child = fw::qt::addConsoleWindow(*area, *console);
        fw::qt::attachFrame(frame);
        fw::setHookView(&view);
        hooks = fw::consoleHooks();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        // A wait that never ends fails the test instead of hanging it.
        auto* watchdog = new QTimer(frame);
        watchdog->setSingleShot(true);
        QObject::connect(watchdog, &QTimer::timeout, [] {
            ADD_FAILURE() << "a console wait did not end";
            fw::qt::markFrameGone();
        });
        watchdog->start(10000);
        QApplication::clipboard()->clear();
    }

    void TearDown() override {
        delete frame;
        fw::setHookView(nullptr);
        fw::releaseConsoleText(text);
    }

    // Runs the read callback while `typing` acts from inside its event loop.
    std::string readWhile(int32_t capacity, std::function<void()> typing) {
        QTimer::singleShot(0, console, std::move(typing));
        std::vector<char> buffer(static_cast<size_t>(capacity) + 8, '#');
        int32_t n = hooks.read(buffer.data(), capacity);
        EXPECT_EQ(buffer[static_cast<size_t>(capacity)], '#') << "written past the capacity";
        return bytes(buffer.data(), n);
    }

    int32_t write(const std::string& record) {
        int32_t count = static_cast<int32_t>(record.size());
        return hooks.write(record.data(), &count, -11);
    }

    QPoint cellCentre(int32_t row, int32_t column) const {
        QSize cell = console->cellSize();
        return {column * cell.width() + cell.width() / 2, row * cell.height() + cell.height() / 2};
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, console->viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(console->viewport(), &event);
    }

    void drag(int32_t row, int32_t fromColumn, int32_t toColumn) {
        mouse(QEvent::MouseButtonPress, cellCentre(row, fromColumn), Qt::LeftButton, Qt::LeftButton);
        for (int32_t column : {fromColumn, toColumn})
            mouse(QEvent::MouseMove, cellCentre(row, column), Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, cellCentre(row, toColumn), Qt::LeftButton, Qt::NoButton);
    }

    // Counts the pixels of one colour inside cell (row, column) of the painted window.
    int pixelsIn(const QImage& image, int32_t row, int32_t column, QRgb colour) const {
        QSize cell = console->cellSize();
        int count = 0;
        for (int y = row * cell.height(); y < (row + 1) * cell.height(); ++y)
            for (int x = column * cell.width(); x < (column + 1) * cell.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++count;
        return count;
    }

    QImage painted() { return console->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    fw::ConsoleText text;
    fw::ConsoleView view;
    Frame* frame = nullptr;
    fw::qt::ConsoleWidget* console = nullptr;
    QMdiSubWindow* child = nullptr;
    fio::ConsoleHooks hooks{};
};

TEST_F(ConsoleWidgetTest, EnterCompletesAPendingReadWithTheTypedLine) {
    using Keys = std::function<void(QWidget*)>;
    auto typed = [](const char* s) { return Keys([s](QWidget* w) { QTest::keyClicks(w, QString::fromLatin1(s)); }); };
    auto latin1 = [](Qt::Key k, const char* s, Qt::KeyboardModifiers m = Qt::NoModifier) {
        return Keys([k, s, m](QWidget* w) { QTest::sendKeyEvent(QTest::Click, w, k, QString::fromLatin1(s), m); });
    };
    auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        return Keys([k, m](QWidget* w) { QTest::keyClick(w, k, m); });
    };
    struct Case {
        const char* name;
        std::vector<Keys> keys;
        int32_t capacity;
        std::string expected;
        Qt::Key enter = Qt::Key_Return;
    };
    const std::vector<Case> cases = {
        {"a plain line", {typed("hello")}, 256, "hello\r\n"},
        {"nothing typed", {}, 256, "\r\n"},
        {"20 typed, capacity 10", {typed("abcdefghijklmnopqrst")}, 10, "abcdefgh\r\n"},
        {"backspace", {typed("ab"), key(Qt::Key_Backspace), typed("c")}, 256, "ac\r\n"},
        {"backspace at column 0", {key(Qt::Key_Backspace), typed("x")}, 256, "x\r\n"},
        {"tab at column 3 to column 8", {typed("abc"), key(Qt::Key_Tab), typed("d")}, 256, "abc     d\r\n"},
        {"tab at column 0 gives 8 blanks", {key(Qt::Key_Tab), typed("e")}, 256, "        e\r\n"},
        {"left, then insert", {typed("bc"), key(Qt::Key_Left), key(Qt::Key_Left), typed("a")}, 256, "abc\r\n"},
        {"delete at the caret, not typed", {typed("abx"), key(Qt::Key_Left), key(Qt::Key_Delete)}, 256, "ab\r\n"},
        {"Latin-1 byte", {typed("caf"), latin1(Qt::Key_Eacute, "\xe9")}, 256, "caf\xe9\r\n"},
        {"greyed Ctrl+V consumed", {typed("a"), key(Qt::Key_V, Qt::ControlModifier)}, 256, "a\r\n"},
        {"keys without a printable character type nothing",
         {typed("a"), latin1(Qt::Key_Escape, "\x1b"), latin1(Qt::Key_A, "\x01", Qt::ControlModifier),
          latin1(Qt::Key_J, "\n", Qt::ControlModifier), latin1(Qt::Key_F2, ""), typed("b")},
         256, "ab\r\n"},
        {"keypad Enter", {typed("k")}, 256, "k\r\n", Qt::Key_Enter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string got = readWhile(c.capacity, [&] {
            for (const Keys& k : c.keys) k(console);
            QTest::keyClick(console, c.enter);
        });
        EXPECT_EQ(got, c.expected);
        EXPECT_FALSE(view.readPending);
    }
    // Every line stays in the window, the truncated one in full.
    EXPECT_EQ(text.lineCount, static_cast<int32_t>(cases.size()));
    EXPECT_EQ(fw::lineText(text, 3), "abcdefghijklmnopqrst");
}

// Writes through the widget and through the run-time's console output reach the console
// text, one line each; the line-end rules are the console logic's and tested there.
TEST_F(ConsoleWidgetTest, EveryWriteIsOneLine) {
    const int32_t before = text.lineCount;
    EXPECT_EQ(write("abc\r\n"), 5);
    EXPECT_EQ(fw::lastLine(text), "abc");
    fio::install_console_callbacks(hooks);
    fio::write_output_text(" STOP ", 6);
    fio::install_console_callbacks(fio::default_console_hooks());
    EXPECT_EQ(fw::lastLine(text), " STOP ");
    EXPECT_EQ(text.lineCount, before + 2);
    // The caret waits at column 0 of the row below the last line.
    EXPECT_TRUE(view.caretOnNewRow);
    EXPECT_EQ(view.caretRow, text.lineCount);
    EXPECT_EQ(view.caretColumn, 0);
}

TEST_F(ConsoleWidgetTest, LinesArePaintedInCellsWithTheCaretBelow) {
    write("MMMM\x01");
    console->setFocus();
    console->activateWindow();
    QApplication::processEvents();
    QImage image = painted();
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    for (int32_t column = 0; column < 5; ++column) EXPECT_GT(pixelsIn(image, 0, column, black), 0) << column;
    EXPECT_EQ(pixelsIn(image, 0, 6, black), 0);
    QSize cell = console->cellSize();
    if (console->hasFocus()) {  // the caret: the whole cell below the line inverted
        EXPECT_EQ(pixelsIn(image, 1, 0, black), cell.width() * cell.height());
        EXPECT_EQ(pixelsIn(image, 1, 1, white), cell.width() * cell.height());
    }
}

TEST_F(ConsoleWidgetTest, DragSelectsAndCtrlCCopiesLatin1) {
    write("alpha beta gamma");
    write("x \xe9t\xe9 y");
    drag(0, 6, 10);
    EXPECT_TRUE(fw::isEditItemEnabled(view, fw::command::copy));
    QImage image = painted();
    const QRgb blue = qRgb(0, 0, 255);
    EXPECT_GT(pixelsIn(image, 0, 6, blue), 0);
    EXPECT_GT(pixelsIn(image, 0, 9, blue), 0);
    EXPECT_EQ(pixelsIn(image, 0, 5, blue), 0);
    EXPECT_EQ(pixelsIn(image, 0, 10, blue), 0);
    QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString("beta"));

    // A drag right of the line's end selects nothing; a double click selects a word.
    drag(1, 12, 15);
    EXPECT_FALSE(fw::isEditItemEnabled(view, fw::command::copy));
    mouse(QEvent::MouseButtonDblClick, cellCentre(1, 3), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, cellCentre(1, 3), Qt::LeftButton, Qt::NoButton);
    QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));

    // Paste types the bytes; its CR ends the pending read with the line before it.
    QApplication::clipboard()->setText(QString::fromLatin1("\xe9t\xe9!\r\nnext"));
    std::string got = readWhile(256, [&] { QTest::keyClick(console, Qt::Key_V, Qt::ControlModifier); });
    EXPECT_EQ(got, "\xe9t\xe9!\r\n");
    EXPECT_EQ(fw::lastLine(text), "next");
}

TEST_F(ConsoleWidgetTest, ScrollBarsFollowTheModel) {
    QScrollBar* vertical = console->verticalScrollBar();
    QScrollBar* horizontal = console->horizontalScrollBar();
    QSize cell = console->cellSize();
    write(std::string(200, 'w'));
    for (int i = 0; i < 2; ++i) write("short");
    QApplication::processEvents();
    EXPECT_EQ(vertical->maximum(), 0);  // the lines plus 2 fit
    EXPECT_FALSE(vertical->isVisible());

    const int32_t lines = 41;
    for (int i = 3; i < lines; ++i) write("line");
    QApplication::processEvents();
    const int32_t rows = console->viewport()->height() / cell.height();
    const int32_t columns = console->viewport()->width() / cell.width();
    const int32_t bottom = lines - rows + 2;
    ASSERT_GT(bottom, rows + 1);
    EXPECT_TRUE(vertical->isVisible());
    EXPECT_EQ(vertical->maximum(), bottom);
    EXPECT_EQ(vertical->value(), bottom);  // output keeps the end in view
    EXPECT_EQ(horizontal->maximum(), 200 + 1 - columns);  // and a column for the caret

    const struct {
        const char* name;
        std::function<void()> act;
        int32_t expected;
    } verticalCases[] = {
        {"Home", [&] { QTest::keyClick(console, Qt::Key_Home); }, 0},
        {"line down", [&] { vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, 1},
        {"page down", [&] { vertical->triggerAction(QAbstractSlider::SliderPageStepAdd); }, 1 + rows},
        {"line up", [&] { vertical->triggerAction(QAbstractSlider::SliderSingleStepSub); }, rows},
        {"thumb drag", [&] { vertical->setSliderDown(true); vertical->setSliderPosition(5); }, 5},
        {"thumb released", [&] { vertical->setSliderDown(false); }, 5},
        {"to maximum", [&] { vertical->triggerAction(QAbstractSlider::SliderToMaximum); }, bottom},
        {"beyond the end", [&] { vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, bottom},
        {"Page Up", [&] { QTest::keyClick(console, Qt::Key_PageUp); }, bottom - rows},
    };
    for (const auto& c : verticalCases) {
        SCOPED_TRACE(c.name);
        c.act();
        EXPECT_EQ(view.vScrollPos, c.expected);
        EXPECT_EQ(vertical->value(), c.expected);
    }

    // Horizontally the view moves when the thumb is let go, not while it is dragged.
    horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(view.hScrollPos, 1);
    horizontal->setSliderDown(true);
    horizontal->setSliderPosition(7);
    EXPECT_EQ(view.hScrollPos, 1);
    horizontal->setSliderDown(false);
    EXPECT_EQ(view.hScrollPos, 7);
    EXPECT_EQ(horizontal->value(), 7);
    horizontal->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view.hScrollPos, 15);
    EXPECT_EQ(horizontal->value(), 15);
    // Right end of the bar: no horizontal step, and the bar stays where the view is.
    horizontal->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(view.hScrollPos, 15);
    EXPECT_EQ(horizontal->value(), 15);
}

TEST_F(ConsoleWidgetTest, WaitsEndWithTheFrameAndNeverStartWithoutOne) {
    // read: the frame closes before Enter; no output text is delivered.
    write("output");
    EXPECT_EQ(readWhile(256, [&] { frame->close(); }), "");
    // exit and read return at once once the frame is gone.
    hooks.exit(0);
    EXPECT_EQ(readWhile(256, [] {}), "");
    QApplication::processEvents();  // the queued lambda above
}

TEST_F(ConsoleWidgetTest, ExitKeepsDispatchingUntilTheFrameCloses) {
    int typedAfterStop = 0;
    QTimer::singleShot(0, console, [&] {
        QTest::keyClicks(console, "late");
        typedAfterStop = text.lineCount;
        frame->close();
    });
    hooks.exit(0);
    EXPECT_EQ(typedAfterStop, 1);
    EXPECT_EQ(fw::lastLine(text), "late");
}

TEST_F(ConsoleWidgetTest, PollAndWriteRunQueuedEventsWithoutLosingAny) {
    int ran = 0;
    QTimer::singleShot(0, console, [&] { ++ran; });
    QThread::msleep(3 * fw::qt::kDispatchIntervalMs);
    hooks.poll();
    EXPECT_EQ(ran, 1);
    // Right after a dispatch the next may be skipped, but the event stays queued.
    QTimer::singleShot(0, console, [&] { ++ran; });
    hooks.poll();
    QThread::msleep(3 * fw::qt::kDispatchIntervalMs);
    write("line");
    EXPECT_EQ(ran, 2);
}

TEST_F(ConsoleWidgetTest, ConsoleCannotBeClosedByItself) {
    EXPECT_EQ(child->windowTitle(), QString("Input/Output"));
    EXPECT_FALSE(child->close());
    EXPECT_TRUE(child->isVisible());
    EXPECT_EQ(console->viewport()->cursor().shape(), Qt::IBeamCursor);
}

}  // namespace
