#pragma once
// Monotonic ticks, sleeps and local-time stamps.
#include <cstdint>

namespace norvane::platform {

/// Milliseconds of a monotonic clock; only differences mean anything.
uint64_t TickMs();
void SleepMs(uint32_t ms);

struct LocalStamp {
    int hour, minute, second, millisecond;
};
/// The current local wall-clock time, for trace lines.
LocalStamp LocalNow();

}  // namespace norvane::platform
