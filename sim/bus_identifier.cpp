#include "sim/bus_identifier.h"

namespace norvane::sim {

uint32_t BusIdentifier(uint8_t node, uint8_t controlWord) {
    if ((node & 0x7F) == 127) return 0x1F0FE000u | controlWord;
    return uint32_t{controlWord} | (uint32_t{node & 0x60u} << 8) | (1u << 19) |
           (uint32_t{node & 0x1Fu} << 24);
}

uint32_t FirstGenBusIdentifier(uint8_t node, uint8_t controlWord) {
    return uint32_t{controlWord} | (uint32_t{node & 0x60u} << 9) | (uint32_t{node & 0x1Fu} << 19);
}

BusAddress DecodeBusIdentifier(uint32_t id) {
    BusAddress a;
    a.controlWord = static_cast<uint8_t>(id & 0xFF);
    const uint32_t high = (id & (1u << 19)) ? (id >> 13) & 3 : (id >> 16) & 3;
    a.node = static_cast<uint8_t>(((id >> 24) & 0x1F) | (high << 5));
    return a;
}

BusAddress DecodeNodeIdentifier(uint32_t id) {
    BusAddress a;
    a.controlWord = static_cast<uint8_t>(id & 0xFF);
    if (id & 0x1F030000u) {
        a.node = static_cast<uint8_t>(((id >> 24) & 0x1F) | ((id >> 16) & 3) << 5);
    } else {
        a.node = static_cast<uint8_t>(((id >> 19) & 0x1F) | ((id >> 8) & 7) << 5);
    }
    return a;
}

BusAddress DecodeHostIdentifierBytes(const uint8_t bytes[4]) {
    BusAddress a;
    a.controlWord = bytes[0];
    a.node = static_cast<uint8_t>(((bytes[1] >> 1) & 0x60) | ((bytes[2] >> 3) & 0x1F));
    return a;
}

void EncodeGatewayIdentifierBytes(BusAddress address, uint8_t out[4]) {
    out[0] = address.controlWord;
    out[1] = 0;
    out[2] = static_cast<uint8_t>((address.node >> 5) & 3);
    out[3] = static_cast<uint8_t>(address.node & 0x1F);
}

}  // namespace norvane::sim
