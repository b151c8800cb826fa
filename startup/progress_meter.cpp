// When the progress of a run shows, and what it says.
#include "startup/progress_meter.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace startup {

namespace {

constexpr double refresh_seconds = 0.25;

}  // namespace

ProgressMeter::ProgressMeter(double delay_seconds) : delay_(delay_seconds) {}

std::optional<std::string> ProgressMeter::update(int64_t done, int64_t total, double now) {
    if (!started_) {
        // The first report comes after the first object's pairs: the rate is measured from here.
        started_ = true;
        start_time_ = now;
        start_done_ = done;
    }
    if (done >= total) {
        if (!shown_) return std::nullopt;
        shown_ = false;
        return std::string();
    }
    const double elapsed = now - start_time_;
    if (elapsed < delay_ || (shown_ && now - last_shown_ < refresh_seconds)) return std::nullopt;
    shown_ = true;
    last_shown_ = now;
    const int64_t measured = done - start_done_;
    const double left = measured > 0 && elapsed > 0.0
                            ? elapsed * static_cast<double>(total - done) / static_cast<double>(measured)
                            : -1.0;
    return progress_text(done, total, left);
}

std::string progress_text(int64_t done, int64_t total, double seconds_left) {
    const double percent = total > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 100.0;
    char text[128];
    int n = std::snprintf(text, sizeof text, "%lld of %lld pairs (%.1f %%)", static_cast<long long>(done),
                          static_cast<long long>(total), std::floor(percent * 10.0) / 10.0);
    if (seconds_left >= 0.0 && n > 0) {
        const long long s = std::llround(std::ceil(seconds_left));
        if (s >= 60)
            std::snprintf(text + n, sizeof text - n, ", about %lld min %02lld s left", s / 60, s % 60);
        else
            std::snprintf(text + n, sizeof text - n, ", about %lld s left", s);
    }
    return text;
}

double steady_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double progress_delay_seconds() {
    const char* value = std::getenv("SIMPLEX_PROGRESS_DELAY");
    if (value == nullptr || *value == '\0') return 1.0;
    char* end = nullptr;
    const double seconds = std::strtod(value, &end);
    return *end == '\0' && seconds >= 0.0 ? seconds : 1.0;
}

}  // namespace startup
