#include "sdk/core/traffic_tap.h"

#include <algorithm>

namespace norvane::sdk {

TrafficTap& TrafficTap::Global() {
    static TrafficTap tap;
    return tap;
}

TrafficTap::~TrafficTap() {
    {
        std::lock_guard lock(lock_);
        stop_ = true;
        callback_ = nullptr;
        on_.store(false);
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TrafficTap::Set(KymTrafficCallBack callback, void* context) {
    std::unique_lock lock(lock_);
    callback_ = callback;
    context_ = context;
    ++generation_;
    queued_ = 0;
    if (callback != nullptr) {
        delivered_.store(0);
        dropped_.store(0);
    }
    if (callback != nullptr && !thread_.joinable()) {
        queue_.assign(kQueueFrames, KymTrafficFrame{});
        thread_ = std::thread([this] { DeliveryLoop(); });
        threadId_ = thread_.get_id();
    }
    on_.store(callback != nullptr);
    wake_.notify_all();
    // The callback itself cannot wait for its own return; every other caller waits, so that the
    // previous callback's owner may free its context once this returns.
    // A call under this very registration may start at once; only the previous one's is waited for.
    const uint64_t mine = generation_;
    if (std::this_thread::get_id() != threadId_)
        idle_.wait(lock, [this, mine] { return !calling_ || callingGeneration_ == mine; });
}

bool TrafficTap::Push(const KymTrafficFrame& frame) {
    if (!On()) return false;
    bool wake = false;
    {
        std::lock_guard lock(lock_);
        if (callback_ == nullptr || stop_) return false;
        if (queued_ >= queue_.size()) {
            dropped_.fetch_add(1);
            return false;
        }
        queue_[queued_++] = frame;
        // The loop sleeps only while the queue is empty: the first frame is the one that wakes it.
        wake = queued_ == 1;
    }
    if (wake) wake_.notify_one();
    return true;
}

void TrafficTap::DeliveryLoop() {
    std::vector<KymTrafficFrame> batch(kQueueFrames);
    std::unique_lock lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || (queued_ > 0 && callback_ != nullptr); });
        if (stop_) break;
        // Swapping hands the loop the whole queue at once and the pushers an empty one.
        std::swap(batch, queue_);
        const size_t taken = queued_;
        queued_ = 0;
        const uint64_t generation = generation_;
        for (size_t first = 0; first < taken; first += kBatchFrames) {
            // Registered again (or unregistered) while the previous part ran: the rest was the
            // previous callback's.
            if (stop_ || callback_ == nullptr || generation_ != generation) break;
            const size_t count = std::min(kBatchFrames, taken - first);
            const KymTrafficCallBack callback = callback_;
            void* const context = context_;
            calling_ = true;
            callingGeneration_ = generation;
            delivered_.fetch_add(count);
            lock.unlock();
            callback(&batch[first], static_cast<int32_t>(count), context);
            lock.lock();
            calling_ = false;
            idle_.notify_all();
        }
    }
}

}  // namespace norvane::sdk
