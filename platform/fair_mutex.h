#pragma once
// A mutex that hands itself over in the order the threads asked for it (a ticket lock). Threads
// that share one gateway are served in turn: a thread that releases it and asks again at once
// queues behind the threads already waiting instead of overtaking them, so a waiting request
// never waits for more than one request of each other thread.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace norvane::platform {

class FairMutex {
public:
    void lock() {
        std::unique_lock guard(mutex_);
        const uint64_t ticket = next_++;
        turn_.wait(guard, [&] { return serving_ == ticket; });
    }
    /// Takes it only when nobody holds it or waits for it.
    bool try_lock() {
        std::lock_guard guard(mutex_);
        if (serving_ != next_) return false;
        ++next_;
        return true;
    }
    void unlock() {
        {
            std::lock_guard guard(mutex_);
            ++serving_;
        }
        turn_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable turn_;
    uint64_t next_ = 0;     ///< the ticket of the next thread to ask
    uint64_t serving_ = 0;  ///< the ticket whose thread holds it (== next_: free)
};

}  // namespace norvane::platform
