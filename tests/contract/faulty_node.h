#pragma once
// Controllers for the raw-CAN contract transports (PCI channel, USB adapter), where silence and
// error reports are the nodes' own: each controller sits behind a filter that drops what it
// sends or answers the next acknowledged request to it with an error report, in the identifier
// layouts of its protocol generation.
#include <atomic>
#include <memory>

#include "sim/nodes/frame_codec.h"
#include "sim/sim_node.h"

namespace norvane::contract {

inline constexpr uint8_t kErrorReport = 15;

struct Faults {
    std::atomic<bool> silent{false};
    std::atomic<int> errorCode{0};
};

class Muted : public sim::BusTransmitter {
public:
    void Transmit(const sim::CanFrame&) override {}
};

class FaultyNode : public sim::SimNode {
public:
    FaultyNode(std::unique_ptr<sim::SimNode> inner, Faults& faults, bool firstGen = false)
        : inner_(std::move(inner)), faults_(faults), firstGen_(firstGen) {}
    uint8_t NodeId() const override { return inner_->NodeId(); }
    void OnFrame(const sim::CanFrame& frame, sim::BusTransmitter& out) override {
        Muted muted;
        if (faults_.silent) return inner_->OnFrame(frame, muted);
        const sim::nodes::FrameAddress request = firstGen_
                                                     ? sim::nodes::ParseFirstGenRequestIdentifier(frame.id)
                                                     : sim::nodes::ParseSecondGenIdentifier(frame.id);
        if (request.node == NodeId() && (request.controlWord & 0x80) != 0) {
            if (const int code = faults_.errorCode.exchange(0)) {
                const uint8_t report[3] = {0, static_cast<uint8_t>(request.controlWord & 0x7F),
                                           static_cast<uint8_t>(code)};
                const uint32_t id = firstGen_
                                        ? sim::nodes::FirstGenAnswerIdentifier(request.node, kErrorReport)
                                        : sim::nodes::SecondGenNodeIdentifier(request.node, kErrorReport);
                out.Transmit(sim::nodes::MakeFrame(id, report, sizeof report));
                return;
            }
        }
        inner_->OnFrame(frame, out);
    }
    void Tick(uint64_t nowMs, sim::BusTransmitter& out) override {
        Muted muted;
        inner_->Tick(nowMs, faults_.silent ? static_cast<sim::BusTransmitter&>(muted) : out);
    }

private:
    std::unique_ptr<sim::SimNode> inner_;
    Faults& faults_;
    const bool firstGen_;
};

}  // namespace norvane::contract
