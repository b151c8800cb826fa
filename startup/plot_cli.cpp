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

// Qt's notes about the session (no runtime folder, no session bus) are no business of a
// terminal run; its critical messages still go to standard error.
void quiet_messages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

void start_offscreen_application() {
    if (QGuiApplication::instance() != nullptr) return;
    qInstallMessageHandler(quiet_messages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "simplex-cli";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);  // lives until the process ends
}

void write_plot(const std::string& path, const analysis::RunResult& result) {
    start_offscreen_application();
    const std::string failure = plot::write_plot_file(path, plot_data_of(result));
    if (failure.empty()) return;
    std::fprintf(stderr, "simplex-cli: cannot write the plot %s: %s\n", path.c_str(), failure.c_str());
    analysis::stop_run(analysis::run_failed);
}

}  // namespace

bool plot_name_accepted(const std::string& path) { return plot::format_of(path) != plot::FileFormat::unknown; }

std::function<void(const analysis::RunResult&)> plot_file_writer(const std::string& path) {
    return [path](const analysis::RunResult& result) { write_plot(path, result); };
}

}  // namespace startup
