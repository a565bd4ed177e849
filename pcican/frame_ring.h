#pragma once
// A channel's receive ring: 100001 slots of MarlixFrame, so it holds at most 100000 frames.
//
// Thread-safe: the receive thread pushes, callers pop, count and clear, all under one lock (the
// count and the clearing too, so none of them sees half an update). Nothing is allocated: the
// slots are storage the owner hands in. WaitForFrames blocks at most its time-out.
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "halbox/Halbox.h"

namespace norvane::halbox {

class FrameRing {
public:
    static constexpr uint32_t kSlots = 100001;
    static constexpr uint32_t kCapacity = kSlots - 1;

    /// slots: kSlots frames, owned by the caller and alive as long as the ring.
    explicit FrameRing(MarlixFrame* slots) : slots_(slots) {}

    /// false when the ring is full: the frame is dropped and counted.
    bool Push(const MarlixFrame& frame);
    /// Copies up to max frames, oldest first; returns how many.
    uint32_t Pop(MarlixFrame* out, uint32_t max);
    uint32_t Count() const;
    void Clear();
    /// Blocks until the ring holds a frame, Wake is called, or timeoutMs pass; true when frames wait.
    bool WaitForFrames(uint32_t timeoutMs);
    /// Releases every WaitForFrames (the card closes).
    void Wake();
    uint64_t Dropped() const;
    /// Places the indices as a test needs them (write, read < kSlots).
    void SetIndicesForTest(uint32_t write, uint32_t read);

private:
    uint32_t CountLocked() const { return write_ >= read_ ? write_ - read_ : write_ + kSlots - read_; }

    MarlixFrame* const slots_;
    mutable std::mutex mutex_;
    std::condition_variable available_;
    uint32_t write_ = 0;
    uint32_t read_ = 0;
    uint64_t wakes_ = 0;
    uint64_t dropped_ = 0;
};

}  // namespace norvane::halbox
