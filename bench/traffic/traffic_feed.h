#pragma once
// The traffic view's feed: registers the SDK's traffic callback (when the library has it) and
// keeps what the callback hands over until the user-interface thread takes it.
//
// Threads: the SDK's traffic thread calls Take; the owner's thread (the user-interface thread)
// calls Start, Stop, Drain and Dropped. The inbox is bounded: frames that arrive while it is full
// are dropped and counted, so a view that falls behind costs memory only up to kInboxFrames.
// Stop (and the destructor) return only once the callback can no longer run.
#include <cstdint>
#include <mutex>
#include <vector>

#include "bench/core/sdk_table.h"

namespace norvane::bench {

class TrafficFeed {
public:
    static constexpr size_t kInboxFrames = 20000;

    explicit TrafficFeed(const SdkTable& sdk) : sdk_(sdk) {}
    ~TrafficFeed();
    TrafficFeed(const TrafficFeed&) = delete;
    TrafficFeed& operator=(const TrafficFeed&) = delete;

    /// Whether the bound library has the traffic exports.
    bool Available() const;
    /// Registers the callback; false when the library lacks it or refuses.
    bool Start();
    void Stop();
    bool Running() const { return running_; }
    /// The frames taken since the last Drain, oldest first.
    std::vector<KymTrafficFrame> Drain();
    /// Frames lost on the way: dropped by the SDK for the callback and dropped by the inbox.
    uint64_t Dropped() const;

    /// The SDK's traffic callback; context is the feed.
    static void Take(const KymTrafficFrame* frames, int32_t count, void* context);

private:
    const SdkTable& sdk_;
    bool running_ = false;
    mutable std::mutex lock_;  ///< guards the inbox and its count
    std::vector<KymTrafficFrame> inbox_;
    uint64_t inboxDropped_ = 0;
};

}  // namespace norvane::bench
