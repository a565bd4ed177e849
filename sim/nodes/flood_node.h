#pragma once
// A test device that pushes messages at the host faster than a slow consumer takes them: real-time
// notices, stream data or plain messages, each carrying its sequence number so the receiver can
// check order and count losses.
//
// Threading: Tick runs on the bus thread; Start, Inject and Sent may be called from any thread.
#include <cstdint>
#include <mutex>

#include "sim/nodes/node_request.h"
#include "sim/sim_node.h"

namespace norvane::sim::nodes {

class FloodNode : public SimNode {
public:
    explicit FloodNode(uint8_t id) : id_(id) {}

    uint8_t NodeId() const override { return id_; }
    /// Requests are ignored: the node only talks.
    void OnFrame(const CanFrame&, BusTransmitter&) override {}
    void Tick(uint64_t nowMs, BusTransmitter& out) override;

    /// From the next tick on, sends count messages with controlWord, at most perTick per tick.
    /// Data: d0-d3 the sequence number (0, 1, ...) little-endian, d4-d7 0xA5; length 8.
    /// Replaces a flood still running.
    void Start(uint8_t controlWord, uint32_t count, uint32_t perTick);
    /// Queues one message, sent with the next tick before any flood messages.
    void Inject(uint8_t controlWord, const uint8_t* data, uint8_t length);
    /// Flood messages handed to the bus so far.
    uint32_t Sent() const;

private:
    const uint8_t id_;
    mutable std::mutex mutex_;
    Outbox pending_;
    uint8_t controlWord_ = 0;
    uint32_t total_ = 0;
    uint32_t perTick_ = 0;
    uint32_t sent_ = 0;
};

}  // namespace norvane::sim::nodes
