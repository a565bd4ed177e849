#pragma once
// Temperature controller (device code 89, or 90 for the KYC model). ENA with a value starts (1) or
// stops (0) regulation; QEC sets the desired temperature in tenths of a degree (-400 .. 1500);
// STORE keeps it for the next power-on. The measured temperature moves towards the desired one
// while running and back to the ambient one in standby, 0.1 degree per 100 ms. Two successive
// reads of command 83 give the record: run state, ambient, desired, measured (16-bit tenths each,
// little-endian), the first read bytes 0-5 and the second bytes 6-11 of one snapshot.
#include <cstdint>

#include "sim/nodes/dma_window.h"
#include "sim/nodes/second_gen_node.h"

namespace norvane::sim::nodes {

class TemperatureController : public SecondGenNode {
public:
    TemperatureController(uint8_t id, uint8_t code = 89, uint16_t firmware = 1100, uint32_t serial = 0);

    bool Running() const;
    int32_t Ambient() const;  ///< tenths of a degree
    int32_t Desired() const;
    int32_t Measured() const;
    int32_t StoredDesired() const;

    /// Test hook: the ambient temperature in tenths.
    void SetAmbient(int32_t tenths);

protected:
    bool HandleCommand(const Request& r, Outbox& out) override;
    void Advance(uint64_t elapsedMs, Outbox& out) override;
    void Restart() override;

private:
    bool running_ = false;
    int32_t ambient_ = 250;
    int32_t desired_ = 370;
    int32_t storedDesired_ = 370;
    int32_t measured_ = 250;
    uint64_t carryMs_ = 0;
    DmaWindow dma_;
};

}  // namespace norvane::sim::nodes
