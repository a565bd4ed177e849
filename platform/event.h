#pragma once
// Auto- and manual-reset events over a mutex and a condition variable.
//
// Any thread may Set, Reset or Wait. An auto-reset event releases one waiter and clears
// itself; a manual-reset event stays set until Reset. Wait blocks at most timeoutMs.
//
// A waiter that knows when the event is due may watch it without sleeping for a short stretch
// around that time: waking a sleeping thread costs tens of microseconds on some machines
// (virtual ones above all), a large share of a fast exchange.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace norvane::platform {

class Event {
public:
    enum class Reset { Auto, Manual };
    explicit Event(Reset mode = Reset::Auto, bool initiallySet = false)
        : manual_(mode == Reset::Manual), set_(initiallySet), setHint_(initiallySet) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Clear();
    /// Blocks until the event is set (then consumes it when auto-reset). false on time-out.
    bool Wait(uint32_t timeoutMs);
    /// As Wait, but from watchFrom for watchFor the waiter spins on the event instead of
    /// sleeping; before and after that stretch it sleeps as Wait does.
    bool Wait(uint32_t timeoutMs, std::chrono::steady_clock::time_point watchFrom,
              std::chrono::microseconds watchFor);
    /// Blocks without time-out.
    void WaitForever();
    bool IsSet() const;
    /// When Set was last called (the clock's epoch before the first).
    std::chrono::steady_clock::time_point LastSetAt() const;

private:
    /// Takes the event (auto-reset clears it); mutex_ is held.
    void Take();

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    const bool manual_;
    bool set_;
    std::chrono::steady_clock::time_point lastSet_{};
    std::atomic<bool> setHint_;  ///< set_ as last written, read without the mutex while spinning
};

}  // namespace norvane::platform
