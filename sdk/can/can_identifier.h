#pragma once
// Identifiers of the raw CAN frames the SDK sends to and receives from controllers on a bus it
// drives itself (PCI cards, USB adapters). Pure functions.
#include <cstdint>

namespace norvane::sdk::can {

/// Every second-generation discovery request and bit-rate probe carries this identifier (node
/// 127, command 64 with the answer bit), unlike a request built for node 127.
constexpr uint32_t kDiscoveryIdentifier = 0x1F0FE0C0;

/// Second-generation request: node and command placed as the controllers expect, the answer
/// bit from bit 7 of the control word (never for node 127, the broadcast).
uint32_t SecondGenRequestId(uint32_t node, uint8_t controlWord);
/// First-generation request: bytes (least significant first) control word, (node & 0x60) << 1,
/// (node & 0x1F) << 3, and 1 for the bit-rate probe, else 0.
uint32_t FirstGenRequestId(uint32_t node, uint8_t controlWord, bool probe = false);

struct NodeAndCommand {
    uint8_t node;
    uint8_t controlWord;
};
/// A second-generation answer: node id in bits 19-23 (low five bits) and 8-10 (high bits).
NodeAndCommand DecodeSecondGenId(uint32_t identifier);
/// A first-generation answer: node id in bits 24-28 (low five bits) and 16-17 (high bits).
NodeAndCommand DecodeFirstGenId(uint32_t identifier);

}  // namespace norvane::sdk::can
