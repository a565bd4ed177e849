#pragma once
// Where node id and control word sit in a 29-bit identifier on the simulated bus, and how the
// Ethernet gateway's four identifier bytes map onto it. Pure functions.
#include <cstdint>

namespace norvane::sim {

struct BusAddress {
    uint8_t node = 0;         ///< 0-127
    uint8_t controlWord = 0;  ///< bits 0-6 command number, bit 7 answer requested
};

/// Second-generation request: command bits 0-6, answer bit 7, node bits 0-4 at 24-28, node
/// bits 5-6 at 13-14, bit 19 set. Node 127 (everyone) is 0x1F0FE000 | control word.
uint32_t BusIdentifier(uint8_t node, uint8_t controlWord);
/// First-generation request: the host's identifier bytes with I3 = 0, i.e. control word in
/// bits 0-7, node bits 5-6 at 14-15, node bits 0-4 at 19-23.
uint32_t FirstGenBusIdentifier(uint8_t node, uint8_t controlWord);
/// A node's frame: second-generation identifiers have bit 19 set; first-generation answers
/// carry node bits 0-4 at 24-28 and bits 5-6 at 16-17 with bit 19 clear.
BusAddress DecodeBusIdentifier(uint32_t id);

/// A frame a node put on the bus, in the layouts real nodes answer with: second generation node
/// bits 0-4 at 19-23 and bits 5-7 at 8-10; first generation node bits 0-4 at 24-28 and bits 5-6
/// at 16-17 (bits that a second-generation answer never sets).
BusAddress DecodeNodeIdentifier(uint32_t id);

/// Identifier bytes I0-I3 of a host request (frame 0x72): I0 control word, node bits 5-6 in
/// I1 bits 6-7, node bits 0-4 in I2 bits 3-7; I3 is not looked at.
BusAddress DecodeHostIdentifierBytes(const uint8_t bytes[4]);
/// Identifier bytes of a frame to the host (0x73): I0 control word, I1 0, node bits 5-6 in
/// I2 bits 0-1, node bits 0-4 in I3 — the host reads node = ((I2 & 3) << 5) | (I3 & 0x1F).
void EncodeGatewayIdentifierBytes(BusAddress address, uint8_t out[4]);

}  // namespace norvane::sim
