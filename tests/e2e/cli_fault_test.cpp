// Faults around simplex-cli's files: a result file that cannot be written, an input that is a
// directory or a binary file, a record of a megabyte, NUL bytes inside records. Every run must
// end with an error report and status 255 (or the analysis's own message), never with a crash
// and never with status 0 over missing or short result files.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const fs::path cli_binary = fs::path(SIMPLEX_BINARY_DIR) / "simplex-cli";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "simplex-fault-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

struct CliRun {
    int status = -1;  // exit status, or 1000 + signal number
    std::string out, err;
};

// A program in dir with stdin from a file and stdout/stderr to files there.
CliRun run_in(const fs::path& dir, const std::vector<std::string>& argv, const std::string& stdin_file) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(120);
        const int in = ::open(stdin_file.c_str(), O_RDONLY);
        const int out = ::open("stdout.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("stderr.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) ::_exit(121);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(122);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliRun r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    r.out = read_file(dir / "stdout.out");
    r.err = read_file(dir / "stderr.out");
    return r;
}

// simplex-cli in dir with the input file named on the command line and the rows orientation.
CliRun run_cli(const fs::path& dir, const std::string& input) {
    return run_in(dir, {cli_binary.string(), input, "1"}, "/dev/null");
}

const std::string worked_example = "worked example\n4 3\n1 1 0\n1 0 1\n0 1 1\n1 1 1\n";

// Each result file linked to /dev/full in turn: the first WRITE that reaches the device fails,
// and the run reports it on standard error with the failing statement and unit.
TEST(CliFaults, ResultFileOnAFullDevice) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const struct {
        const char* file;
        const char* statement;
    } cases[] = {
        {"resu.ord", "? WRITE(UNIT=2,..."},
        {"simplex.dat", "? WRITE(UNIT=4,..."},
        {"REDUC.ORD", "? WRITE(UNIT=2,..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        write_file(dir.path / "data.txt", worked_example);
        fs::create_symlink("/dev/full", dir.path / c.file);
        const CliRun r = run_cli(dir.path, "data.txt");
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, "? System Error:\n? No space left on device\n" + std::string(c.statement) + "\n");
        EXPECT_EQ(r.out.find(" STOP"), std::string::npos);
    }
}

// Inputs the analysis cannot read end with a run-time error report that names the line, and
// status 255, and leave no result files; a directory is refused by OPEN, which the analysis
// reports in its own words as a failed run.
TEST(CliFaults, UnreadableInputs) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) >> 3);
    const struct {
        const char* name;
        std::string bytes;  // empty: a directory
        int status;
        std::string err;
        const char* out_line;
    } cases[] = {
        {"directory", "", 1, " STOP\n", " INPUT FILE DOES NOT EXIST!!"},
        {"binary file", binary, 255, "", nullptr},
        {"NUL inside a matrix row", "t\n4 3\n1 1 0\n1 0\0 1\n0 1 1\n1 1 1\n"s, 255,
         "? FORTRAN Runtime Error:\n? Illegal character in numeric input\n? READ(UNIT=1,...\n"
         "? At line 4 of input\n", nullptr},
        {"NUL record as the last row", "t\n4 3\n1 1 0\n1 0 1\n0 1 1\n\0\0\0\n"s, 255,
         "? FORTRAN Runtime Error:\n? Illegal character in numeric input\n? READ(UNIT=1,...\n"
         "? At line 6 of input\n", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.bytes.empty()) fs::create_directory(dir.path / "input");
        else write_file(dir.path / "input", c.bytes);
        const CliRun r = run_cli(dir.path, "input");
        EXPECT_EQ(r.status, c.status);
        if (c.status == 255) {
            EXPECT_EQ(r.err.rfind("? FORTRAN Runtime Error:\n", 0), 0u) << r.err;
            EXPECT_NE(r.err.find("? READ(UNIT=1,...\n"), std::string::npos) << r.err;
            if (!c.err.empty()) {
                EXPECT_EQ(r.err, c.err);
            }
        } else {
            EXPECT_NE(r.out.find(c.out_line), std::string::npos) << r.out;
        }
        for (const char* result : {"resu.ord", "simplex.dat", "REDUC.ORD"})
            EXPECT_FALSE(fs::exists(dir.path / result)) << result;
    }
}

