#include "sim/nodes/controller_registers.h"

#include "sim/nodes/frame_codec.h"

namespace norvane::sim::nodes {

void EncodeStatus(const StatusFields& s, uint8_t out[8]) {
    const uint8_t mcs = s.mcs == 0 ? 0 : static_cast<uint8_t>((s.mcs - 1) & 0x0F);
    out[0] = static_cast<uint8_t>(mcs | (s.cur & 0x0F) << 4);
    out[1] = static_cast<uint8_t>(((s.cur >> 4) & 7) | (s.reverse ? 0x08 : 0) | (s.enabled ? 0x10 : 0) |
                                  (s.acr != 0 ? 0x20 : 0));
    WriteLe(out + 2, static_cast<uint32_t>(s.speed), 2);
    WriteLe(out + 4, static_cast<uint32_t>(s.steps), 4);
}

void EncodeSensorBlock(const ControllerConfig& c, uint8_t out[8]) {
    WriteLe(out, c.s12con, 2);
    WriteLe(out + 2, c.s34con, 2);
    WriteLe(out + 4, c.atconl, 2);
    WriteLe(out + 6, c.atconh, 2);
}

bool ApplySensorRegister(ControllerConfig& c, uint8_t d0, uint8_t d1, uint8_t index) {
    const uint16_t word = static_cast<uint16_t>(d0 | d1 << 8);
    switch (index) {
        case 0:
            c.s12con = word;
            return true;
        case 1:
            c.s34con = word;
            return true;
        case 2:
        case 3:
            if (word > 4095) return false;
            (index == 2 ? c.atconl : c.atconh) = word;
            return true;
        default:
            return false;
    }
}

void EncodeSensorTimes(const ControllerConfig& c, uint8_t out[6]) {
    for (int i = 0; i < 3; ++i) WriteLe(out + 2 * i, c.stg[i], 2);
}

uint8_t EdgeAction(const ControllerConfig& c, int sensor, bool rising) {
    switch (sensor) {
        case 1:
            return static_cast<uint8_t>((c.s12con >> (rising ? 4 : 0)) & 0x0F);
        case 2:
            return static_cast<uint8_t>((c.s12con >> (rising ? 12 : 8)) & 0x0F);
        case 3:
            return static_cast<uint8_t>((c.s34con >> (rising ? 4 : 0)) & 0x0F);
        default:
            return 0;
    }
}

uint8_t StallAction(const ControllerConfig& c) {
    return static_cast<uint8_t>((c.s34con >> 12) & 0x0F);
}

int EdgeSlot(int sensor, bool rising) {
    return 2 + 2 * (sensor - 1) + (rising ? 0 : 1);
}

bool ValidMicrostep(uint32_t mcs) {
    return mcs == 1 || mcs == 2 || mcs == 4 || mcs == 8 || mcs == 16;
}

}  // namespace norvane::sim::nodes
