// The Qt frame, headless: menus and shortcuts, Edit through the accelerators, printing to PDF,
// the close while the program waits for input, and a whole run of the analysis in the window.
#include "framework/qt/frame_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "framework/about_box.h"
#include "framework/console_logic.h"
#include "framework/qt/console_widget.h"
#include "framework/qt/event_loops.h"
#include "framework/qt/framework_main.h"
#include "tests/support/qt_application.h"
#include "tests/support/test_support.h"

namespace {

class FrameWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::start_qt_application();
        ASSERT_EQ(fw::allocateConsoleText(text), 1);
        view.text = &text;
        frame = new fw::qt::FrameWindow("simplex", state, text);
        frame->resize(900, 600);
        console = new fw::qt::ConsoleWidget(view);
        child = frame->attachConsole(*console);
        fw::qt::attachFrame(frame);
        frame->dialogs.messageBox = [this](QWidget*, const char* t, const char*, uint32_t) {
            boxes.push_back(t);
            return fw::answer::no;
        };
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        console->setFocus();
    }
    void TearDown() override {
        delete frame;
        fw::releaseConsoleText(text);
    }

    void output(const std::string& line) { fw::appendOutputLine(view, line.data(), static_cast<int32_t>(line.size())); }

    QPoint cell(int32_t row, int32_t column) const {
        const QSize size = console->cellSize();
        return {column * size.width() + size.width() / 2, row * size.height() + size.height() / 2};
    }

    fw::FrameState state;
    fw::ConsoleText text;
    fw::ConsoleView view;
    fw::qt::FrameWindow* frame = nullptr;
    fw::qt::ConsoleWidget* console = nullptr;
    QMdiSubWindow* child = nullptr;
    std::vector<std::string> boxes;
};

TEST_F(FrameWindowTest, MenuBarHoldsTheDocumentedItemsStatesAndShortcuts) {
    struct Item {
        QString text;
        QString shortcut;
        bool enabled;
    };
    const std::vector<std::pair<QString, std::vector<Item>>> expected = {
        {"&File", {{"&Save", "", true}, {"Save As...", "", true}, {"-", "", true}, {"Print...", "", true},
                   {"-", "", true}, {"&About...", "", true}, {"-", "", true}, {"E&xit", "", true}}},
        {"&Edit", {{"&Undo", "Ctrl+Z", false}, {"-", "", true}, {"Cu&t", "Ctrl+X", false},
                   {"&Copy", "Ctrl+C", false}, {"&Paste", "Ctrl+V", false}, {"De&lete", "", false}}},
        {"&Window", {{"&Cascade", "Shift+F5", true}, {"&Tile", "Shift+F4", true}, {"&Arrange Icons", "", true}}},
    };
    const QList<QAction*> menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(menus[m]->text(), expected[m].first);
        const QList<QAction*> items = menus[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].second.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item& want = expected[m].second[static_cast<size_t>(i)];
            SCOPED_TRACE(want.text.toStdString());
            EXPECT_EQ(items[i]->isSeparator() ? QString("-") : items[i]->text(), want.text);
            EXPECT_EQ(items[i]->shortcut().toString(QKeySequence::PortableText), want.shortcut);
            EXPECT_EQ(items[i]->isEnabled(), want.enabled);
        }
    }
    EXPECT_EQ(frame->windowTitle(), "simplex");
    EXPECT_EQ(child->windowTitle(), "Input/Output");
}

// The Edit items follow the console's states: Cut, Copy and Delete its selection, Paste the
// system clipboard, whichever program filled it.
TEST_F(FrameWindowTest, EditItemsFollowTheSelectionAndTheClipboard) {
    output("hello world");
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    EXPECT_FALSE(frame->action(fw::command::paste)->isEnabled());
    clipboard->setText("pasted");
    EXPECT_TRUE(frame->action(fw::command::paste)->isEnabled());
    frame->action(fw::command::paste)->trigger();
    EXPECT_EQ(fw::lastLine(text), "pasted");
    clipboard->clear();
    EXPECT_FALSE(frame->action(fw::command::paste)->isEnabled());

    clipboard->setText("before");
    QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "before");
    EXPECT_FALSE(frame->action(fw::command::copy)->isEnabled());

    // With a selection the same key copies it and makes Paste available.
    const auto mouse = [this](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, console->viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(console->viewport(), &event);
    };
    mouse(QEvent::MouseButtonPress, cell(0, 0), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, cell(0, 0), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, cell(0, 5), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, cell(0, 5), Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(frame->action(fw::command::copy)->isEnabled());
    QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "hello");
    EXPECT_TRUE(frame->action(fw::command::paste)->isEnabled());
}

