// Process entry of simplex: floating point, the support library, then the framework, which
// runs the analysis in its console window.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/about_box.h"
#include "framework/qt/framework_main.h"
#include "process/command_line.h"
#include "process/floating_point.h"
#include "process/support_library.h"
#include "startup/desktop_analysis.h"
#include "startup/version.h"

namespace {

// The running executable, as the frame's title shows it.
std::string executablePath(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) return std::string(path, static_cast<size_t>(n));
    return argv0 != nullptr ? argv0 : "simplex";
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window-system connection, so it works without a display.
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts(startup::version_line("simplex").c_str());
        return 0;
    }
    fw::setAboutCredit("for " + startup::version_line("simplex"));
    process::set_floating_point();
    const std::string tail = process::command_line_tail(argc, argv);
    const std::string instance = executablePath(argc > 0 ? argv[0] : nullptr);
    const int32_t status =
        fw::qt::frameworkMain(instance.c_str(), nullptr, tail.c_str(), process::show_default,
                              startup::run_desktop_analysis);
    process::end_process(status);
}
