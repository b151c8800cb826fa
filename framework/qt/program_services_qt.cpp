// Program services on Qt. Menu items keep their command identifier in QAction::data(), as the
// frame's own items do; program timers are QTimers keyed by the program's identifier.
#include "framework/qt/program_services_qt.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QStatusBar>
#include <QTimer>

#include "framework/qt/console_widget.h"
#include "framework/qt/event_loops.h"
#include "framework/qt/frame_window.h"
#include "framework/qt/graphics_window.h"

namespace fw::qt {

namespace {

constexpr const char* kProgramItem = "programItem";
constexpr const char* kSettingCheck = "settingCheck";
constexpr int32_t kMinimumInterval = 10;  // shorter timers would keep the loop busy

ProgramServicesQt* g_installed = nullptr;

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Sets a check mark the way the program asked for it. A picked menu item never toggles its own
// mark here (the program calls checkMenuItem for that), so the toggle Qt makes on a click is
// taken back before the frame reads the state.
void setCheckMark(QAction* action, bool on) {
    if (!action->isCheckable()) {
        action->setCheckable(true);
        QObject::connect(action, &QAction::toggled, action, [action](bool checked) {
            if (action->property(kSettingCheck).toBool()) return;
            action->setProperty(kSettingCheck, true);
            action->setChecked(!checked);
            action->setProperty(kSettingCheck, false);
        });
    }
    action->setProperty(kSettingCheck, true);
    action->setChecked(on);
    action->setProperty(kSettingCheck, false);
}

// The item with a command identifier in menu or one of its drop-down menus, and the menu that
// holds it.
QAction* findCommand(QMenu* menu, int32_t id, QMenu*& holder) {
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = findCommand(sub, id, holder)) return found;
        } else if (!action->isSeparator() && action->data().isValid() && action->data().toInt() == id) {
            holder = menu;
            return action;
        }
    }
    return nullptr;
}

}  // namespace

ProgramServicesQt::ProgramServicesQt(FrameWindow& frame, ServicesState& state)
    : QObject(&frame), frame_(frame), state_(state) {
    // The status bar is there from the start, so that its first text does not resize the
    // console under a running program.
    frame_.statusBar();
    command = [this](int32_t id) { frameCommand(frame_.context(), id); };
    timer = [this](int32_t id) { frameTimer(frame_.context().state, id); };
    question = [](const char* text, const char* caption, uint32_t) -> int32_t {
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(caption), QString::fromLatin1(text),
                        QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? answer::yes : answer::no;
    };
}

ProgramServicesQt::~ProgramServicesQt() {
    if (g_installed == this) {
        g_installed = nullptr;
        installServicesPlatform(nullptr);
    }
}

// Graphics window -----------------------------------------------------------------------------

bool ProgramServicesQt::createGraphicsWindow(const GraphicsWindowRequest& request, FontMetrics& font) {
    graphicsChild_ = addGraphicsWindow(frame_.mdiArea(), state_.graphics, request, font);
    return !graphicsChild_.isNull();
}

// Menus ---------------------------------------------------------------------------------------

QMenu* ProgramServicesQt::submenu(int32_t menuIndex) const {
    const QList<QAction*> bar = frame_.menuBar()->actions();
    if (menuIndex < 0 || menuIndex >= bar.size()) return nullptr;
    return bar[menuIndex]->menu();
}

QAction* ProgramServicesQt::newItem(uint32_t flags, int32_t id, const std::string& text) {
    auto* action = new QAction(latin1(text), frame_.menuBar());
    action->setData(id);
    action->setProperty(kProgramItem, true);
    action->setSeparator((flags & mf::separator) != 0);
    action->setEnabled((flags & (mf::grayed | mf::disabled)) == 0);
    if ((flags & mf::checked) != 0) setCheckMark(action, true);
    connect(action, &QAction::triggered, this, [this, id] { command(id); });
    return action;
}

QAction* ProgramServicesQt::programAction(int32_t id) const {
    for (QAction* top : frame_.menuBar()->actions()) {
        QMenu* holder = nullptr;
        QAction* found = top->menu() != nullptr ? findCommand(top->menu(), id, holder) : nullptr;
        if (found != nullptr && found->property(kProgramItem).toBool()) return found;
    }
    return nullptr;
}

bool ProgramServicesQt::appendMenu(int32_t menuIndex, uint32_t flags, int32_t id, const std::string& text) {
    QMenu* menu = submenu(menuIndex);
    if (menu == nullptr || (flags & mf::popup) != 0) return false;  // an identifier is no menu
    menu->addAction(newItem(flags, id, text));
    return true;
}

bool ProgramServicesQt::insertMenu(int32_t menuIndex, int32_t position, uint32_t flags, int32_t id,
                                   const std::string& text) {
    QMenu* menu = submenu(menuIndex);
    if (menu == nullptr || (flags & mf::popup) != 0) return false;
    QAction* before = nullptr;
    if ((flags & mf::byPosition) != 0) {
        const QList<QAction*> items = menu->actions();
        if (position >= 0 && position < items.size()) before = items[position];  // else appended
    } else {
        // By command: before the item with that identifier, in whichever drop-down holds it.
        QMenu* holder = nullptr;
        before = findCommand(menu, position, holder);
        if (before == nullptr) return false;
        menu = holder;
    }
    menu->insertAction(before, newItem(flags, id, text));
    return true;
}