// The whole console text, line by line.
std::string consoleBytes(const fw::ConsoleText& text) {
    std::string all;
    for (int32_t n = 1; n <= text.lineCount; ++n) all.append(fw::lineText(text, n)).push_back('\n');
    return all;
}

TEST_F(FrameWindowTest, AltWithAMenuMnemonicOpensThatMenuAndTypesNothing) {
    const std::vector<std::pair<Qt::Key, QString>> cases = {
        {Qt::Key_F, "&File"}, {Qt::Key_E, "&Edit"}, {Qt::Key_W, "&Window"}};
    output("ready");
    const std::string before = consoleBytes(text);
    QMenuBar* bar = frame->menuBar();
    for (const auto& [key, title] : cases) {
        SCOPED_TRACE(title.toStdString());
        console->setFocus();
        QTest::keyClick(console, key, Qt::AltModifier);
        QAction* active = bar->activeAction();
        ASSERT_NE(active, nullptr);
        EXPECT_EQ(active->text(), title);
        EXPECT_TRUE(QTest::qWaitFor([active] { return active->menu()->isVisible(); }));
        active->menu()->hide();
        QTest::keyClick(bar, Qt::Key_Escape);
        EXPECT_EQ(consoleBytes(text), before);
    }
    // Alt with a letter no menu claims is not typed either.
    console->setFocus();
    QTest::keyClick(console, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(consoleBytes(text), before);
    QTest::keyClick(console, Qt::Key_Q);  // the same key without Alt is typed
    EXPECT_NE(consoleBytes(text), before);
}

TEST_F(FrameWindowTest, WindowMenuTilesCascadesAndRestores) {
    child->setGeometry(15, 15, 200, 100);
    QTest::keyClick(console, Qt::Key_F4, Qt::ShiftModifier);
    EXPECT_EQ(child->geometry(), frame->mdiArea().viewport()->rect());  // one child tiled fills the area
    QTest::keyClick(console, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(child->pos(), QPoint(0, 0));
    EXPECT_NE(child->geometry(), frame->mdiArea().viewport()->rect());

    // Choosing a minimised child in the menu's list of windows restores it.
    child->showMinimized();
    ASSERT_TRUE(child->isMinimized());
    QMenu* windowMenu = frame->menuBar()->actions().at(2)->menu();
    emit windowMenu->aboutToShow();
    QAction* listed = windowMenu->actions().last();
    ASSERT_EQ(listed->text(), "&1 Input/Output");
    listed->trigger();
    EXPECT_FALSE(child->isMinimized());
    EXPECT_EQ(frame->mdiArea().activeSubWindow(), child);
}

// Without a window manager nothing gives the keyboard back to the frame when a dialog closes;
// the frame takes it back itself, so typing reaches the console and the shortcuts work. A
// dialog closed at once never got the focus; one closed later held it.
TEST_F(FrameWindowTest, FrameIsActiveAgainAfterAnyDialogCloses) {
    const std::vector<std::pair<const char*, std::function<void()>>> dialogs = {
        {"message box", [this] { fw::qt::standardDialogs().messageBox(frame, "text", "TAVO", fw::mb::ok); }},
        {"About", [this] { fw::qt::standardDialogs().about(frame); }},
        {"any other dialog", [this] { QDialog(frame).exec(); }},
    };
    for (const int closeAfterMs : {0, 50}) {
        for (const auto& [name, run] : dialogs) {
            SCOPED_TRACE(std::string(name) + " closed after " + std::to_string(closeAfterMs) + " ms");
            ASSERT_EQ(QApplication::activeWindow(), frame);
            QTimer::singleShot(closeAfterMs, [] {
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
            });
            run();
            EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == frame; }, 1000));
            EXPECT_EQ(QApplication::focusWidget(), console);
            child->setGeometry(15, 15, 200, 100);
            QTest::keyClick(console, Qt::Key_F4, Qt::ShiftModifier);
            EXPECT_EQ(child->geometry(), frame->mdiArea().viewport()->rect()) << "the Tile shortcut works";
        }
    }
}

