#include "platform/thread.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace norvane::platform {

void RaiseCurrentThreadPriority(Priority priority) {
    int nice = 0;
    switch (priority) {
        case Priority::Normal:
            return;
        case Priority::AboveNormal:
            nice = -5;
            break;
        case Priority::Highest:
            nice = -10;
            break;
    }
    // Per-thread nice value on Linux; refused without CAP_SYS_NICE, which is fine.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, nice);
}

void UsePreciseTimers() {
    // Timer slack of 1 ns: the kernel no longer defers this thread's timers to batch them.
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

}  // namespace norvane::platform
