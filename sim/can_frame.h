#pragma once
// A frame on the simulated CAN bus: 29-bit extended identifier, 0-8 data bytes.
#include <cstdint>

namespace norvane::sim {

struct CanFrame {
    uint32_t id = 0;     ///< 29-bit identifier, right-aligned
    uint8_t length = 0;  ///< 0-8
    uint8_t data[8] = {};
};

}  // namespace norvane::sim
