#pragma once
// Threads with a best-effort priority and timer precision.
#include <thread>

namespace norvane::platform {

enum class Priority { Normal, AboveNormal, Highest };

/// Raises the calling thread's scheduling priority where the system allows it. Failing to
/// raise it (no privilege) is not an error: the thread simply runs at normal priority.
void RaiseCurrentThreadPriority(Priority priority);

/// Lets the calling thread's timed waits end as close to their deadline as the system can
/// (Linux otherwise lets a waiting thread's timer fire up to 50 us late, to batch wake-ups).
/// For threads that model short real-time intervals; best effort like the priority.
void UsePreciseTimers();

}  // namespace norvane::platform
