#pragma once
// Threads with a best-effort priority.
#include <thread>

namespace norvane::platform {

enum class Priority { Normal, AboveNormal, Highest };

/// Raises the calling thread's scheduling priority where the system allows it. Failing to
/// raise it (no privilege) is not an error: the thread simply runs at normal priority.
void RaiseCurrentThreadPriority(Priority priority);

}  // namespace norvane::platform
