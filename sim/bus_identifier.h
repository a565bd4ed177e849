#pragma once
// Where node id and control word sit in a 29-bit identifier on the simulated bus, and how the
// Ethernet gateway's four identifier bytes map onto it. Pure functions.
#include <cstdint>

namespace norvane::sim {

struct BusAddress {
    uint8_t node = 0;         ///< 0-127
    uint8_t controlWord = 0;  ///< bits 0-6 command number, bit 7 answer requested
};

/// Bus identifier: command bits 0-6, answer bit 7, node bits 0-4 at 24-28, node bits 5-6 at
/// 13-14, bit 19 set. Node 127 (everyone) is 0x1F0FE000 | control word. Used for both
/// protocol generations: the generation is a property of the node, not of the identifier.
uint32_t BusIdentifier(uint8_t node, uint8_t controlWord);
/// Inverse of BusIdentifier for any identifier (bits outside the fields are ignored).
BusAddress DecodeBusIdentifier(uint32_t id);

/// Identifier bytes I0-I3 of a host request (frame 0x72): I0 control word, node bits 5-6 in
/// I1 bits 6-7, node bits 0-4 in I2 bits 3-7; I3 is not looked at.
BusAddress DecodeHostIdentifierBytes(const uint8_t bytes[4]);
/// Identifier bytes of a frame to the host (0x73): I0 control word, I1 0, node bits 5-6 in
/// I2 bits 0-1, node bits 0-4 in I3 — the host reads node = ((I2 & 3) << 5) | (I3 & 0x1F).
void EncodeGatewayIdentifierBytes(BusAddress address, uint8_t out[4]);

}  // namespace norvane::sim
