#pragma once
// When the sampler takes its rounds: round k is due at start + k x period, on a fixed grid, so
// the time a round takes never shifts the later ones (no drift). A round that ends after one or
// more later rounds were due skips those rounds and counts them instead of running them late one
// after another. Pure: the caller passes the time.
#include <chrono>
#include <cstdint>

namespace norvane::bench {

class SampleSchedule {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    SampleSchedule(TimePoint start, Duration period) : start_(start), period_(period) {}

    /// When the current round is due.
    TimePoint Due() const { return start_ + period_ * static_cast<int64_t>(round_); }
    /// The current round ended at now: moves on to the first round due at or after now (never the
    /// same round again) and returns how many rounds that skipped.
    uint64_t Advance(TimePoint now);
    /// Rounds begun so far (the current one included) and rounds skipped in total.
    uint64_t Round() const { return round_; }
    uint64_t Skipped() const { return skipped_; }
    TimePoint Start() const { return start_; }

private:
    TimePoint start_;
    Duration period_;
    uint64_t round_ = 0;
    uint64_t skipped_ = 0;
};

}  // namespace norvane::bench
