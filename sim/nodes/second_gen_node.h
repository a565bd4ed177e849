#pragma once
// Common behaviour of every second-generation bus device: addressing, discovery (command 64 to node
// 127), model query (65), address change (51), bus bit rate (53), stream data (62), the last error
// (15), error reports and real-time notices. Device kinds derive and handle their own commands.
//
// Threading: OnFrame, Tick and PowerCycle run on the bus thread; accessors and test hooks may run on
// any thread. All state is guarded by mutex_; frames are transmitted after the lock is released.
#include <cstdint>
#include <mutex>
#include <vector>

#include "sim/nodes/node_request.h"
#include "sim/sim_node.h"

namespace norvane::sim::nodes {

/// The bytes a device answers to the model query: d0, d1 (device code), d2 (option flags), d3, firmware.
struct ModelBytes {
    uint8_t d0 = 0;
    uint8_t code = 0;
    uint8_t flags = 0;
    uint8_t d3 = 0;
    uint16_t firmware = 0;
};

class SecondGenNode : public SimNode {
public:
    SecondGenNode(uint8_t id, const ModelBytes& model, uint32_t discoveryValue);

    uint8_t NodeId() const override;
    void OnFrame(const CanFrame& frame, BusTransmitter& out) final;
    void Tick(uint64_t nowMs, BusTransmitter& out) final;
    void PowerCycle() final;

    uint32_t DiscoveryValue() const;
    ModelBytes Model() const;
    uint8_t BitRateCode() const;
    /// Stream bytes (command 62) received so far; the node echoes each stream message back when
    /// echo is on (the default), like a serial loopback.
    std::vector<uint8_t> ReceivedStream() const;
    void SetStreamEcho(bool on);

protected:
    // Everything below runs with mutex_ held.

    /// Handles a node-addressed command; returns false for a command the device does not know.
    virtual bool HandleCommand(const Request& r, Outbox& out) = 0;
    /// A node-less command (node byte 0); no answer is ever sent for it.
    virtual void HandleGlobal(const Request& r, Outbox& out) { (void)r, (void)out; }
    /// Time passed; nowMs is already stored in now_.
    virtual void Advance(uint64_t elapsedMs, Outbox& out) { (void)elapsedMs, (void)out; }
    /// Power cycle: volatile state returns to what the device's EEPROM holds.
    virtual void Restart() {}
    /// The answer to an address change (and to a get of command 51).
    virtual size_t AddressAnswer(uint8_t* out8) const;

    void Answer(const Request& r, const uint8_t* data, size_t length, Outbox& out) const;
    void AnswerValue(const Request& r, uint32_t value, size_t length, Outbox& out) const;
    /// Error report (control word 15, d1 = command, d2 = code), sent when the request wants an answer.
    void Refuse(const Request& r, uint8_t code, Outbox& out);
    void Notify(uint8_t controlWord, const uint8_t* data, size_t length, Outbox& out) const;

    mutable std::mutex mutex_;
    uint8_t id_;
    uint8_t storedId_;  ///< the address kept in EEPROM
    ModelBytes model_;
    uint64_t now_ = 0;
    bool ticked_ = false;
    Outbox pending_;  ///< notices raised by test hooks, sent with the next tick

private:
    void HandleOwn(const Request& r, Outbox& out);

    uint32_t discoveryValue_;
    uint8_t bitRateCode_ = 0;
    uint8_t lastErrorCommand_ = 0;
    uint8_t lastErrorCode_ = 0;
    bool streamEcho_ = true;
    std::vector<uint8_t> stream_;
};

}  // namespace norvane::sim::nodes