// One object more than the score table can hold in one ALLOCATE: refused with the allocation
// error before any result file is made.
TEST(CliFaults, TooManyObjectsForTheScoreTable) {
    TempDir dir;
    std::string rows = "t\n26756 1\n";
    for (int i = 0; i < 26756; ++i) rows += "1\n";
    write_file(dir.path / "data.txt", rows);
    const CliRun r = run_cli(dir.path, "data.txt");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "? FORTRAN Runtime Error:\n? Buffer allocation failed\n");
    for (const char* result : {"resu.ord", "simplex.dat", "REDUC.ORD"})
        EXPECT_FALSE(fs::exists(dir.path / result)) << result;
}

// A title record of a megabyte keeps its first 100 characters; a matrix row of a megabyte
// reads its columns and ignores the rest. Both runs complete with the worked example's scores.
TEST(CliFaults, MegabyteRecords) {
    TempDir reference;
    write_file(reference.path / "data.txt", worked_example);
    ASSERT_EQ(run_cli(reference.path, "data.txt").status, 0);
    const std::string expected = read_file(reference.path / "REDUC.ORD");
    const std::string expected_scores = read_file(reference.path / "resu.ord");
    ASSERT_FALSE(expected.empty());

    std::string long_row;
    for (int i = 0; i < (1 << 19); ++i) long_row += " 1";
    const struct {
        const char* name;
        std::string bytes;
        std::string title;
    } cases[] = {
        {"title", std::string(1 << 20, 'T') + "\n4 3\n1 1 0\n1 0 1\n0 1 1\n1 1 1\n", std::string(100, 'T')},
        {"row", "worked example\n4 3\n1 1 0" + long_row + "\n1 0 1\n0 1 1\n1 1 1\n", "worked example"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        write_file(dir.path / "data.txt", c.bytes);
        const CliRun r = run_cli(dir.path, "data.txt");
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string scores = read_file(dir.path / "resu.ord");
        EXPECT_EQ(scores.substr(0, c.title.size()), c.title);
        // Everything after the title line is the worked example's.
        EXPECT_EQ(scores.substr(scores.find('\n')), expected_scores.substr(expected_scores.find('\n')));
        const std::string reduced = read_file(dir.path / "REDUC.ORD");
        EXPECT_EQ(reduced.substr(reduced.find('\n')), expected.substr(expected.find('\n')));
    }
}

}  // namespace

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized_build = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized_build = true;
#else
constexpr bool sanitized_build = false;
#endif
#else
constexpr bool sanitized_build = false;
#endif

bool have_valgrind() { return std::system("valgrind --version >/dev/null 2>&1") == 0; }

// valgrind finds no invalid read or write and no use of an uninitialised value, over every
// bundled example (its answers on standard input, the program's status kept apart from
// valgrind's 99) and over a write to a full device.
TEST(CliFaults, ValgrindOverTheExamples) {
    if (sanitized_build) GTEST_SKIP() << "valgrind does not run sanitizer builds";
    if (!have_valgrind()) GTEST_SKIP() << "valgrind is not installed";
    const std::vector<std::string> valgrind = {"valgrind", "-q", "--error-exitcode=99", "--leak-check=no",
                                               "--track-origins=yes", cli_binary.string()};
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(SIMPLEX_SOURCE_DIR) / "examples")) {
        if (!entry.is_directory()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++examples;
        TempDir dir;
        const std::string answers = read_file(entry.path() / "answers");
        const std::string data_file = answers.substr(0, answers.find('\n'));  // the first answer
        fs::copy_file(entry.path() / data_file, dir.path / data_file);
        const CliRun r = run_in(dir.path, valgrind, (entry.path() / "answers").string());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_file(dir.path / "REDUC.ORD"), read_file(entry.path() / "REDUC.ORD"));
    }
    EXPECT_GT(examples, 0);

    if (!fs::exists("/dev/full")) return;
    TempDir dir;
    write_file(dir.path / "data.txt", worked_example);
    fs::create_symlink("/dev/full", dir.path / "resu.ord");
    std::vector<std::string> args = valgrind;
    args.insert(args.end(), {"data.txt", "1"});
    const CliRun r = run_in(dir.path, args, "/dev/null");
    EXPECT_EQ(r.status, 255) << r.err;
}

}  // namespace
