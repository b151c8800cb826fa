// The frame window on Qt. Decisions are the frame logic's; this file only builds the widgets
// and lends the logic the window system.
#include "framework/qt/frame_window.h"
#include "framework/qt/program_services_qt.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "framework/about_box.h"
#include "framework/qt/console_widget.h"
#include "framework/qt/event_loops.h"
#include "libf/fio/program_end.h"

namespace fw::qt {

namespace {

constexpr int32_t kFirstChildId = 100;  // the Window menu's list of child windows
constexpr int32_t kVirtualKeyF1 = 0x70;

QKeySequence keySequence(const resources::Accelerator& a) {
    if (a.kind == resources::KeyKind::character)
        return QKeySequence(QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(Qt::Key_A + a.key - 1)));
    Qt::KeyboardModifiers modifiers;
    if (a.shift) modifiers |= Qt::ShiftModifier;
    if (a.control) modifiers |= Qt::ControlModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(Qt::Key_F1 + a.key - kVirtualKeyF1)));
}

QFont consoleFont() { return QFontDatabase::systemFont(QFontDatabase::FixedFont); }

// Dialog units: a quarter of the font's average character width, an eighth of its height.
QRect dialogRect(const QFontMetrics& fm, int32_t x, int32_t y, int32_t width, int32_t height) {
    const int baseX = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
    const int baseY = fm.height();
    return {x * baseX / 4, y * baseY / 8, width * baseX / 4, height * baseY / 8};
}

QDialog* buildDialog(const resources::DialogTemplate& t, QWidget* owner) {
    auto* dialog = new QDialog(owner);
    dialog->setObjectName(QString::number(t.id));
    dialog->setWindowTitle(QString::fromLatin1(t.caption));
    QFont font(QString::fromLatin1(t.fontName), t.pointSize);
    dialog->setFont(font);
    const QFontMetrics fm(font);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (t.systemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setFixedSize(dialogRect(fm, 0, 0, t.width, t.height).size());
    for (const resources::DialogControl& c : t.controls) {
        QWidget* control = nullptr;
        if (c.kind == resources::ControlKind::pushButton) {
            auto* button = new QPushButton(QString::fromLatin1(c.text), dialog);
            button->setDefault(true);
            control = button;
        } else {
            control = new QLabel(QString::fromLatin1(c.text), dialog);
        }
        if (c.id != resources::kNoControlId) control->setObjectName(QString::number(c.id));
        control->setGeometry(dialogRect(fm, c.x, c.y, c.width, c.height));
    }
    return dialog;
}

// How much wider the control must be to show its text in its own font.
int textOverflow(const QWidget& control) {
    return std::max(0, control.sizeHint().width() - control.width());
}

void setField(QDialog& dialog, int32_t id, const QString& text) {
    if (auto* label = dialog.findChild<QLabel*>(QString::number(id))) label->setText(text);
}

// The printer as the page layout drives it. QPainter::begin opens the first page, so a page
// is only asked for from the second one on.
struct QtPrintDevice final : PrintDevice {
    QPrinter& printer;
    QPainter painter;
    QFont font;
    int ascent = 0;
    bool firstPage = true;

    QtPrintDevice(QPrinter& p, const QFont& f) : printer(p), font(f) {}

    bool startDoc(const char* documentName) override {
        printer.setDocName(QString::fromLatin1(documentName));
        if (!painter.begin(&printer)) return false;
        painter.setFont(font);
        ascent = painter.fontMetrics().ascent();
        return true;
    }
    bool startPage() override {
        if (firstPage) {
            firstPage = false;
            return true;
        }
        return printer.newPage();
    }
    bool endPage() override { return printer.printerState() != QPrinter::Error; }
    void textOut(int32_t x, int32_t y, std::string_view line) override {
        painter.drawText(x, y + ascent, QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    }
    void endDoc() override { painter.end(); }
    void abortDoc() override {
        printer.abort();
        if (painter.isActive()) painter.end();
    }
    void dispatchEvents() override { QCoreApplication::processEvents(); }
};

QPixmap drawIcon(int32_t id) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (id == resources::kFrameIcon) {
        // The triangle of the score plot.
        QPainterPath triangle;
        triangle.moveTo(16, 3);
        triangle.lineTo(30, 29);
        triangle.lineTo(2, 29);
        triangle.closeSubpath();
        p.fillPath(triangle, QColor(0, 0, 128));
        p.setBrush(QColor(255, 255, 0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(16, 21), 3, 3);
    } else {
        // A page of console lines.
        p.setPen(QColor(0, 0, 0));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(5, 2, 22, 28);
        for (int y = 8; y <= 24; y += 4) p.drawLine(9, y, 23, y);
    }
    return pixmap;
}

// A dialog that saves a new or existing file of one of `filters`; a bare name gets `suffix`.
void prepareSaveDialog(QFileDialog& dialog, const QStringList& filters, const QString& suffix) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
}

// Runs a prepared save dialog: the file chosen, or empty when cancelled.
QString chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

// "PNG image (*.png)"
QString filterOf(const FileType& type) {
    return QStringLiteral("%1 (*.%2)").arg(QString::fromLatin1(type.description), QString::fromLatin1(type.suffix));
}

}  // namespace

