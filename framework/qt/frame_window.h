// The MDI frame on Qt: menus and shortcuts from the resource tables, the frame commands through
// the frame logic, the Save As, About and printing dialogs, and the close of the application.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>

#include "framework/frame_logic.h"
#include "framework/program_services.h"
#include "framework/save_print.h"

class QAction;
class QDialog;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;

namespace fw::qt {

class ConsoleWidget;

// The modal dialogs, replaceable so that tests never wait on a box.
struct FrameDialogs {
    std::function<int32_t(QWidget* owner, const char* text, const char* caption, uint32_t style)> messageBox;
    std::function<bool(std::string& fileName, std::string& fileTitle)> saveAs;
    // The program's save dialog: the file chosen, or empty when cancelled.
    std::function<std::string(const std::string& caption, std::span<const FileType> types)> saveFile;
    // Fill the printer from the user's choices, for the console text and for the program's
    // page; false when cancelled.
    std::function<bool(QPrinter& printer, QWidget* owner)> print;
    std::function<bool(QPrinter& printer, QWidget* owner)> printFigure;
    std::function<void(QWidget* owner)> about;
};
FrameDialogs standardDialogs();

class FrameWindow : public QMainWindow, public FramePlatform {
public:
    // Builds the frame titled `title` with its MDI area and menus; the console comes later.
    FrameWindow(const QString& title, FrameState& state, ConsoleText& text);

    QMdiArea& mdiArea() { return *area_; }
    ConsoleWidget* console() const { return console_; }
    FrameContext& context() { return context_; }
    FrameDialogs dialogs = standardDialogs();
    // The run-time's program end; replaceable for tests.
    std::function<void()> endProgramHook;

    // Shows the console as the "Input/Output" child; the Edit items follow its states.
    QMdiSubWindow* attachConsole(ConsoleWidget& console);
    QAction* action(int32_t command) const;

    // FramePlatform.
    int32_t messageBox(bool ownedByFrame, const char* text, const char* caption, uint32_t style) override;
    bool runSaveAsDialog(std::string& fileName, std::string& fileTitle) override;
    void setConsoleTitle(const std::string& title) override;
    void printConsoleText() override;
    void runAboutDialog() override;
    bool isMenuItemChecked(int32_t command) override;
    int32_t consoleEdit(int32_t command) override;
    void arrangeChildren(ChildArrangement arrangement) override;
    void forwardToActiveChild(int32_t command) override;
    void destroyFrame() override;
    void endProgram() override;

    // Printing is on: the cancel dialog is open and the frame takes no input.
    bool isPrinting() const { return printing_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void listChildWindows();
    void watchDialogs();
    void reclaimKeyboardSoon();

    QMdiArea* area_;
    ConsoleWidget* console_ = nullptr;
    QMdiSubWindow* consoleChild_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::map<int32_t, QAction*> actions_;
    FrameContext context_;
    bool printing_ = false;
    bool keepPrinting_ = false;
};

// Whole lines of the console font on one printed page (at least 1).
int32_t printedLinesPerPage(QPrinter& printer);

// The dialogs built from their templates (not yet shown).
QDialog* buildAboutDialog(QWidget* owner);
QDialog* buildPrintingDialog(QWidget* owner, bool& keepPrinting);
// Widens the dialog's labels and buttons to their texts in the font they are drawn in; what
// stands to the right of a widened control moves right with it, and the dialog grows to hold
// them all.
void fitDialogToTexts(QDialog& dialog);

// Icons 400 (frame) and 401 (child windows).
QIcon resourceIcon(int32_t id);

}  // namespace fw::qt
