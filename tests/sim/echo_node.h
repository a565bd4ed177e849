#pragma once
// A minimal bus device for gateway tests: node id N answers every request to N that asks for
// an answer with the same command and data, and answers discovery with its id in d0.
// Second generation: requests carry node bits 0-4 at 24-28 and 5-6 at 13-14, answers bits 0-4 at
// 19-23 and 5-6 at 8-9. First generation: requests carry node bits 0-4 at 19-23 and 5-6 at 14-15,
// answers bits 0-4 at 24-28, 5-6 at 16-17.
#include <atomic>

#include "sim/sim_node.h"

namespace norvane::sim::test {

class EchoNode : public SimNode {
public:
    explicit EchoNode(uint8_t id, bool firstGen = false) : id_(id), firstGen_(firstGen) {}
    uint8_t NodeId() const override { return id_; }
    void OnFrame(const CanFrame& frame, BusTransmitter& out) override {
        ++seen;
        // Node bits 0-4 at 24-28, bits 5-6 at 13-14; 0x1F0FE000 addresses everyone.
        const bool everyone = (frame.id & 0x1FFFFF00u) == 0x1F0FE000u;
        const uint8_t node = firstGen_ ? ((frame.id >> 19) & 0x1F) | (((frame.id >> 14) & 3) << 5)
                                       : ((frame.id >> 24) & 0x1F) | (((frame.id >> 13) & 3) << 5);
        const uint8_t command = frame.id & 0x7F;
        if (everyone && command == 64) {
            CanFrame answer{
                (uint32_t(id_ & 0x1F) << 19) | (uint32_t(id_ & 0x60) << 3) | 64, 4, {id_, 0, 0, 0}};
            out.Transmit(answer);
            return;
        }
        if (node != id_ || !(frame.id & 0x80)) return;
        CanFrame answer = frame;
        answer.id = firstGen_
                        ? (uint32_t(id_ & 0x1F) << 24) | (uint32_t(id_ & 0x60) << 11) | (frame.id & 0xFF)
                        : (uint32_t(id_ & 0x1F) << 19) | (uint32_t(id_ & 0x60) << 3) | (frame.id & 0xFF);
        out.Transmit(answer);
    }
    std::atomic<int> seen{0};

private:
    uint8_t id_;
    bool firstGen_;
};

}  // namespace norvane::sim::test
