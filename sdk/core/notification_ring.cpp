#include "sdk/core/notification_ring.h"

namespace norvane::sdk {

bool NotificationRing::Push(const KymCanMsg& message) {
    {
        std::lock_guard lock(lock_);
        if (count_ == kCapacity) {
            dropped_.fetch_add(1);
            return false;
        }
        entries_[(read_ + count_) % kCapacity] = message;
        ++count_;
    }
    signal_.Set();
    return true;
}

bool NotificationRing::Pop(KymCanMsg* message) {
    std::lock_guard lock(lock_);
    if (count_ == 0) return false;
    *message = entries_[read_];
    entries_[read_] = KymCanMsg{};
    read_ = (read_ + 1) % kCapacity;
    --count_;
    return true;
}

uint32_t NotificationRing::FillLevel() const {
    std::lock_guard lock(lock_);
    return count_;
}

void NotificationRing::Reset() {
    std::lock_guard lock(lock_);
    read_ = 0;
    count_ = 0;
}

}  // namespace norvane::sdk
