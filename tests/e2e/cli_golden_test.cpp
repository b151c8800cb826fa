// End-to-end runs of simplex-cli: every golden case, tables with names, the usage text and a
// closed output pipe.
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

// Everything after a file's first line (its title).
std::string after_title(const std::string& text) { return text.substr(std::min(text.find('\n') + 1, text.size())); }

TEST(CliTable, WorkedExampleAsATableGivesThePlainResultsAndTheLabelledFiles) {
    const fs::path example = fs::path(SIMPLEX_SOURCE_DIR) / "examples" / "worked_example_table";
    const fs::path plain = fs::path(SIMPLEX_GOLDEN_DIR) / "worked_example";
    TempDir work;
    fs::copy(example / "sites.csv", work.path);
    ASSERT_EQ(run_cli(work.path, {}, example / "answers"), 0);

    // The plain run's console with one line more, right before the empty record of the fill.
    std::string console = read_file(plain / "expected" / "stdout.bin");
    const std::string prompt = "  0=analysis between cols, 1=analysis between rows\r\n";
    console.insert(console.find(prompt) + prompt.size(), "  READ TABLE sites.csv: 3 ROWS, 4 COLUMNS, COMMA-SEPARATED\r\n");
    EXPECT_EQ(read_file(work.path / "stdout.out"), console);
    EXPECT_EQ(read_file(work.path / "stderr.out"), read_file(plain / "expected" / "stderr.bin"));

    const std::string title = "sites.csv" + std::string(91, ' ') + "\r\n";
    for (const char* name : {"resu.ord", "simplex.dat", "REDUC.ORD"}) {
        SCOPED_TRACE(name);
        const std::string written = read_file(work.path / name);
        EXPECT_EQ(after_title(written), after_title(read_file(plain / "expected" / name)));
        EXPECT_NE(written.find(title), std::string::npos);
    }
    // Expected files worked out by tests/tools/table_results_oracle.py.
    for (const char* name : {"pairs.csv", "summary.csv"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(read_file(work.path / name), read_file(example / name));
    }

    // A later run on the plain layout leaves the labelled files of the table run alone.
    fs::copy(plain / "input" / "data.txt", work.path);
    ASSERT_EQ(run_cli(work.path, {"data.txt", "0"}, "/dev/null"), 0);
    EXPECT_EQ(read_file(work.path / "pairs.csv"), read_file(example / "pairs.csv"));
}

TEST(CliTable, FaultyTableStopsWithStatusOneBeforeAnyResultFile) {
    struct Case {
        const char* file;
        std::string bytes;
        std::string lines;  // the console's report
    };
    const Case cases[] = {
        {"sites.csv", "\"\",\"a\",\"b\",\"c\"\n\"s1\",1,0,1\n\"s2\",0,1,NA\n",
         "  TABLE sites.csv, LINE 3, COLUMN 4 (D): \"NA\" IS NOT A NUMBER\r\n"},
        {"counts.TSV", "\ta\tb\ns1\t1\t0\ns2\t1\n", "  TABLE counts.TSV, LINE 3, COLUMN 3 (C): 2 CELLS WHERE THE ROWS HAVE 3\r\n"},
        {"data.csv", "worked example\n4 3\n1 1 0\n",
         "  TABLE data.csv, LINE 1: NO TAB, SEMICOLON OR COMMA IN THE HEADER; EXPORT IT WITH write.csv\r\n"
         "  THIS IS THE PLAIN LAYOUT (TITLE, DIMENSIONS, MATRIX): RENAME THE FILE TO .txt\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir work;
        std::ofstream(work.path / c.file, std::ios::binary) << c.bytes;
        EXPECT_EQ(run_cli(work.path, {c.file, "1"}, "/dev/null"), 1);
        const std::string console = read_file(work.path / "stdout.out");
        EXPECT_NE(console.find("rows\r\n" + c.lines), std::string::npos) << console;
        EXPECT_TRUE(console.ends_with(c.lines)) << console;
        EXPECT_EQ(read_file(work.path / "stderr.out"), " STOP  \n");
        for (const char* name : {"resu.ord", "simplex.dat", "REDUC.ORD", "pairs.csv", "summary.csv"})
            EXPECT_FALSE(fs::exists(work.path / name)) << name;
    }
}

TEST(CliUsage, HelpPrintsUsageAndTooManyArgumentsAreRefused) {
    TempDir work;
    std::ofstream(work.path / "empty").close();
    EXPECT_EQ(run_cli(work.path, {"--help"}, work.path / "empty"), 0);
    const std::string usage = read_file(work.path / "stdout.out");
    EXPECT_EQ(usage.rfind("Usage: simplex-cli [--plot FILE] [DATA [ORIENTATION]]\n", 0), 0u) << usage;
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
