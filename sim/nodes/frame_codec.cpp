#include "sim/nodes/frame_codec.h"

#include <algorithm>

namespace norvane::sim::nodes {

uint32_t SecondGenIdentifier(uint8_t node, uint8_t controlWord) {
    const uint32_t n = node & 0x7F;
    return (controlWord & 0xFFu) | ((n >> 5) & 3u) << 13 | 1u << 19 | (n & 0x1Fu) << 24;
}

FrameAddress ParseSecondGenIdentifier(uint32_t id) {
    FrameAddress a;
    a.node = static_cast<uint8_t>(((id >> 24) & 0x1F) | ((id >> 13) & 3) << 5);
    a.controlWord = static_cast<uint8_t>(id & 0xFF);
    return a;
}

bool IsSecondGenRequest(uint32_t id) {
    return (id & (1u << 19)) != 0 && (id & 0x00F01F00u) == 0;
}

uint32_t SecondGenNodeIdentifier(uint8_t node, uint8_t controlWord) {
    const uint32_t n = node & 0x7F;
    return (controlWord & 0xFFu) | (n & 0x1Fu) << 19 | (n >> 5) << 8;
}

FrameAddress ParseFirstGenRequestIdentifier(uint32_t id) {
    FrameAddress a;
    a.node = static_cast<uint8_t>(((id >> 19) & 0x1F) | ((id >> 14) & 3) << 5);
    a.controlWord = static_cast<uint8_t>(id & 0xFF);
    return a;
}

uint32_t FirstGenAnswerIdentifier(uint8_t node, uint8_t controlWord) {
    const uint32_t n = node & 0x7F;
    return (controlWord & 0xFFu) | ((n >> 5) & 3u) << 16 | (n & 0x1Fu) << 24;
}

CanFrame MakeFrame(uint32_t id, const uint8_t* data, size_t length) {
    CanFrame f;
    f.id = id & 0x1FFFFFFF;
    f.length = static_cast<uint8_t>(std::min<size_t>(length, 8));
    if (data != nullptr) std::copy(data, data + f.length, f.data);
    return f;
}

uint32_t ReadLe(const CanFrame& frame, size_t offset, size_t count) {
    const size_t length = std::min<size_t>(frame.length, 8);
    uint32_t v = 0;
    for (size_t i = 0; i < count && i < 4 && offset + i < length; ++i)
        v |= uint32_t{frame.data[offset + i]} << (8 * i);
    return v;
}

int32_t ReadLeSigned(const CanFrame& frame, size_t offset, size_t count) {
    const size_t length = std::min<size_t>(frame.length, 8);
    const size_t present = offset >= length ? 0 : std::min({count, size_t{4}, length - offset});
    const uint32_t v = ReadLe(frame, offset, count);
    if (present == 0 || present == 4) return static_cast<int32_t>(v);
    const uint32_t sign = 1u << (8 * present - 1);
    return static_cast<int32_t>((v ^ sign) - sign);
}

void WriteLe(uint8_t* out, uint32_t value, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace norvane::sim::nodes
