#pragma once
// Waits that the end of the program cuts short: a script's SLEEP blocks its thread for the given
// time unless Shutdown is called, which wakes every waiter at once and makes later waits return
// immediately. Any thread may wait; Shutdown from any thread.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace norvane::bench {

class Sleeper {
public:
    /// Blocks for ms milliseconds (nothing for ms <= 0); false when cut short by Shutdown.
    bool SleepFor(int ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (ms <= 0) return !shutdown_;
        return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return shutdown_; });
    }
    /// true once Shutdown was called.
    bool IsShutDown() {
        std::lock_guard<std::mutex> lock(mutex_);
        return shutdown_;
    }
    void Shutdown() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            shutdown_ = true;
        }
        wake_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool shutdown_ = false;
};

}  // namespace norvane::bench
