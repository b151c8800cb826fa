// simplex-cli --plot FILE: the figure in each format after a completed run, a usage error for
// an unknown extension before anything runs, status 1 with the result files kept when the
// plot cannot be written, and no plot after a failed run.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const fs::path cli_binary = fs::path(SIMPLEX_BINARY_DIR) / "simplex-cli";
const std::string worked_example = "worked example\n4 3\n1 1 0\n1 0 1\n0 1 1\n1 0 0\n";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct PlotRun {
    int status;
    std::string err;
};

// simplex-cli --plot plot DATA 0 in a fresh directory holding data.txt; no display.
PlotRun run_plot(const fs::path& dir, const std::string& plot, const std::string& data = worked_example) {
    fs::create_directories(dir);
    std::ofstream(dir / "data.txt", std::ios::binary) << data;
    const std::string command = "cd '" + dir.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY '" +
                                cli_binary.string() + "' --plot '" + plot +
                                "' data.txt 0 > stdout.out 2> stderr.out < /dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(dir / "stderr.out")};
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("simplex-plot-" + std::to_string(::getpid()));
    ~TempDir() { fs::remove_all(path); }
};

TEST(CliPlot, WritesEachFormatAfterACompletedRun) {
    const struct {
        const char* file;
        std::string magic;
    } cases[] = {{"plot.svg", "<?xml"}, {"plot.png", "\x89PNG\r\n"}, {"Plot.PDF", "%PDF-"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        const PlotRun r = run_plot(dir.path, c.file);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, " STOP  \n");
        EXPECT_EQ(read_file(dir.path / c.file).substr(0, c.magic.size()), c.magic);
    }
}

TEST(CliPlot, RefusalsAndFailures) {
    const struct {
        const char* name;
        const char* plot;
        std::string data;
        int status;
        const char* err;          // a line standard error must hold
        bool results;             // resu.ord, simplex.dat and REDUC.ORD are there
    } cases[] = {
        {"unknown extension", "plot.jpg", worked_example, 2, "the plot FILE must end in .svg, .png or .pdf\n", false},
        {"no extension", "plot", worked_example, 2, "Usage: simplex-cli [--plot FILE] [DATA [ORIENTATION]]\n", false},
        {"missing folder", "missing/plot.svg", worked_example, 1, "simplex-cli: cannot write the plot missing/plot.svg: ",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const PlotRun r = run_plot(dir.path, c.plot, c.data);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.path / c.plot));
        for (const char* result : {"resu.ord", "simplex.dat", "REDUC.ORD"})
            EXPECT_EQ(fs::exists(dir.path / result), c.results) << result;
    }
    // A run that ends at an empty object draws nothing.
    TempDir dir;
    run_plot(dir.path, "plot.svg", "empty object\n2 3\n1 0 1\n1 0 1\n");
    EXPECT_NE(read_file(dir.path / "stdout.out").find("IS EMPTY"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path / "plot.svg"));
}

}  // namespace