TEST_F(FrameWindowTest, AboutBoxShowsTheSystemFieldsInFullAndTheEntrysCredit) {
    // An entry's credit: a version line with a commit, shown whole.
    const QString credit = "for simplex 1.10.0 (commit abcdef0)";
    fw::setAboutCredit(credit.toStdString());
    QDialog* about = fw::qt::buildAboutDialog(frame);
    fw::setAboutCredit("");
    // Each text fits its control in the font it is drawn in; no control covers another or
    // leaves the dialog.
    const QList<QWidget*> controls = about->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        const auto* label = qobject_cast<QLabel*>(control);
        const auto* button = qobject_cast<QPushButton*>(control);
        ASSERT_TRUE(label != nullptr || button != nullptr);
        const QString shown = label != nullptr ? label->text() : button->text();
        SCOPED_TRACE(shown.toStdString());
        EXPECT_LE(control->fontMetrics().horizontalAdvance(shown), control->contentsRect().width());
        EXPECT_TRUE(about->rect().contains(control->geometry()));
        for (QWidget* other : controls) {
            if (other != control) {
                EXPECT_FALSE(control->geometry().intersects(other->geometry()));
            }
        }
    }

    EXPECT_EQ(about->windowTitle(), "About TAVO");
    auto* creditLine = about->findChild<QLabel*>("107");
    ASSERT_NE(creditLine, nullptr);
    EXPECT_EQ(creditLine->text(), credit);
    EXPECT_LE(creditLine->sizeHint().width(), creditLine->width());
    const QRegularExpression address("^0x[0-9a-f]{8,}$");
    for (int id : {103, 104}) {
        auto* field = about->findChild<QLabel*>(QString::number(id));
        ASSERT_NE(field, nullptr);
        EXPECT_TRUE(address.match(field->text()).hasMatch()) << field->text().toStdString();
    }
    EXPECT_EQ(about->findChild<QLabel*>("105")->text(), "8664");
    auto* button = about->findChild<QPushButton*>("1");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Continue");
    button->click();
    EXPECT_EQ(about->result(), 1);
    delete about;
}

// Pages of a PDF file: its page objects.
int pdfPages(const std::string& path) {
    const QString pdf = QString::fromLatin1(test_support::read_file(path));
    return static_cast<int>(pdf.count(QRegularExpression("/Type\\s*/Page[^s]")));
}

TEST_F(FrameWindowTest, PrintingProducesThePagesOfTheChosenRangeAndCopies) {
    test_support::TempDir dir;
    QPrinter probe(QPrinter::HighResolution);
    probe.setOutputFormat(QPrinter::PdfFormat);
    probe.setOutputFileName(QString::fromStdString(dir.path() + "/probe.pdf"));
    const int32_t perPage = fw::qt::printedLinesPerPage(probe);
    ASSERT_GT(perPage, 2);

    struct Case {
        const char* name;
        int32_t lines;
        bool pageNumbers;
        int from, to, copies;
        int pages;
    };
    const std::vector<Case> cases = {
        {"all of two pages and a line", 2 * perPage + 1, false, 1, 1, 1, 3},
        {"exactly two full pages: no empty page after", 2 * perPage, false, 1, 1, 1, 2},
        {"pages 2 to 2", 2 * perPage + 1, true, 2, 2, 1, 1},
        {"pages 3 to 5", 2 * perPage + 1, true, 3, 5, 1, 1},
        {"two copies", 2 * perPage + 1, false, 1, 1, 2, 6},
        {"a range beyond the text: one empty page per copy", 2 * perPage + 1, true, 5, 6, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::clearConsoleText(text);
        for (int32_t n = 1; n <= c.lines; ++n) output("line " + std::to_string(n));
        const std::string pdf = dir.path() + "/out.pdf";
        std::filesystem::remove(pdf);
        bool presetOnePage = false;
        frame->dialogs.print = [&](QPrinter& printer, QWidget*) {
            presetOnePage = printer.fromPage() == 1 && printer.toPage() == 1;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf));
            printer.setPrintRange(c.pageNumbers ? QPrinter::PageRange : QPrinter::AllPages);
            printer.setFromTo(c.from, c.to);
            printer.setCopyCount(c.copies);
            return true;
        };
        // While the pages go out, the frame takes no input and the cancel dialog is up.
        bool disabledWhilePrinting = c.lines == 0;  // checked while lines go out
        if (c.pageNumbers && c.from > 3) disabledWhilePrinting = true;
        QTimer::singleShot(0, frame, [&] {
            disabledWhilePrinting = frame->isPrinting() && !frame->menuBar()->isEnabled() &&
                                    !frame->mdiArea().isEnabled();
        });
        frame->action(fw::command::print)->trigger();
        EXPECT_TRUE(presetOnePage);
        EXPECT_TRUE(disabledWhilePrinting);
        EXPECT_TRUE(frame->menuBar()->isEnabled());
        EXPECT_EQ(pdfPages(pdf), c.pages);
    }
}

// --- Child processes: the whole framework started by frameworkMain ----------------------------

