// The progress line on the terminal.
#include "startup/terminal_progress.h"

#include <unistd.h>

#include <string>

#include "startup/progress_meter.h"

namespace startup {

namespace {

struct ProgressLine {
    ProgressMeter meter{1.0};
    std::size_t shown = 0;  // characters of the line on the screen
    int32_t (*write)(const char*, int32_t*, int32_t) = nullptr;
};

ProgressLine g_line;

void put(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.data() + at, bytes.size() - at);
        if (n <= 0) return;  // a terminal that takes nothing is left alone
        at += static_cast<std::size_t>(n);
    }
}

void show(const std::string& text) {
    std::string bytes = "\r" + text;
    if (text.size() < g_line.shown) bytes += std::string(g_line.shown - text.size(), ' ') + "\r" + text;
    put(bytes);
    g_line.shown = text.size();
}

void erase() {
    if (g_line.shown > 0) show("");
}

int32_t write_after_progress(const char* buffer, int32_t* count, int32_t selector) {
    erase();
    return g_line.write(buffer, count, selector);
}

void report(int64_t done, int64_t total) {
    if (const auto text = g_line.meter.update(done, total, steady_seconds())) show(*text);
}

}  // namespace

std::function<void(int64_t, int64_t)> terminal_progress(fio::ConsoleHooks& hooks) {
    if (::isatty(STDERR_FILENO) == 0) return {};
    g_line.meter = ProgressMeter(progress_delay_seconds());
    g_line.write = hooks.write;
    hooks.write = write_after_progress;
    return report;
}

}  // namespace startup
