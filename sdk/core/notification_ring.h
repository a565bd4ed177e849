#pragma once
// The port's queue of translated messages, from the receive thread to the notification thread.
//
// Fixed capacity (512 entries, no allocation). When the ring is full the NEWEST message is
// dropped and counted: unread entries are never overwritten, so a slow callback sees every
// message it was given in order, memory stays bounded and the receive thread never blocks.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "norvane/NorvaneFunc.h"
#include "platform/event.h"

namespace norvane::sdk {

class NotificationRing {
public:
    static constexpr uint32_t kCapacity = 512;

    /// Receive thread: queues a copy of message. false (and counted) when the ring is full.
    bool Push(const KymCanMsg& message);
    /// Notification thread: takes the oldest entry. false when empty.
    bool Pop(KymCanMsg* message);
    uint32_t FillLevel() const;
    uint64_t Dropped() const { return dropped_.load(); }
    void Reset();

    platform::Event& Signal() { return signal_; }

private:
    mutable std::mutex lock_;
    KymCanMsg entries_[kCapacity] = {};
    uint32_t read_ = 0;   ///< next entry to hand out
    uint32_t count_ = 0;  ///< unread entries
    std::atomic<uint64_t> dropped_{0};
    platform::Event signal_{platform::Event::Reset::Auto};
};

}  // namespace norvane::sdk
