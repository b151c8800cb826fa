// The terminal program has no window system: the figure is drawn on the offscreen platform,
// which still gives the painter its fonts.
#include "startup/plot_cli.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstdio>

#include "analysis/analysis.h"
#include "plot/plot_file.h"
#include "startup/plot_of_run.h"

namespace startup {

namespace {

std::string g_path;

// Qt's notes about the session (no runtime folder, no session bus) are no business of a
// terminal run; its critical messages still go to standard error.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

void startOffscreenApplication() {
    if (QGuiApplication::instance() != nullptr) return;
    qInstallMessageHandler(quietMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "simplex-cli";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);  // lives until the process ends
}

void writePlot(const analysis::RunResult& result) {
    startOffscreenApplication();
    const std::string failure = plot::write_plot_file(g_path, plot_data_of(result));
    if (failure.empty()) return;
    std::fprintf(stderr, "simplex-cli: cannot write the plot %s: %s\n", g_path.c_str(), failure.c_str());
    analysis::stop_run(analysis::run_failed);
}

}  // namespace

bool plot_name_accepted(const std::string& path) { return plot::format_of(path) != plot::FileFormat::unknown; }

std::function<void(const analysis::RunResult&)> plot_file_writer(const std::string& path) {
    g_path = path;
    return writePlot;
}

}  // namespace startup
