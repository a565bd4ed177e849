#pragma once
// The traffic tap: every frame a port sends or receives, handed to the host's traffic callback
// on a thread of its own, whether or not the traffic is also written to a file.
//
// Threads: any thread pushes (host threads when they send, receive threads when they file);
// pushing never waits for the callback: frames go into a bounded queue, and when the callback has
// fallen behind and the queue is full, the frame is dropped and counted. The delivery thread
// (started by the first registration, joined when the tap is destroyed) calls the callback with
// batches of at most kBatchFrames frames in push order. Set may be called from any thread,
// the callback included. Off (no callback), a push costs one relaxed atomic load.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk {

class TrafficTap {
public:
    /// Frames the queue holds while the callback is busy.
    static constexpr size_t kQueueFrames = 4096;
    /// Most frames one call of the callback receives.
    static constexpr size_t kBatchFrames = 256;

    static TrafficTap& Global();
    TrafficTap() = default;
    ~TrafficTap();
    TrafficTap(const TrafficTap&) = delete;
    TrafficTap& operator=(const TrafficTap&) = delete;

    /// Registers callback with context (null: unregisters), drops the frames queued for the
    /// previous one and, when registering, sets the counts to 0. When it returns, the previous callback is
    /// not running and is never called again; called by the callback itself, that holds from the moment the
    /// callback returns.
    void Set(KymTrafficCallBack callback, void* context);
    bool On() const { return on_.load(std::memory_order_relaxed); }
    /// Queues one frame; false (counted as dropped when the queue is full) when not queued.
    bool Push(const KymTrafficFrame& frame);
    uint64_t Delivered() const { return delivered_.load(); }
    uint64_t Dropped() const { return dropped_.load(); }

private:
    void DeliveryLoop();

    mutable std::mutex lock_;  ///< guards the fields below
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::vector<KymTrafficFrame> queue_;  ///< filled by Push, swapped out whole by the loop
    size_t queued_ = 0;
    KymTrafficCallBack callback_ = nullptr;
    void* context_ = nullptr;
    uint64_t generation_ = 0;         ///< counts registrations: a batch taken under an older one is dropped
    bool calling_ = false;            ///< the delivery thread is inside the callback
    uint64_t callingGeneration_ = 0;  ///< the registration whose callback runs while calling_
    bool stop_ = false;
    std::thread thread_;
    std::thread::id threadId_;
    std::atomic<bool> on_{false};
    std::atomic<uint64_t> delivered_{0};
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace norvane::sdk
