#pragma once
// Frames built from literal bytes and a transmitter that records what a node sends.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/can_frame.h"
#include "sim/sim_node.h"

namespace norvane::sim::nodes::test {

struct Recorder : BusTransmitter {
    std::vector<CanFrame> frames;
    void Transmit(const CanFrame& frame) override { frames.push_back(frame); }
    std::vector<CanFrame> Take() {
        std::vector<CanFrame> f;
        f.swap(frames);
        return f;
    }
};

inline CanFrame Frame(uint32_t id, std::initializer_list<uint8_t> bytes = {}) {
    CanFrame f;
    f.id = id;
    for (uint8_t b : bytes) f.data[f.length++] = b;
    return f;
}

inline std::vector<uint8_t> Bytes(const CanFrame& f) {
    return std::vector<uint8_t>(f.data, f.data + f.length);
}

/// Sends one frame and returns what the node sent back.
inline std::vector<CanFrame> Exchange(SimNode& node, const CanFrame& request) {
    Recorder r;
    node.OnFrame(request, r);
    return r.frames;
}

}  // namespace norvane::sim::nodes::test
