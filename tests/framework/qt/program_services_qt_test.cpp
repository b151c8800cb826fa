// Program services in the Qt frame, headless, called through the program's entry points: the
// graphics window painted by its callback, program menu items, timers and the tick.
#include "framework/qt/program_services_qt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <string>
#include <vector>

#include "framework/console_text.h"
#include "framework/qt/frame_window.h"
#include "framework/qt/graphics_window.h"
#include "tests/support/qt_application.h"

namespace {

// The frame as it answers "is this item checked" for program items.
class HookedFrame : public fw::qt::FrameWindow {
public:
    using FrameWindow::FrameWindow;
    bool isMenuItemChecked(int32_t command) override {
        return command >= fw::command::firstProgram ? fw::qt::programItemChecked(command)
                                                    : FrameWindow::isMenuItemChecked(command);
    }
};

std::vector<int32_t> g_picks;
int g_timerHits = 0;

void onPick(int32_t* checked) { g_picks.push_back(*checked); }
void onTimer() { ++g_timerHits; }
fw::SurfaceSize g_painted;
void paintSquare(fw::PaintSurface* surface) {
    g_painted = fw::surfaceSize(surface);
    surface->painter.fillRect(QRect(10, 10, 20, 20), Qt::red);
}
// 100 by 100 units below the origin's top edge: with y counting upwards that is on screen.
void paintMetricSquare(fw::PaintSurface* surface) { surface->painter.fillRect(QRectF(0, -100, 100, 100), Qt::red); }

class ProgramServicesQtTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::start_qt_application();
        ASSERT_EQ(fw::allocateConsoleText(text), 1);
        fw::resetFrameState(fw::frameState());
        frame = new HookedFrame("simplex", fw::frameState(), text);
        frame->resize(900, 600);
        frame->show();
        services = &fw::qt::installProgramServices(*frame);
        g_picks.clear();
        g_timerHits = 0;
    }
    void TearDown() override {
        delete frame;
        fw::releaseConsoleText(text);
    }

    QMenu* menu(int index) const { return frame->menuBar()->actions().at(index)->menu(); }
    QImage graphicsImage() const { return services->graphicsChild()->widget()->grab().toImage(); }

    fw::ConsoleText text;
    HookedFrame* frame = nullptr;
    fw::qt::ProgramServicesQt* services = nullptr;
};

TEST_F(ProgramServicesQtTest, PaintCallbackDrawsIntoTheGraphicsWindow) {
    int32_t width = 0, height = 500, mode = 9, length = 3;
    ASSERT_EQ(fw::createGraphicsWindow(width, height, "   ", mode, paintSquare, length), 1);
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 300);
    QMdiSubWindow* child = services->graphicsChild();
    EXPECT_EQ(child->windowTitle(), "Graphics");
    EXPECT_EQ(child->geometry(), QRect(15, 15, 600, 300));
    const QImage image = graphicsImage();
    EXPECT_EQ(image.pixelColor(15, 15), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(40, 40), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(g_painted.width, child->widget()->width());
    EXPECT_EQ(g_painted.height, child->widget()->height());

    // It cannot be closed on its own, and there is only one.
    EXPECT_FALSE(child->close());
    EXPECT_TRUE(child->isVisible());
    int32_t w2 = 0, h2 = 0;
    EXPECT_EQ(fw::createGraphicsWindow(w2, h2, "Other", mode, nullptr, length), 0);
    EXPECT_EQ(w2, 0);
}

// The print dialog's printer gets one page, painted by the callback at the page's size.
TEST_F(ProgramServicesQtTest, PrintPagePaintsOnePageThroughTheCallback) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("page.pdf");
    frame->dialogs.printFigure = [&pdf](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    g_painted = {};
    EXPECT_TRUE(fw::printPage("figure", fw::PageOrientation::landscape, paintSquare));
    EXPECT_GT(g_painted.width, g_painted.height);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("/Type /Page\n"), 1);

    frame->dialogs.printFigure = [](QPrinter&, QWidget*) { return false; };
    EXPECT_FALSE(fw::printPage("figure", fw::PageOrientation::portrait, paintSquare));
}

TEST_F(ProgramServicesQtTest, MetricMappingCountsTenthsOfMillimetresUpwards) {
    int32_t width = 300, height = 200, mode = fw::mapping::loMetric, length = 4;
    ASSERT_EQ(fw::createGraphicsWindow(width, height, "Plot", mode, paintMetricSquare, length), 1);
    EXPECT_EQ(services->graphicsChild()->windowTitle(), "Plot");
    QWidget* widget = services->graphicsChild()->widget();
    // 100 units of 0.1 mm are 10 mm: dpi * 10 / 25.4 pixels.
    const double edgeX = widget->logicalDpiX() * 100 / 254.0;
    const double edgeY = widget->logicalDpiY() * 100 / 254.0;
    const QImage image = graphicsImage();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(static_cast<int>(edgeX) - 2, static_cast<int>(edgeY) - 2), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(static_cast<int>(std::ceil(edgeX)) + 2, 2), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(2, static_cast<int>(std::ceil(edgeY)) + 2), QColor(Qt::white));
}

