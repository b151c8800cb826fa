// The one observer of the run, set by the process entry.
#include "analysis/run_observer.h"

#include <utility>

namespace analysis {

namespace {

RunObserver g_observer;

}  // namespace

void set_run_observer(RunObserver observer) { g_observer = std::move(observer); }

bool run_observer_wants_result() { return static_cast<bool>(g_observer.finished); }

void report_progress(int64_t done, int64_t total) {
    if (g_observer.progress) g_observer.progress(done, total);
}

void report_finished(const RunResult& result) {
    if (g_observer.finished) g_observer.finished(result);
}

}  // namespace analysis
