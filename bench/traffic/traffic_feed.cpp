#include "bench/traffic/traffic_feed.h"

#include <algorithm>

namespace norvane::bench {

TrafficFeed::~TrafficFeed() {
    Stop();
}

bool TrafficFeed::Available() const {
    return sdk_.present[static_cast<size_t>(SdkFunction::NvRegTrafficCallBack)] &&
           sdk_.present[static_cast<size_t>(SdkFunction::NvGetTrafficCounts)];
}

bool TrafficFeed::Start() {
    if (running_) return true;
    if (!Available()) return false;
    {
        std::lock_guard guard(lock_);
        inbox_.clear();
        inboxDropped_ = 0;
    }
    running_ = sdk_.NvRegTrafficCallBack(&TrafficFeed::Take, this) == 1;
    return running_;
}

void TrafficFeed::Stop() {
    if (!running_) return;
    // The SDK waits for a running call to end: no call reaches this feed after it returns.
    sdk_.NvRegTrafficCallBack(nullptr, nullptr);
    running_ = false;
}

void TrafficFeed::Take(const KymTrafficFrame* frames, int32_t count, void* context) {
    if (frames == nullptr || count <= 0 || context == nullptr) return;
    auto& feed = *static_cast<TrafficFeed*>(context);
    std::lock_guard guard(feed.lock_);
    const size_t room = kInboxFrames - std::min(kInboxFrames, feed.inbox_.size());
    const size_t taken = std::min(room, static_cast<size_t>(count));
    feed.inbox_.insert(feed.inbox_.end(), frames, frames + taken);
    feed.inboxDropped_ += static_cast<size_t>(count) - taken;
}

std::vector<KymTrafficFrame> TrafficFeed::Drain() {
    std::vector<KymTrafficFrame> taken;
    std::lock_guard guard(lock_);
    taken.swap(inbox_);
    return taken;
}

uint64_t TrafficFeed::Dropped() const {
    uint64_t sdkDropped = 0;
    if (Available()) sdk_.NvGetTrafficCounts(nullptr, &sdkDropped);
    std::lock_guard guard(lock_);
    return sdkDropped + inboxDropped_;
}

}  // namespace norvane::bench
