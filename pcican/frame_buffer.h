#pragma once
// The controller's frame buffer (registers 16-28) as bytes: frame information (bit 7 extended,
// bit 6 remote, bits 0-3 length), 4 identifier bytes (extended: bits 28-21, 20-13, 12-5, 4-0 << 3)
// or 2 (standard: bits 10-3, 2-0 << 5), then the data bytes. Pure functions.
#include <cstddef>
#include <cstdint>

#include "halbox/Halbox.h"

namespace norvane::halbox {

constexpr size_t kFrameBufferBytes = 13;

/// Bytes to write for frame: frame information at out[0], identifier bytes from out[1], then
/// min(length, 8) data bytes. Returns the identifier byte count (2 or 4).
size_t EncodeFrameIdentifier(const MarlixFrame& frame, uint8_t out[5]);
uint8_t FrameInformation(const MarlixFrame& frame);

/// The frame held in 13 receive buffer bytes. A length field above 8 gives length 8; send type 0.
MarlixFrame DecodeFrameBuffer(const uint8_t bytes[kFrameBufferBytes]);

}  // namespace norvane::halbox
