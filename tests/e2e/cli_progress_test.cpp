// simplex-cli's progress line: on standard error when that is a terminal, never on a pipe, and
// never a change to standard output or the result files.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 12 descriptors by 40 objects; descriptor 1 is everywhere, so no object is empty.
std::string matrix() {
    std::string text = "progress\n12 40\n";
    for (int i = 0; i < 12; ++i) {
        for (int j = 0; j < 40; ++j) text += (i == 0 || (i * 7 + j * 3) % 5 < 2) ? " 1" : " 0";
        text += "\n";
    }
    return text;
}

// Runs `command` in dir through the shell, with the progress delay lowered to nothing.
void run_in(const fs::path& dir, const std::string& command) {
    const std::string line = "cd '" + dir.string() + "' && SIMPLEX_PROGRESS_DELAY=0 " + command + " </dev/null";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

TEST(CliProgress, ShownOnATerminalAndNeverOnAPipe) {
    std::string pattern = (fs::temp_directory_path() / "simplex-progress-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    std::ofstream(dir / "data.txt") << matrix();
    const std::string cli = (fs::path(SIMPLEX_BINARY_DIR) / "simplex-cli").string() + " data.txt 0";

    run_in(dir, cli + " >pipe.out 2>pipe.err");
    const std::string pipe_err = read_file(dir / "pipe.err");
    EXPECT_EQ(pipe_err.find("pairs"), std::string::npos) << pipe_err;
    std::string files;
    for (const char* name : {"resu.ord", "simplex.dat", "REDUC.ORD"}) files += read_file(dir / name);

    // script gives the program a pseudo-terminal for all three streams.
    run_in(dir, "script -qec '" + cli + "' /dev/null >terminal.out 2>&1");
    const std::string screen = read_file(dir / "terminal.out");
    // After the first object's 39 pairs of 780: shown, then blanked before the table.
    const std::string line = "\r39 of 780 pairs (5.0 %)";
    const std::size_t shown = screen.find(line);
    ASSERT_NE(shown, std::string::npos) << screen;
    const std::string blanked = "\r" + std::string(line.size() - 1, ' ') + "\r";
    EXPECT_LT(screen.find(blanked, shown), screen.find("PERCENTAGES")) << screen;
    std::string again;
    for (const char* name : {"resu.ord", "simplex.dat", "REDUC.ORD"}) again += read_file(dir / name);
    EXPECT_EQ(again, files);
    fs::remove_all(dir);
}

}  // namespace
