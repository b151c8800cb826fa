// Process entry of simplex-cli: the analysis on standard input, output and error.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis.h"
#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "process/floating_point.h"
#include "startup/plot_cli.h"
#include "startup/terminal_progress.h"
#include "startup/version.h"

namespace {

constexpr const char* usage_text =
    "Usage: simplex-cli [--plot FILE] [DATA [ORIENTATION]]\n"
    "\n"
    "Decomposes the pairwise beta diversity of a data matrix into similarity (S),\n"
    "species replacement (R) and richness difference (D).\n"
    "\n"
    "--version prints the program's version.\n"
    "\n"
    "Without arguments the program asks for the input file name and the orientation\n"
    "on standard input. DATA and ORIENTATION answer those two questions in advance:\n"
    "ORIENTATION 0 compares the columns of the matrix, any other number its rows.\n"
    "\n"
    "Writes resu.ord, simplex.dat and REDUC.ORD in the current directory. A DATA file\n"
    "ending in .csv or .tsv is read as a table with names and also gives pairs.csv and\n"
    "summary.csv.\n"
    "--plot FILE also draws the triangle plot of a completed run into FILE, as SVG,\n"
    "PNG or PDF (A4 landscape) by its extension; no display is needed.\n"
    "Exit status: 0 after a completed run; 1 when the analysis failed (input file\n"
    "missing, not plain text or a table that cannot be read, fewer than two objects,\n"
    "an empty object), with no result file written, or when the plot cannot be\n"
    "written (the result files stay); 2 for a usage error; 255 after a run-time error.\n";

// Answers typed in advance from the command line, served before standard input.
struct TypedAnswers {
    std::vector<std::string> lines;
    std::size_t line = 0;
    std::size_t offset = 0;
};

TypedAnswers g_answers;
fio::ConsoleHooks g_defaults;

// The file name is typed between apostrophes, so blanks, commas and slashes in it stay part
// of the name (an apostrophe inside is doubled).
std::string quoted(std::string_view name) {
    std::string text = "'";
    for (char ch : name) {
        text += ch;
        if (ch == '\'') text += '\'';
    }
    return text + "'";
}

int32_t read_answers_first(char* buffer, int32_t count) {
    if (g_answers.line >= g_answers.lines.size() || count <= 0) return g_defaults.read(buffer, count);
    const std::string& text = g_answers.lines[g_answers.line];
    const std::size_t n = std::min<std::size_t>(text.size() - g_answers.offset, static_cast<std::size_t>(count));
    std::memcpy(buffer, text.data() + g_answers.offset, n);
    g_answers.offset += n;
    if (g_answers.offset == text.size()) {
        ++g_answers.line;
        g_answers.offset = 0;
    }
    return static_cast<int32_t>(n);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage_text, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts(startup::version_line("simplex-cli").c_str());
        return 0;
    }
    const bool plotting = argc >= 2 && std::strcmp(argv[1], "--plot") == 0;
    const std::string plot_file = plotting && argc >= 3 ? argv[2] : "";
    if (plotting) {  // DATA and ORIENTATION follow FILE
        const int skipped = std::min(argc - 1, 2);
        argv += skipped;
        argc -= skipped;
    }
    const bool plot_refused = plotting && !startup::plot_name_accepted(plot_file);
    if (argc > 3 || plot_refused) {
        if (plot_refused) std::fputs("simplex-cli: the plot FILE must end in .svg, .png or .pdf\n\n", stderr);
        std::fputs(usage_text, stderr);
        return 2;
    }
    // A closed output pipe is then a reported write error rather than a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    process::set_floating_point();

    if (argc >= 2) g_answers.lines.push_back(quoted(argv[1]) + "\n");
    if (argc >= 3) g_answers.lines.push_back(std::string(argv[2]) + "\n");
    g_defaults = fio::default_console_hooks();
    fio::ConsoleHooks hooks = g_defaults;
    hooks.read = read_answers_first;
    analysis::RunObserver observer;
    observer.progress = startup::terminal_progress(hooks);
    if (plotting) observer.finished = startup::plot_file_writer(plot_file);
    analysis::set_run_observer(observer);
    fio::install_console_callbacks(hooks);

    analysis::run_analysis();
}
