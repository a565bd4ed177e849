#include "pcican/socketcan/bit_timing.h"

namespace norvane::halbox::socketcan {

// Bus timing 0: bits 7-6 synchronisation jump width, bits 5-0 BRP (baud rate prescaler).
// Bus timing 1: bit 7 sampling (once or three times), bits 6-4 TSEG2, bits 3-0 TSEG1.
// One time quantum is tq = 2 * (BRP + 1) / f_osc, and a bit is the synchronisation segment (one tq)
// plus (TSEG1 + 1) tq plus (TSEG2 + 1) tq, so
//
//     bit rate = f_osc / (2 * (BRP + 1) * (3 + TSEG1 + TSEG2))
//
// The jump width and the sampling mode change where a bit is sampled, not how long it lasts.
uint32_t BitRateFromTiming(uint8_t busTiming0, uint8_t busTiming1) {
    const uint32_t prescaler = (busTiming0 & 0x3Fu) + 1;
    const uint32_t quanta = 3 + (busTiming1 & 0x0Fu) + ((busTiming1 >> 4) & 0x07u);
    const uint32_t divisor = 2 * prescaler * quanta;
    const uint32_t rate = (kOscillatorHz + divisor / 2) / divisor;
    return rate > kMaxBitRate ? 0 : rate;
}

}  // namespace norvane::halbox::socketcan
