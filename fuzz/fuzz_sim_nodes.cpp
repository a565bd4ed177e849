// Bus frames as the simulated devices receive them: every device kind gets the same sequence of
// frames (any identifier, any length byte, any data) with ticks in between, and must neither crash
// nor read beyond the frame.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "sim/nodes/node_factory.h"

namespace {

struct Sink : norvane::sim::BusTransmitter {
    size_t count = 0;
    void Transmit(const norvane::sim::CanFrame& frame) override { count += frame.length <= 8 ? 1 : 1000; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> input(data, data + size);  // exact-size heap copy
    using norvane::sim::nodes::NodeKind;
    const NodeKind kinds[] = {NodeKind::Controller, NodeKind::FirstGenController,
                              NodeKind::IoModule,   NodeKind::Kyd0606,
                              NodeKind::IoMotion,   NodeKind::LevelDetector,
                              NodeKind::RfidReader, NodeKind::TemperatureController};
    for (NodeKind kind : kinds) {
        norvane::sim::nodes::NodeConfig config;
        config.kind = kind;
        config.id = 5;
        std::unique_ptr<norvane::sim::SimNode> node = norvane::sim::nodes::MakeNode(config);
        if (!node) continue;
        Sink sink;
        uint64_t now = 0;
        for (size_t at = 0; at + 13 <= input.size(); at += 13) {
            norvane::sim::CanFrame frame;
            std::memcpy(&frame.id, input.data() + at, 4);
            frame.id &= 0x1FFFFFFF;
            frame.length = input[at + 4];  // deliberately unchecked: devices must clamp it
            std::memcpy(frame.data, input.data() + at + 5, 8);
            node->OnFrame(frame, sink);
            now += frame.data[7];
            node->Tick(now, sink);
            if ((frame.id & 0xFF) == 0x7F) node->PowerCycle();
        }
        if (sink.count >= 1000) __builtin_trap();  // a device sent a frame longer than 8 bytes
    }
    return 0;
}
