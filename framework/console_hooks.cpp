// The console callbacks: thin calls into the console logic on the view the framework set up.
#include "framework/console_hooks.h"

namespace fw {

namespace {

ConsoleView* g_view = nullptr;

bool haveConsole() { return g_view != nullptr && g_view->text != nullptr && g_view->platform != nullptr; }

int32_t hookRead(char* buffer, int32_t capacity) {
    if (!haveConsole()) return fio::default_console_hooks().read(buffer, capacity);
    return consoleRead(*g_view, buffer, capacity);
}

int32_t hookWrite(const char* buffer, int32_t* count, int32_t selector) {
    if (!haveConsole()) return fio::default_console_hooks().write(buffer, count, selector);
    return consoleWrite(*g_view, buffer, count, selector);
}

void hookExit(int32_t) {
    if (haveConsole()) consoleExit(*g_view);
}

void hookPoll() {
    if (haveConsole()) consolePoll(*g_view);
}

}  // namespace

void setHookView(ConsoleView* view) { g_view = view; }

fio::ConsoleHooks consoleHooks() { return {hookRead, hookWrite, hookExit, hookPoll}; }

}  // namespace fw
