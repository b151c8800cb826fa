// End-to-end runs of simplex-cli: every golden case, the usage text and a closed output pipe.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const fs::path cli_binary = fs::path(SIMPLEX_BINARY_DIR) / "simplex-cli";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A fresh working directory, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "simplex-e2e-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

// Runs the program in dir with stdin from a file and stdout/stderr to files there; returns
// the exit status (or 1000 + signal number).
int run_cli(const fs::path& dir, const std::vector<std::string>& args, const fs::path& stdin_file,
            int stdout_fd = -1) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(120);
        const int in = ::open(stdin_file.c_str(), O_RDONLY);
        const int out = stdout_fd >= 0 ? stdout_fd : ::open("stdout.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("stderr.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) ::_exit(121);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(cli_binary.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(cli_binary.c_str(), argv.data());
        ::_exit(122);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

std::vector<fs::path> golden_cases() {
    std::vector<fs::path> cases;
    for (const auto& entry : fs::directory_iterator(SIMPLEX_GOLDEN_DIR))
        if (entry.is_directory()) cases.push_back(entry.path());
    std::sort(cases.begin(), cases.end());
    return cases;
}

TEST(CliGolden, EveryCaseGivesTheExpectedBytesFilesAndStatus) {
    const std::vector<fs::path> cases = golden_cases();
    ASSERT_GE(cases.size(), 4u);
    for (const fs::path& c : cases) {
        SCOPED_TRACE(c.filename().string());
        TempDir work;
        if (fs::exists(c / "input")) fs::copy(c / "input", work.path, fs::copy_options::recursive);
        std::vector<std::string> args;
        if (fs::exists(c / "args")) args = lines_of(read_file(c / "args"));
        const int status = run_cli(work.path, args, c / "answers");
        const fs::path expected = c / "expected";
        EXPECT_EQ(std::to_string(status) + "\n", read_file(expected / "exit_status"));
        EXPECT_EQ(read_file(work.path / "stdout.out"), read_file(expected / "stdout.bin"));
        EXPECT_EQ(read_file(work.path / "stderr.out"), read_file(expected / "stderr.bin"));
        for (const char* name : {"resu.ord", "simplex.dat", "REDUC.ORD"}) {
            SCOPED_TRACE(name);
            if (fs::exists(expected / (std::string(name) + ".absent"))) {
                EXPECT_FALSE(fs::exists(work.path / name));
            } else {
                ASSERT_TRUE(fs::exists(work.path / name));
                EXPECT_EQ(read_file(work.path / name), read_file(expected / name));
            }
        }
    }
}

TEST(CliUsage, HelpPrintsUsageAndTooManyArgumentsAreRefused) {
    TempDir work;
    std::ofstream(work.path / "empty").close();
    EXPECT_EQ(run_cli(work.path, {"--help"}, work.path / "empty"), 0);
    const std::string usage = read_file(work.path / "stdout.out");
    EXPECT_EQ(usage.rfind("Usage: simplex-cli [FILE [ORIENTATION]]\n", 0), 0u) << usage;
    for (const char* status : {"0 after a completed run", "1 when the analysis failed", "2 for a usage error",
                               "255 after a run-time error"})
        EXPECT_NE(usage.find(status), std::string::npos) << status;
    EXPECT_EQ(read_file(work.path / "stderr.out"), "");

    EXPECT_EQ(run_cli(work.path, {"a", "0", "extra"}, work.path / "empty"), 2);
    EXPECT_EQ(read_file(work.path / "stdout.out"), "");
    EXPECT_EQ(read_file(work.path / "stderr.out"), usage);
    EXPECT_FALSE(fs::exists(work.path / "resu.ord"));
}

TEST(CliOutput, ClosedOutputPipeIsAReportedSystemError) {
    TempDir work;
    std::ofstream(work.path / "empty").close();
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    ::close(pipe_fds[0]);  // nobody reads: the first prompt meets a broken pipe
    const int status = run_cli(work.path, {}, work.path / "empty", pipe_fds[1]);
    ::close(pipe_fds[1]);
    EXPECT_EQ(status, 255);
    EXPECT_EQ(read_file(work.path / "stderr.out"), "? System Error:\n? Broken pipe\n? WRITE(UNIT=*,...\n");
}

}  // namespace
