// Process entry of simplex: floating point, the support library, then the framework, which
// runs the analysis in its console window.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/analysis.h"
#include "framework/about_box.h"
#include "framework/qt/framework_main.h"
#include "startup/command_line.h"
#include "startup/common/process.h"
#include "startup/common/version.h"
#include "startup/support_library.h"

namespace {

// The running executable, as the frame's title shows it.
std::string executablePath(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) return std::string(path, static_cast<size_t>(n));
    return argv0 != nullptr ? argv0 : "simplex";
}

void runAnalysis() { analysis::run_analysis(); }

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window-system connection, so it works without a display.
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts(startup::versionLine("simplex").c_str());
        return 0;
    }
    fw::setAboutCredit("for " + startup::versionLine("simplex"));
    startup::set_floating_point();
    startup::prepareSupportLibrary(argc, argv);
    const std::string tail = startup::commandLineTail(argc, argv);
    const std::string instance = executablePath(argc > 0 ? argv[0] : nullptr);
    const int32_t status =
        fw::qt::frameworkMain(instance.c_str(), nullptr, tail.c_str(), startup::kShowDefault, runAnalysis);
    startup::processExit(status);
}
