#include "platform/event.h"

namespace norvane::platform {

void Event::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
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
}

bool Event::Wait(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; })) {
        return false;
    }
    if (!manual_) set_ = false;
    return true;
}

void Event::WaitForever() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return set_; });
    if (!manual_) set_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

}  // namespace norvane::platform