TEST_F(ProgramServicesQtTest, ProgramMenuItemsRunTheirCallbackWithTheCheckedState) {
    const int fileItems = menu(0)->actions().size();
    int32_t none = 0, length = 7;
    ASSERT_EQ(fw::appendMenuItem(1, none, "&Plot  ", onPick, length), 1);
    QAction* plot = menu(0)->actions().last();
    EXPECT_EQ(plot->text(), "&Plot");
    EXPECT_EQ(plot->data().toInt(), 800);

    plot->trigger();
    int32_t flags = fw::mf::checked, position = fileItems + 1, m = 1;
    EXPECT_EQ(fw::checkMenuItem(m, position, flags), 0);
    EXPECT_EQ(flags, 0x408);
    plot->trigger();
    plot->trigger();  // a pick does not toggle the mark: the program does that
    EXPECT_EQ(g_picks, (std::vector<int32_t>{0, 1, 1}));
    flags = fw::mf::unchecked;
    EXPECT_EQ(fw::checkMenuItem(m, position, flags), static_cast<int32_t>(fw::mf::checked));
    position = 99;
    EXPECT_EQ(fw::checkMenuItem(m, position, flags), fw::kNoMenuItem);

    // Without MF_BYPOSITION the position names a command: there is no command 0, yet the
    // identifier 801 is used up. By position the item goes first in File.
    int32_t first = 1, zero = 0, two = 2;
    flags = 0;
    EXPECT_EQ(fw::insertMenuItem(m, first, flags, "First", onPick, 5), 0);
    flags = fw::mf::byPosition;
    ASSERT_EQ(fw::insertMenuItem(m, first, flags, "First", onPick, 5), 1);
    EXPECT_EQ(menu(0)->actions().first()->data().toInt(), 802);
    flags = 0;
    ASSERT_EQ(fw::insertMenuItem(two, zero, flags, "&Tools", nullptr, 6), 1);
    EXPECT_EQ(flags, 0x410);
    EXPECT_EQ(frame->menuBar()->actions().at(1)->text(), "&Tools");
    EXPECT_EQ(frame->menuBar()->actions().at(2)->text(), "&Edit");
    ASSERT_EQ(fw::appendMenuItem(two, none, "Zoom", onPick, 4), 1);
    menu(1)->actions().first()->trigger();
    EXPECT_EQ(g_picks.back(), 0);
    EXPECT_EQ(g_picks.size(), 4u);
    EXPECT_EQ(fw::deleteMenuItem(two, first), 1);
    EXPECT_TRUE(menu(1)->actions().isEmpty());
    EXPECT_EQ(fw::deleteMenuItem(two, zero), 0);
}

TEST_F(ProgramServicesQtTest, StatusTextShowsInTheFrameAndGoes) {
    fw::setStatusText("5 of 10 pairs (50.0 %)");
    EXPECT_EQ(frame->statusBar()->currentMessage(), "5 of 10 pairs (50.0 %)");
    fw::setStatusText("");
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
}

TEST_F(ProgramServicesQtTest, TimerCallbackRunsUntilKilled) {
    int32_t id = 0x10007, interval = 20;
    ASSERT_EQ(fw::setTimer(id, interval, onTimer), 1);
    EXPECT_TRUE(QTest::qWaitFor([] { return g_timerHits >= 2; }, 3000));
    fw::killTimer(id);
    g_timerHits = 0;
    QTest::qWait(100);
    EXPECT_EQ(g_timerHits, 0);
}

// The tick on Qt: its thread sets the cleared flag again later; with no timer to start, the
// answer No to the question ends the program with status 0. The question itself is the
// services logic's and tested there.
TEST_F(ProgramServicesQtTest, TickThreadSetsTheFlagAgainAndNoEndsTheProgram) {
    EXPECT_EQ(fw::tickFlag().load(), 1);
    EXPECT_NE(fw::tick(), 0);
    EXPECT_EQ(fw::tickFlag().load(), 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return fw::tickFlag().load() == 1; }, 3000));

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    services->startTickTimer = [](int32_t, std::atomic<int32_t>&) { return 0; };
    services->question = [](const char*, const char*, uint32_t) { return fw::answer::no; };
    EXPECT_EXIT(fw::tick(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
