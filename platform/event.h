#pragma once
// Auto- and manual-reset events over a mutex and a condition variable.
//
// Any thread may Set, Reset or Wait. An auto-reset event releases one waiter and clears
// itself; a manual-reset event stays set until Reset. Wait blocks at most timeoutMs.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace norvane::platform {

class Event {
public:
    enum class Reset { Auto, Manual };
    explicit Event(Reset mode = Reset::Auto, bool initiallySet = false)
        : manual_(mode == Reset::Manual), set_(initiallySet) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Clear();
    /// Blocks until the event is set (then consumes it when auto-reset). false on time-out.
    bool Wait(uint32_t timeoutMs);
    /// Blocks without time-out.
    void WaitForever();
    bool IsSet() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    const bool manual_;
    bool set_;
};

}  // namespace norvane::platform
