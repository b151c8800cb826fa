// The progress of a long run as one line of text: pairs done, all pairs, the percentage and
// an estimate of the time left. Shown only once the run has lasted a while, and refreshed
// only a few times a second, so short runs show nothing and long ones cost nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace startup {

class ProgressMeter {
public:
    // `delay_seconds`: how long a run goes before its progress shows.
    explicit ProgressMeter(double delay_seconds);

    // The pair loop's report at `now` (seconds on any steady clock): the text to show now, ""
    // to take a shown text away (the loop is done), or nothing to change.
    std::optional<std::string> update(int64_t done, int64_t total, double now);

private:
    double delay_;
    bool started_ = false;
    bool shown_ = false;
    double start_time_ = 0.0;
    int64_t start_done_ = 0;
    double last_shown_ = 0.0;
};

// The text for `done` of `total` pairs, `seconds_left` being the estimate (negative: none yet).
std::string progress_text(int64_t done, int64_t total, double seconds_left);

// Seconds on the steady clock, for update's `now`.
double steady_seconds();

// The delay before progress shows: one second, or the seconds in SIMPLEX_PROGRESS_DELAY.
double progress_delay_seconds();

}  // namespace startup
