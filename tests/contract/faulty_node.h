#pragma once
// Controllers for the raw-CAN contract transports (PCI channel, USB adapter), where silence and
// error reports are the nodes' own: each controller sits behind a filter that drops what it
// sends or answers the next acknowledged request to it with an error report.
#include <atomic>
#include <memory>

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
    FaultyNode(std::unique_ptr<sim::SimNode> inner, Faults& faults)
        : inner_(std::move(inner)), faults_(faults) {}
    uint8_t NodeId() const override { return inner_->NodeId(); }
    void OnFrame(const sim::CanFrame& frame, sim::BusTransmitter& out) override {
        Muted muted;
        if (faults_.silent) return inner_->OnFrame(frame, muted);
        // A request names its node in identifier bits 24-28 (low bits) and 13-14 (high bits).
        const uint8_t node = static_cast<uint8_t>(((frame.id >> 24) & 0x1F) | (((frame.id >> 13) & 3) << 5));
        const uint8_t controlWord = frame.id & 0xFF;
        if (node == NodeId() && (controlWord & 0x80) != 0) {
            if (const int code = faults_.errorCode.exchange(0)) {
                sim::CanFrame report;
                report.id = ((node & 0x1Fu) << 19) | (((node >> 5) & 7u) << 8) | kErrorReport;
                report.length = 3;
                report.data[1] = controlWord & 0x7F;
                report.data[2] = static_cast<uint8_t>(code);
                out.Transmit(report);
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
};

}  // namespace norvane::contract
