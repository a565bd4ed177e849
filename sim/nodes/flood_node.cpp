#include "sim/nodes/flood_node.h"

#include <algorithm>

#include "sim/nodes/frame_codec.h"

namespace norvane::sim::nodes {

void FloodNode::Tick(uint64_t, BusTransmitter& bus) {
    Outbox out;
    {
        std::lock_guard lock(mutex_);
        out.Append(pending_);
        const uint32_t n = std::min(perTick_, total_ - sent_);
        for (uint32_t i = 0; i < n; ++i, ++sent_) {
            const uint8_t d[8] = {static_cast<uint8_t>(sent_),
                                  static_cast<uint8_t>(sent_ >> 8),
                                  static_cast<uint8_t>(sent_ >> 16),
                                  static_cast<uint8_t>(sent_ >> 24),
                                  0xA5,
                                  0xA5,
                                  0xA5,
                                  0xA5};
            out.Push(MakeFrame(SecondGenNodeIdentifier(id_, controlWord_), d, 8));
        }
    }
    out.SendTo(bus);
}

void FloodNode::Start(uint8_t controlWord, uint32_t count, uint32_t perTick) {
    std::lock_guard lock(mutex_);
    controlWord_ = controlWord;
    total_ = count;
    perTick_ = perTick;
    sent_ = 0;
}

void FloodNode::Inject(uint8_t controlWord, const uint8_t* data, uint8_t length) {
    std::lock_guard lock(mutex_);
    pending_.Push(MakeFrame(SecondGenNodeIdentifier(id_, controlWord), data, length));
}

uint32_t FloodNode::Sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

}  // namespace norvane::sim::nodes
