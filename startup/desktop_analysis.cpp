// The analysis as the desktop program runs it, for the desktop entry and its benchmark alike.
#include "startup/desktop_analysis.h"

#include "analysis/analysis.h"
#include "framework/program_services.h"
#include "startup/desktop_plot.h"
#include "startup/progress_meter.h"

namespace startup {

namespace {

// The pair loop's progress goes to the frame's status bar, never into the console text.
void show_progress(int64_t done, int64_t total) {
    static ProgressMeter meter(progress_delay_seconds());
    if (const auto text = meter.update(done, total, steady_seconds())) fw::setStatusText(*text);
}

}  // namespace

void run_desktop_analysis() {
    analysis::RunObserver observer;
    observer.progress = show_progress;
    observer.finished = plot_window_opener();
    analysis::set_run_observer(observer);
    analysis::run_analysis();
}

}  // namespace startup
