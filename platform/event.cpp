#include "platform/event.h"

#include <algorithm>

namespace norvane::platform {

void Event::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
        lastSet_ = std::chrono::steady_clock::now();
        setHint_.store(true, std::memory_order_relaxed);
    }
    if (manual_) {
        cv_.notify_all();
    } else {
        cv_.notify_one();
    }
}

void Event::Clear() {
    std::lock_guard lock(mutex_);
    set_ = false;
    setHint_.store(false, std::memory_order_relaxed);
}

void Event::Take() {
    if (manual_) return;
    set_ = false;
    setHint_.store(false, std::memory_order_relaxed);
}

bool Event::Wait(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; })) {
        return false;
    }
    Take();
    return true;
}

bool Event::Wait(uint32_t timeoutMs, std::chrono::steady_clock::time_point watchFrom,
                 std::chrono::microseconds watchFor) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto isSet = [this] { return set_; };
    std::unique_lock lock(mutex_);
    if (cv_.wait_until(lock, std::min(watchFrom, deadline), isSet)) {
        Take();
        return true;
    }
    lock.unlock();
    const auto watchUntil = std::min(watchFrom + watchFor, deadline);
    while (!setHint_.load(std::memory_order_relaxed) && Clock::now() < watchUntil) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    lock.lock();
    if (!cv_.wait_until(lock, deadline, isSet)) return false;
    Take();
    return true;
}

void Event::WaitForever() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return set_; });
    Take();
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

std::chrono::steady_clock::time_point Event::LastSetAt() const {
    std::lock_guard lock(mutex_);
    return lastSet_;
}

}  // namespace norvane::platform
