#pragma once
// CAN identifier layouts seen from a device, and little-endian helpers for data bytes.
// Pure functions: no state, no locks, no I/O.
//
// Second generation requests: bits 0-6 command number, bit 7 answer requested, node bits 0-4 at
// identifier bits 24-28, node bits 5-6 at bits 13-14, bit 19 set. Node 127 (broadcast) has bits
// 13-19 and 24-28 all set. A node's own frames (answers, notices) carry its id at bits 19-23
// (bits 0-4) and 8-10 (bits 5-7) with the control word in bits 0-7.
//
// First generation: requests carry I0 = control word, I1 = (node & 0x60) << 1, I2 = (node & 0x1F) << 3
// and I3 = 0 or 1; answers carry the node's bits 0-4 at identifier bits 24-28 and bits 5-6 at bits
// 16-17, which is where hosts of that generation read them.
#include <cstddef>
#include <cstdint>

#include "sim/can_frame.h"

namespace norvane::sim::nodes {

/// Node id and full control word (bit 7 = answer requested) carried by an identifier.
struct FrameAddress {
    uint8_t node = 0;
    uint8_t controlWord = 0;
};

constexpr uint8_t kBroadcastNode = 127;
constexpr uint8_t kAnswerBit = 0x80;

/// A request in the second-generation layout (what hosts and gateways send).
uint32_t SecondGenIdentifier(uint8_t node, uint8_t controlWord);
FrameAddress ParseSecondGenIdentifier(uint32_t id);
/// Whether id can be a second-generation request: bit 19 set, bits 8-12 and 20-23 clear (other
/// nodes' answers set those, except node 1's, which is the same frame as a node-0 request).
bool IsSecondGenRequest(uint32_t id);
/// A frame from a second-generation node: answers, discovery answers, notices.
uint32_t SecondGenNodeIdentifier(uint8_t node, uint8_t controlWord);

FrameAddress ParseFirstGenRequestIdentifier(uint32_t id);
uint32_t FirstGenAnswerIdentifier(uint8_t node, uint8_t controlWord);

/// Builds a frame; length is clamped to 8 and bytes beyond it are zero.
CanFrame MakeFrame(uint32_t id, const uint8_t* data, size_t length);

/// Unsigned little-endian value of the frame's first min(length, count) data bytes (count <= 4).
uint32_t ReadLe(const CanFrame& frame, size_t offset, size_t count);
/// Same, sign-extended from the number of bytes actually present (a 2-byte value is a 16-bit number).
int32_t ReadLeSigned(const CanFrame& frame, size_t offset, size_t count);
void WriteLe(uint8_t* out, uint32_t value, size_t count);

}  // namespace norvane::sim::nodes
