#pragma once
// Answer layout of an analog query (command 76): every channel is one byte pair (value low byte,
// channel << 4 | value bits 8-11), channels 1-8; four pairs fit one message and the device always
// sends two messages (the second may be empty). Pure.
#include <cstddef>
#include <cstdint>

namespace norvane::sim::nodes {

struct AnalogMessages {
    uint8_t data[2][8] = {};
    size_t length[2] = {};
};

/// mask bit k asks for channel k + 1; values[k] is that channel's 12-bit value.
AnalogMessages EncodeAnalog(uint8_t mask, const uint16_t values[8]);

}  // namespace norvane::sim::nodes