bool ProgramServicesQt::insertPopupMenu(int32_t position, uint32_t flags, const std::string& text) {
    QMenuBar* bar = frame_.menuBar();
    const QList<QAction*> items = bar->actions();
    QAction* before = position >= 0 && position < items.size() ? items[position] : nullptr;
    auto* menu = new QMenu(latin1(text), bar);
    menu->menuAction()->setProperty(kProgramItem, true);
    menu->menuAction()->setEnabled((flags & (mf::grayed | mf::disabled)) == 0);
    bar->insertMenu(before, menu);
    return true;
}

int32_t ProgramServicesQt::checkMenuItem(int32_t menuIndex, int32_t position, uint32_t flags) {
    QMenu* menu = submenu(menuIndex);
    if (menu == nullptr) return kNoMenuItem;
    const QList<QAction*> items = menu->actions();
    if (position < 0 || position >= items.size()) return kNoMenuItem;
    QAction* action = items[position];
    const int32_t previous = action->isChecked() ? static_cast<int32_t>(mf::checked) : 0;
    setCheckMark(action, (flags & mf::checked) != 0);
    return previous;
}

int32_t ProgramServicesQt::deleteMenuItem(int32_t menuIndex, int32_t position) {
    QMenu* menu = submenu(menuIndex);
    if (menu == nullptr) return 0;
    const QList<QAction*> items = menu->actions();
    if (position < 0 || position >= items.size()) return 0;
    QAction* action = items[position];
    menu->removeAction(action);
    // The frame's own items stay alive for its bookkeeping; the program's are released.
    if (!action->property(kProgramItem).toBool()) return 1;
    if (QMenu* sub = action->menu())
        sub->deleteLater();  // its menu action goes with it
    else
        action->deleteLater();
    return 1;
}

void ProgramServicesQt::drawMenuBar() { frame_.menuBar()->update(); }

// Timers --------------------------------------------------------------------------------------

bool ProgramServicesQt::setTimer(int32_t id, int32_t intervalMs) {
    QTimer*& slot = timers_[id];
    if (slot == nullptr) {  // setting an identifier again restarts its timer
        slot = new QTimer(this);
        connect(slot, &QTimer::timeout, this, [this, id] { timer(id); });
    }
    slot->start(intervalMs < kMinimumInterval ? kMinimumInterval : intervalMs);
    return true;
}

void ProgramServicesQt::killTimer(int32_t id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

// Tick ----------------------------------------------------------------------------------------

void ProgramServicesQt::dispatchQueued() { ::fw::qt::dispatchQueued(false); }

int32_t ProgramServicesQt::startTick(int32_t delayMs, int32_t, std::atomic<int32_t>& flag) {
    return startTickTimer(delayMs, flag);
}

int32_t ProgramServicesQt::messageBox(const char* text, const char* caption, uint32_t style) {
    return question(text, caption, style);
}

void ProgramServicesQt::endProgram() { frame_.endProgram(); }

// Figures -------------------------------------------------------------------------------------

Rect ProgramServicesQt::clientArea() {
    const QRect area = frame_.mdiArea().viewport()->rect();
    return {area.left(), area.top(), area.right() + 1, area.bottom() + 1};
}

Rect ProgramServicesQt::consolePlace() {
    if (frame_.console() == nullptr) return {};
    const QRect place = frame_.console()->parentWidget()->geometry();  // its MDI child
    return {place.left(), place.top(), place.right() + 1, place.bottom() + 1};
}

std::string ProgramServicesQt::chooseSaveFile(const std::string& caption, std::span<const FileType> types) {
    return frame_.dialogs.saveFile(caption, types);
}

bool ProgramServicesQt::printPage(const std::string& documentName, PageOrientation orientation,
                                  PaintCallback paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(documentName));
    printer.setPageOrientation(orientation == PageOrientation::landscape ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
    if (!frame_.dialogs.printFigure(printer, &frame_)) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PaintSurface surface{painter, {printer.width(), printer.height()}};
    paint(&surface);
    return painter.end();
}

void ProgramServicesQt::setStatusText(const std::string& text) {
    frame_.statusBar()->showMessage(QString::fromUtf8(text));
}

// Installation --------------------------------------------------------------------------------

ProgramServicesQt& installProgramServices(FrameWindow& frame) {
    ServicesState& state = servicesState();
    resetServicesState(state);
    delete g_installed;
    g_installed = new ProgramServicesQt(frame, state);
    installServicesPlatform(g_installed);
    return *g_installed;
}

bool programItemChecked(int32_t command) {
    if (g_installed == nullptr) return false;
    const QAction* action = g_installed->programAction(command);
    return action != nullptr && action->isChecked();
}

}  // namespace fw::qt
