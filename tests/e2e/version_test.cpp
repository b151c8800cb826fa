// Both programs answer --version with "<program> <project version>", plus " (commit <hash>)"
// in a git checkout, on standard output with status 0. The desktop program answers without a
// display: the window system is never reached.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Output {
    int status = -1;
    std::string out;
};

Output capture(const std::string& command) {
    Output output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) output.out += buffer.data();
    const int status = ::pclose(pipe);
    output.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    return output;
}

// program --version with no display in the environment; standard error joins standard output.
Output runVersion(const std::string& program) {
    return capture("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + program + "' --version 2>&1 </dev/null");
}

// The checkout's commit as git abbreviates it to seven digits, or empty outside a checkout.
std::string sourceCommit() {
    Output output = capture(std::string("git -C '") + SIMPLEX_SOURCE_DIR + "' rev-parse --short=7 HEAD 2>/dev/null");
    if (output.status != 0) return "";
    while (!output.out.empty() && output.out.back() == '\n') output.out.pop_back();
    return output.out;
}

TEST(Version, BothProgramsPrintTheProjectVersionAndCommit) {
    const std::string commit = sourceCommit();
    const std::string suffix = commit.empty() ? "" : " (commit " + commit + ")";
    for (const char* program : {"simplex-cli", "simplex"}) {
        SCOPED_TRACE(program);
        const Output output = runVersion(std::string(SIMPLEX_BINARY_DIR) + "/" + program);
        EXPECT_EQ(output.status, 0);
        EXPECT_EQ(output.out, std::string(program) + " " + SIMPLEX_PROJECT_VERSION + suffix + "\n");
    }
}

}  // namespace
