#pragma once
// A frame on the simulated CAN bus: 29-bit extended identifier (or 11-bit standard), 0-8 data bytes.
#include <cstdint>

namespace norvane::sim {

struct CanFrame {
    uint32_t id = 0;     ///< 29-bit identifier (11-bit when not extended), right-aligned
    uint8_t length = 0;  ///< 0-8
    uint8_t data[8] = {};
    bool extended = true;  ///< the bus devices of this family only speak extended data frames
    bool remote = false;
};

}  // namespace norvane::sim