std::string scratchDirectory(const char* name) {
    const std::string dir = std::string(SIMPLEX_BINARY_DIR) + "/frame_test_" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// The program: a record pending on a file, then a console read that the user's close interrupts.
void waitingProgram() {
    fw::qt::FrameWindow* frame = fw::qt::frameWindow();
    frame->dialogs.messageBox = [](QWidget*, const char* text, const char*, uint32_t) {
        std::fprintf(stderr, "asked: %s\n", text);
        return fw::answer::no;
    };
    QTimer::singleShot(100, frame, [frame] { frame->close(); });
    analysis::open_result_file(7, "pending.txt");
    analysis::write_record(7, analysis::Layout::title, {fio::item(std::string_view("kept"))});
    int32_t answer = 0;
    analysis::read_record(analysis::console_unit, analysis::Layout::list, {fio::item(answer)});
    std::fprintf(stderr, "read returned\n");
    std::_Exit(3);
}

TEST(FrameProcess, CloseWhileTheProgramWaitsForInputEndsWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string dir = scratchDirectory("waiting");
    EXPECT_EXIT(
        {
            std::filesystem::current_path(dir);
            test_support::start_qt_application();
            fw::qt::frameworkMain("/somewhere/simplex", nullptr, "", 10, waitingProgram);
        },
        ::testing::ExitedWithCode(0), "asked: Save the Input/Output window\\?");
    EXPECT_EQ(test_support::read_file(dir + "/pending.txt"), "kept\r\n");
}

// Types the worked example's answers when their prompts wait, saves the console after STOP
// and closes the frame.
void driveWorkedExample() {
    auto* timer = new QTimer(qApp);
    static int step = 0;
    QObject::connect(timer, &QTimer::timeout, [] {
        fw::qt::FrameWindow* frame = fw::qt::frameWindow();
        if (frame == nullptr) return;
        fw::qt::ConsoleWidget* console = frame->console();
        const fw::ConsoleView& view = console->view();
        if (step < 2 && view.readPending) {
            QTest::keyClicks(console, step == 0 ? "data.txt" : "0");
            QTest::keyClick(console, Qt::Key_Return);
            ++step;
        } else if (step == 2 && fw::frameState().programFinished) {
            ++step;
            frame->dialogs.saveAs = [](std::string& name, std::string& title) {
                name = "console.txt";
                title = name;
                return true;
            };
            frame->dialogs.messageBox = [](QWidget*, const char* text, const char*, uint32_t) {
                std::fprintf(stderr, "unexpected box: %s\n", text);
                return fw::answer::cancel;
            };
            frame->action(fw::command::save)->trigger();
            frame->close();
        }
    });
    timer->start(20);
}

// Output records as console lines: the CR LF that ends each is not part of the line.
std::vector<std::string> splitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(bytes.substr(start, end - start));
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
    }
    return lines;
}

TEST(FrameProcess, WorkedExampleRunsInTheConsoleWindow) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string golden = std::string(SIMPLEX_GOLDEN_DIR) + "/worked_example";
    const std::string dir = scratchDirectory("worked_example");
    std::filesystem::copy_file(golden + "/input/data.txt", dir + "/data.txt");
    EXPECT_EXIT(
        {
            std::filesystem::current_path(dir);
            test_support::start_qt_application();
            driveWorkedExample();
            fw::qt::frameworkMain("/somewhere/simplex", nullptr, "", 10, [] { analysis::run_analysis(); });
        },
        ::testing::ExitedWithCode(0), "");
    for (const char* name : {"resu.ord", "simplex.dat", "REDUC.ORD"})
        EXPECT_EQ(test_support::read_file(dir + "/" + name), test_support::read_file(golden + "/expected/" + name))
            << name;

    // The console: every output record a line, each typed answer a line after its prompt, and
    // STOP's three writes (" STOP ", the blank code, the line feed) three lines.
    std::vector<std::string> lines = splitLines(test_support::read_file(golden + "/expected/stdout.bin"));
    ASSERT_GE(lines.size(), 2u);
    lines.insert(lines.begin() + 2, "0");
    lines.insert(lines.begin() + 1, "data.txt");
    for (const char* stop : {" STOP ", " ", ""}) lines.push_back(stop);
    std::string saved;
    for (const std::string& line : lines) saved += line + "\r\n";
    EXPECT_EQ(test_support::read_file(dir + "/console.txt"), saved);
}

TEST(FrameProcess, WithoutADisplayTheProgramReportsAndFails) {
    const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '") +
                                SIMPLEX_GUI_PROGRAM + "' </dev/null >/dev/null 2>" + SIMPLEX_BINARY_DIR +
                                "/frame_test_nodisplay.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 6);
    EXPECT_NE(test_support::read_file(std::string(SIMPLEX_BINARY_DIR) + "/frame_test_nodisplay.txt").find("no display"),
              std::string::npos);
}

}  // namespace