QIcon resourceIcon(int32_t id) { return QIcon(drawIcon(id)); }

FrameDialogs standardDialogs() {
    FrameDialogs d;
    d.messageBox = [](QWidget* owner, const char* text, const char* caption, uint32_t style) -> int32_t {
        const bool question = (style & mb::buttonMask) == mb::yesNoCancel;
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(caption), QString::fromLatin1(text),
                        question ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel : QMessageBox::Ok, owner);
        switch (box.exec()) {
            case QMessageBox::Yes: return answer::yes;
            case QMessageBox::No: return answer::no;
            case QMessageBox::Ok: return answer::ok;
            default: return question ? answer::cancel : answer::ok;
        }
    };
    d.saveAs = [](std::string& fileName, std::string& fileTitle) {
        QFileDialog dialog(nullptr);
        prepareSaveDialog(dialog, {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")},
                          QStringLiteral("txt"));
        if (!fileName.empty()) dialog.selectFile(QString::fromStdString(fileName));
        const QString chosen = chosenFile(dialog);
        if (chosen.isEmpty()) return false;
        fileName = chosen.toStdString();
        fileTitle = QFileInfo(chosen).fileName().toStdString();
        return true;
    };
    d.saveFile = [](const std::string& caption, std::span<const FileType> types) -> std::string {
        QFileDialog dialog(nullptr, QString::fromStdString(caption));
        QStringList filters;
        for (const FileType& type : types) filters << filterOf(type);
        prepareSaveDialog(dialog, filters, types.empty() ? QString() : QString::fromLatin1(types.front().suffix));
        // The suffix added to a bare name follows the type chosen.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters, types](const QString& filter) {
            const qsizetype i = filters.indexOf(filter);
            if (i >= 0) dialog.setDefaultSuffix(QString::fromLatin1(types[static_cast<size_t>(i)].suffix));
        });
        return chosenFile(dialog).toStdString();
    };
    d.print = [](QPrinter& printer, QWidget* owner) {
        QPrintDialog dialog(&printer, owner);
        dialog.setMinMax(1, 32767);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
        return dialog.exec() == QDialog::Accepted;
    };
    d.printFigure = [](QPrinter& printer, QWidget* owner) {
        QPrintDialog dialog(&printer, owner);
        return dialog.exec() == QDialog::Accepted;
    };
    d.about = [](QWidget* owner) {
        QDialog* dialog = buildAboutDialog(owner);
        dialog->exec();
        delete dialog;
    };
    return d;
}

QDialog* buildAboutDialog(QWidget* owner) {
    QDialog* dialog = buildDialog(resources::aboutDialog(), owner);
    const SystemInfo info = systemInfo();
    setField(*dialog, resources::about::pageSize, QString::number(info.pageSize));
    setField(*dialog, resources::about::minimumAddress, QString::fromStdString(formatAddress(info.minimumAddress)));
    setField(*dialog, resources::about::maximumAddress, QString::fromStdString(formatAddress(info.maximumAddress)));
    setField(*dialog, resources::about::processorType, QString::number(info.processorType));
    setField(*dialog, resources::about::processorCount, QString::number(info.processorCount));
    if (!aboutCredit().empty()) setField(*dialog, resources::about::credit, QString::fromStdString(aboutCredit()));
    fitDialogToTexts(*dialog);
    // Continue, Enter and Escape all end the dialog with 1.
    auto* button = dialog->findChild<QPushButton*>(QString::number(resources::kButtonId));
    QObject::connect(button, &QPushButton::clicked, dialog, [dialog] { dialog->done(1); });
    QObject::connect(dialog, &QDialog::rejected, dialog, [dialog] { dialog->setResult(1); });
    return dialog;
}

