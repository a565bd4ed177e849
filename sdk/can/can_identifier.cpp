#include "sdk/can/can_identifier.h"

#include "sdk/core/codec/codec.h"

namespace norvane::sdk::can {

uint32_t SecondGenRequestId(uint32_t node, uint8_t controlWord) {
    return CanIdentifier(node, controlWord, (controlWord & 0x80) != 0);
}

uint32_t FirstGenRequestId(uint32_t node, uint8_t controlWord, bool probe) {
    const uint32_t byte1 = ((node & 0x60u) << 1) & 0xFFu;
    const uint32_t byte2 = ((node & 0x1Fu) << 3) & 0xFFu;
    return controlWord | (byte1 << 8) | (byte2 << 16) | (probe ? 1u << 24 : 0u);
}

NodeAndCommand DecodeSecondGenId(uint32_t identifier) {
    const uint32_t node = ((identifier >> 19) & 0x1Fu) | (((identifier >> 8) & 7u) << 5);
    return {static_cast<uint8_t>(node), static_cast<uint8_t>(identifier & 0xFFu)};
}

NodeAndCommand DecodeFirstGenId(uint32_t identifier) {
    const uint32_t node = (((identifier >> 16) & 3u) << 5) | ((identifier >> 24) & 0x1Fu);
    return {static_cast<uint8_t>(node), static_cast<uint8_t>(identifier & 0xFFu)};
}

}  // namespace norvane::sdk::can
