#pragma once
// One request as a device sees it, the frames it sends back, and the error codes it reports.
// Plain data and pure helpers; no locks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/can_frame.h"
#include "sim/nodes/frame_codec.h"
#include "sim/sim_node.h"

namespace norvane::sim::nodes {

/// Error codes a device puts in d2 of its error report (command 15, d1 = refused command).
enum ErrorCode : uint8_t {
    kErrUnknownCommand = 1,  ///< command not implemented by this device
    kErrOutOfRange = 2,      ///< value outside what the device accepts
    kErrNotReady = 3,        ///< refused in the current state (locked controller, no card, ...)
};

/// A request addressed to this node (or a global command applied to it).
struct Request {
    uint8_t command = 0;      ///< control word bits 0-6
    uint8_t controlWord = 0;  ///< full control word, echoed in the answer
    bool answer = false;      ///< bit 7: the sender waits for an answer
    const CanFrame* frame = nullptr;

    size_t Length() const { return frame->length > 8 ? 8 : frame->length; }
    bool HasData() const { return Length() > 0; }
    uint8_t Byte(size_t i) const { return i < Length() ? frame->data[i] : 0; }
    uint32_t Unsigned(size_t offset, size_t count) const { return ReadLe(*frame, offset, count); }
    int32_t Signed(size_t offset, size_t count) const { return ReadLeSigned(*frame, offset, count); }
};

/// Frames produced while the node's lock is held; sent after the lock is released.
class Outbox {
public:
    void Push(const CanFrame& frame) { frames_.push_back(frame); }
    void Append(Outbox& other) {
        frames_.insert(frames_.end(), other.frames_.begin(), other.frames_.end());
        other.frames_.clear();
    }
    void SendTo(BusTransmitter& out) {
        for (const CanFrame& f : frames_) out.Transmit(f);
        frames_.clear();
    }
    bool Empty() const { return frames_.empty(); }
    void Clear() { frames_.clear(); }

private:
    std::vector<CanFrame> frames_;
};

}  // namespace norvane::sim::nodes