void fitDialogToTexts(QDialog& dialog) {
    QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    std::sort(controls.begin(), controls.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    int rightmost = 0;
    for (QWidget* c : controls) rightmost = std::max(rightmost, c->geometry().right() + 1);
    const int margin = std::max(0, dialog.width() - rightmost);
    // In order of x, so a control's shift is known before anything to its right needs it.
    const auto count = static_cast<size_t>(controls.size());
    std::vector<int> shift(count, 0);
    for (size_t i = 0; i < count; ++i)
        for (size_t left = 0; left < i; ++left)
            if (controls[left]->geometry().right() < controls[i]->x())
                shift[i] = std::max(shift[i], shift[left] + textOverflow(*controls[left]));
    int width = dialog.width();
    for (size_t i = 0; i < count; ++i) {
        QWidget* c = controls[i];
        c->setGeometry(c->x() + shift[i], c->y(), c->width() + textOverflow(*c), c->height());
        width = std::max(width, c->geometry().right() + 1 + margin);
    }
    dialog.setFixedSize(width, dialog.height());
}

QDialog* buildPrintingDialog(QWidget* owner, bool& keepPrinting) {
    QDialog* dialog = buildDialog(resources::printingDialog(), owner);
    fitDialogToTexts(*dialog);
    dialog->setModal(false);
    auto* button = dialog->findChild<QPushButton*>(QString::number(resources::kButtonId));
    QObject::connect(button, &QPushButton::clicked, dialog, [&keepPrinting] { keepPrinting = false; });
    QObject::connect(dialog, &QDialog::rejected, dialog, [&keepPrinting] { keepPrinting = false; });
    return dialog;
}

int32_t printedLinesPerPage(QPrinter& printer) {
    const QFontMetrics fm(consoleFont(), &printer);
    return linesPerPage(static_cast<int32_t>(printer.pageRect(QPrinter::DevicePixel).height()), fm.lineSpacing());
}

FrameWindow::FrameWindow(const QString& title, FrameState& state, ConsoleText& text)
    : area_(new QMdiArea(this)), context_{state, text, *this} {
    setWindowTitle(title);
    setWindowIcon(resourceIcon(resources::kFrameIcon));
    area_->setBackground(palette().brush(QPalette::Dark));  // the workspace colour
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area_);
    buildMenus();
    watchDialogs();
}

void FrameWindow::buildMenus() {
    int index = 0;
    for (const resources::Menu& menu : resources::mainMenu()) {
        QMenu* qmenu = menuBar()->addMenu(QString::fromLatin1(menu.title));
        if (index++ == resources::kWindowMenuIndex) windowMenu_ = qmenu;
        for (const resources::MenuItem& item : menu.items) {
            if (item.separator) {
                qmenu->addSeparator();
                continue;
            }
            QAction* action = qmenu->addAction(QString::fromLatin1(item.label));
            action->setData(item.id);
            action->setEnabled(!item.greyed);
            const int32_t id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { frameCommand(context_, id); });
            actions_[id] = action;
        }
    }
    for (const resources::Accelerator& a : resources::accelerators())
        if (QAction* act = action(a.command)) act->setShortcut(keySequence(a));
    connect(windowMenu_, &QMenu::aboutToShow, this, [this] { listChildWindows(); });
}

// Like an MDI window menu: the open child windows after the menu's own items.
void FrameWindow::listChildWindows() {
    for (QAction* a : windowMenu_->actions())
        if (a->property("childList").toBool()) {
            windowMenu_->removeAction(a);
            a->deleteLater();
        }
    const QList<QMdiSubWindow*> children = area_->subWindowList();
    if (children.isEmpty()) return;
    QAction* separator = windowMenu_->addSeparator();
    separator->setProperty("childList", true);
    int n = 0;
    for (QMdiSubWindow* child : children) {
        QAction* a = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(n + 1).arg(child->windowTitle()));
        a->setProperty("childList", true);
        a->setData(kFirstChildId + n++);
        a->setCheckable(true);
        a->setChecked(child == area_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, child] {
            if (child->isMinimized()) child->showNormal();
            area_->setActiveSubWindow(child);
        });
    }
}

