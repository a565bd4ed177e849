#pragma once
// The CAN bit rate that SJA1000 bus timing registers 0 and 1 give at the card's 16 MHz oscillator.
// Pure.
#include <cstdint>

namespace norvane::halbox::socketcan {

constexpr uint32_t kOscillatorHz = 16000000;
constexpr uint32_t kMaxBitRate = 1000000;  ///< classic CAN's upper limit

/// The bit rate in bit/s, rounded to the nearest whole bit/s (83.333 kbit/s gives 83333); 0 when
/// the pair gives a rate above 1 Mbit/s, which no CAN interface runs at.
uint32_t BitRateFromTiming(uint8_t busTiming0, uint8_t busTiming1);

}  // namespace norvane::halbox::socketcan
