#include "bench/plot/sample_schedule.h"

namespace norvane::bench {

uint64_t SampleSchedule::Advance(TimePoint now) {
    uint64_t next = round_ + 1;
    if (now > start_ + period_ * static_cast<int64_t>(next)) {
        // The first grid point at or after now.
        const auto late = now - start_;
        next = static_cast<uint64_t>((late + period_ - Duration(1)) / period_);
    }
    const uint64_t skipped = next - round_ - 1;
    skipped_ += skipped;
    round_ = next;
    return skipped;
}

}  // namespace norvane::bench