QAction* FrameWindow::action(int32_t command) const {
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

QMdiSubWindow* FrameWindow::attachConsole(ConsoleWidget& console) {
    console_ = &console;
    console.menuItemChanged = [this](int32_t command, bool enabled) {
        if (QAction* a = action(command)) a->setEnabled(enabled);
    };
    for (int32_t command : {command::cut, command::copy, command::paste, command::remove})
        console.menuItemChanged(command, isEditItemEnabled(console.view(), command));
    consoleChild_ = addConsoleWindow(*area_, console);
    consoleChild_->setWindowIcon(resourceIcon(resources::kChildIcon));
    return consoleChild_;
}

int32_t FrameWindow::messageBox(bool ownedByFrame, const char* text, const char* caption, uint32_t style) {
    return dialogs.messageBox(ownedByFrame ? this : nullptr, text, caption, style);
}

bool FrameWindow::runSaveAsDialog(std::string& fileName, std::string& fileTitle) {
    return dialogs.saveAs(fileName, fileTitle);
}

void FrameWindow::setConsoleTitle(const std::string& title) {
    if (consoleChild_ != nullptr) consoleChild_->setWindowTitle(QString::fromStdString(title));
}

void FrameWindow::printConsoleText() {
    keepPrinting_ = true;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFromTo(1, 1);
    printer.setCopyCount(1);
    printer.setCollateCopies(true);
    if (!dialogs.print(printer, this)) return;

    const bool pageNumbers = printer.printRange() == QPrinter::PageRange;
    const int32_t fromPage = printer.fromPage();
    const int32_t toPage = printer.toPage();
    const int32_t copies = printer.copyCount();
    // The copies are this loop's: the printer makes one of each page, and leaves page
    // selection to us.
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);

    const int32_t perPage = printedLinesPerPage(printer);
    const ConsoleText& text = context_.text;
    const PrintJob job{QFontMetrics(consoleFont(), &printer).lineSpacing(), perPage,
                       printRange(perPage, text.lineCount, pageNumbers, fromPage, toPage), copies};

    QDialog* cancel = buildPrintingDialog(this, keepPrinting_);
    cancel->show();
    menuBar()->setEnabled(false);
    area_->setEnabled(false);
    printing_ = true;
    QtPrintDevice device(printer, consoleFont());
    printLines(text, job, device, keepPrinting_);
    delete cancel;
    printing_ = false;
    menuBar()->setEnabled(true);
    area_->setEnabled(true);
}

void FrameWindow::runAboutDialog() { dialogs.about(this); }

bool FrameWindow::isMenuItemChecked(int32_t command) {
    if (command >= command::firstProgram) return programItemChecked(command);
    QAction* a = action(command);
    return a != nullptr && a->isChecked();
}

int32_t FrameWindow::consoleEdit(int32_t command) {
    return console_ != nullptr ? console_->runEditCommand(command) : 0;
}

void FrameWindow::arrangeChildren(ChildArrangement arrangement) {
    switch (arrangement) {
        case ChildArrangement::cascade: area_->cascadeSubWindows(); return;
        case ChildArrangement::tile: area_->tileSubWindows(); return;
        case ChildArrangement::arrangeIcons: break;
    }
    // Minimised children in a row along the bottom of the client area.
    int x = 0;
    const int bottom = area_->viewport()->height();
    for (QMdiSubWindow* child : area_->subWindowList()) {
        if (!child->isMinimized()) continue;
        child->move(x, bottom - child->height());
        x += child->width();
    }
}

// The child windows have no commands of their own; the child list of the Window menu is
// handled by its actions.
void FrameWindow::forwardToActiveChild(int32_t) {}

void FrameWindow::destroyFrame() {
    markFrameGone();
    hide();
    deleteLater();
}

void FrameWindow::endProgram() {
    if (endProgramHook) {
        endProgramHook();
        return;
    }
    fio::end_program();
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    if (printing_) {  // the frame takes no input while printing
        event->ignore();
        return;
    }
    if (frameCloseRequested(context_)) {
        markFrameGone();
        event->accept();
        return;
    }
    event->ignore();
}

// A window manager gives the keyboard back to the frame when a dialog closes; without one the
// keys would reach no window of ours, and the shortcuts, which act only in the active window,
// would do nothing. So the frame takes the keyboard back itself when a dialog that held it
// closes, or when it lands on a window already hidden (a dialog closed before its focus came).
void FrameWindow::watchDialogs() {
    qApp->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (focus != nullptr && !focus->isVisible()) reclaimKeyboardSoon();
    });
}

bool FrameWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Hide) return QMainWindow::eventFilter(watched, event);
    const auto* dialog = qobject_cast<QDialog*>(watched);
    if (dialog != nullptr && dialog->windowHandle() != nullptr && QGuiApplication::focusWindow() == dialog->windowHandle())
        reclaimKeyboardSoon();
    return QMainWindow::eventFilter(watched, event);
}

// Once the events of the close have run: only when no shown window of ours is active.
void FrameWindow::reclaimKeyboardSoon() {
    QTimer::singleShot(0, this, [this] {
        const QWidget* active = QApplication::activeWindow();
        if ((active == nullptr || !active->isVisible()) && isVisible() && !isMinimized()) activateWindow();
    });
}

}  // namespace fw::qt
