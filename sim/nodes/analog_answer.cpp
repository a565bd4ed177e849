#include "sim/nodes/analog_answer.h"

namespace norvane::sim::nodes {

AnalogMessages EncodeAnalog(uint8_t mask, const uint16_t values[8]) {
    AnalogMessages m;
    size_t pairs = 0;
    for (int k = 0; k < 8 && pairs < 8; ++k) {
        if ((mask >> k & 1) == 0) continue;
        const size_t msg = pairs / 4;
        const size_t at = (pairs % 4) * 2;
        const uint16_t v = values[k] & 0x0FFF;
        m.data[msg][at] = static_cast<uint8_t>(v & 0xFF);
        m.data[msg][at + 1] = static_cast<uint8_t>((k + 1) << 4 | v >> 8);
        m.length[msg] = at + 2;
        ++pairs;
    }
    return m;
}

}  // namespace norvane::sim::nodes
