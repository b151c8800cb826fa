// What a run reports to the program that started it: the progress of the pair loop and, once
// the result files are closed, the positions the pairs take. Free of any window system, so
// either entry can draw or show it in its own way.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace analysis {

// One distinct (R, D, S) triple with the number of pairs that take it.
struct DistinctPosition {
    float r;
    float d;
    float s;
    int64_t pairs;
};

struct RunResult {
    std::string_view title;  // blank-padded, as at the top of the result files
    int32_t objects = 0;
    int64_t pairs = 0;
    std::vector<DistinctPosition> positions;  // in the order of their first pair, as in REDUC.ORD
    float mean_s = 0.0f;                      // percentages, as the console table prints them
    float mean_r = 0.0f;
    float mean_d = 0.0f;
};

struct RunObserver {
    // Pairs done out of all pairs; called after each object's pairs, from the pair loop.
    std::function<void(int64_t done, int64_t total)> progress;
    // Called after "REDUC.ORD" is closed and before STOP; never for a failed run.
    std::function<void(const RunResult& result)> finished;
};

// Set by the process entry before the run; an empty member is not called.
void set_run_observer(RunObserver observer);

// The run's side: whether anyone listens, and the two reports.
bool run_observer_wants_result();
void report_progress(int64_t done, int64_t total);
void report_finished(const RunResult& result);

}  // namespace analysis
