// frameworkMain: the start-up order of the desktop program.
#include "framework/qt/framework_main.h"

#include <unistd.h>

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/console_logic.h"
#include "framework/frame_logic.h"
#include "framework/console_hooks.h"
#include "framework/qt/console_widget.h"
#include "framework/qt/event_loops.h"
#include "framework/qt/frame_window.h"
#include "framework/qt/program_services_qt.h"
#include "libf/fio/program_end.h"
#include "libf/fio/file_layer.h"
#include "process/support_library.h"

namespace fw::qt {

namespace {

ConsoleView g_view;

// The program has stopped: the frame now closes without ending it.
void frameExit(int32_t code) {
    frameState().programFinished = true;
    consoleHooks().exit(code);
}

fio::ConsoleHooks frameworkHooks() {
    fio::ConsoleHooks hooks = consoleHooks();
    hooks.exit = frameExit;
    return hooks;
}

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt ends the process on a platform it cannot open; end with our own status and report instead.
QtMessageHandler g_previousHandler = nullptr;
void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (g_previousHandler != nullptr) g_previousHandler(type, context, message);
        return;
    }
    std::fprintf(stderr, "simplex: cannot open the window system: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    ::_exit(kNoWindow);
}

QApplication* startApplication(const char* instance) {
    static int argc = 1;
    static std::string name;
    static char* argv[2] = {};
    name = instance != nullptr ? instance : "simplex";
    argv[0] = name.data();
    g_previousHandler = qInstallMessageHandler(startupMessages);
    auto* app = new QApplication(argc, argv);  // lives until the process ends
    qInstallMessageHandler(g_previousHandler);
    return app;
}

// The frame opens wide enough to hold a figure beside the console when the screen allows it.
QSize openingFrameSize() {
    const QSize usual(800, 500), wide(1460, 860), leastWide(1200, 700);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return usual;
    const QSize room = screen->availableSize() - QSize(40, 60);  // the window manager's frame
    if (room.width() < leastWide.width() || room.height() < leastWide.height()) return usual;
    return wide.boundedTo(room);
}

}  // namespace

FrameWindow* frameWindow() { return dynamic_cast<FrameWindow*>(attachedFrame()); }

bool displayAvailable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string chosen = platform != nullptr ? platform : "";
    if (chosen.rfind("xcb", 0) == 0) return environmentSet("DISPLAY");
    if (chosen.rfind("wayland", 0) == 0) return environmentSet("WAYLAND_DISPLAY");
    if (!chosen.empty()) return true;  // offscreen, vnc, ...: no display needed
    return environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY");
}

int32_t frameworkMain(const char* instance, const char* previousInstance, const char*, int32_t showState,
                      void (*program)()) {
    // 1. Console callbacks before any window: the run-time's and the support library's.
    const fio::ConsoleHooks hooks = frameworkHooks();
    fio::install_console_callbacks(hooks);
    process::install_support_callbacks(hooks);

    // 2-3. Names and the frame's state.
    const QString title = QString::fromStdString(std::string(frameTitle(instance != nullptr ? instance : "")));
    FrameState& state = frameState();
    resetFrameState(state);

    // 4-5. The text store.
    ConsoleText& text = consoleText();
    if (allocateConsoleText(text) == 0) return kStartFailed;
    clearConsoleText(text);

    // 6. The window system.
    if (previousInstance != nullptr) return kStartFailed;
    if (!displayAvailable()) {
        std::fputs("simplex: no display is available for the window system\n", stderr);
        return kNoWindow;
    }
    if (QApplication::instance() == nullptr) startApplication(instance);

    // 7-8. Frame with its menus, shown as asked.
    auto* frame = new FrameWindow(title, state, text);
    attachFrame(frame);
    frame->resize(openingFrameSize());
    switch (frameShowFor(showState)) {
        case FrameShow::minimized: frame->showMinimized(); break;
        case FrameShow::maximized: frame->showMaximized(); break;
        case FrameShow::normal: frame->show(); break;
    }
    // Shown is not yet active: without a window manager to activate it, the frame would get
    // keys but none of its menu mnemonics or accelerators, which only work in the active window.
    if (frameShowFor(showState) != FrameShow::minimized) frame->activateWindow();

    // 9. The console.
    g_view = ConsoleView{};
    g_view.text = &text;
    auto* console = new ConsoleWidget(g_view);
    frame->attachConsole(*console);
    console->setFocus();
    setHookView(&g_view);
    // 10. The program services: tick settings, program menu items, timers, the graphics window.
    installProgramServices(*frame);

    // 11. The program runs inside this call and ends the process through the run-time.
    program();
    fio::end_program();
    return kStartFailed;  // not reached
}

}  // namespace fw::qt
