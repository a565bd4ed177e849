#include "pcican/frame_ring.h"

#include <chrono>

namespace norvane::halbox {

bool FrameRing::Push(const MarlixFrame& frame) {
    {
        std::lock_guard lock(mutex_);
        const uint32_t next = (write_ + 1) % kSlots;
        if (next == read_) {
            ++dropped_;
            return false;
        }
        slots_[write_] = frame;
        write_ = next;
    }
    available_.notify_all();
    return true;
}

uint32_t FrameRing::Pop(MarlixFrame* out, uint32_t max) {
    std::lock_guard lock(mutex_);
    uint32_t n = 0;
    while (n < max && read_ != write_) {
        out[n++] = slots_[read_];
        read_ = (read_ + 1) % kSlots;
    }
    return n;
}

uint32_t FrameRing::Count() const {
    std::lock_guard lock(mutex_);
    return CountLocked();
}

void FrameRing::Clear() {
    std::lock_guard lock(mutex_);
    write_ = read_ = 0;
}

bool FrameRing::WaitForFrames(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    const uint64_t wakes = wakes_;
    available_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [&] { return write_ != read_ || wakes_ != wakes; });
    return write_ != read_;
}

void FrameRing::Wake() {
    {
        std::lock_guard lock(mutex_);
        ++wakes_;
    }
    available_.notify_all();
}

uint64_t FrameRing::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void FrameRing::SetIndicesForTest(uint32_t write, uint32_t read) {
    std::lock_guard lock(mutex_);
    write_ = write % kSlots;
    read_ = read % kSlots;
}

}  // namespace norvane::halbox
