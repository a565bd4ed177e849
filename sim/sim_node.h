#pragma once
// A simulated bus device, written from the device's point of view.
//
// The bus calls OnFrame for every frame another participant put on the bus (the gateway's
// requests, and other nodes' frames), and Tick periodically; both run on the bus thread, never
// concurrently for one bus. A node answers or notifies by calling out.Transmit(frame).
// Nodes keep their own state (registers, EEPROM, motion); state that tests inspect is read
// through the node's own accessors under the node's lock.
#include <cstdint>

#include "sim/can_frame.h"

namespace norvane::sim {

/// What a node may do with the bus while it handles a frame or a tick.
class BusTransmitter {
public:
    virtual ~BusTransmitter() = default;
    /// Queues a frame from this node onto the bus (delivered to the gateway and other nodes).
    virtual void Transmit(const CanFrame& frame) = 0;
};

class SimNode {
public:
    virtual ~SimNode() = default;
    /// Current node id (1-125); may change when the node accepts an address change.
    virtual uint8_t NodeId() const = 0;
    /// A frame seen on the bus. The node decides itself whether it is addressed.
    virtual void OnFrame(const CanFrame& frame, BusTransmitter& out) = 0;
    /// Time passes (monotonic milliseconds); motion models advance and send their notices.
    virtual void Tick(uint64_t nowMs, BusTransmitter& out) { (void)nowMs, (void)out; }
    /// Simulated power cycle: volatile state returns to what the EEPROM holds.
    virtual void PowerCycle() {}
};

}  // namespace norvane::sim
