#include "sdk/core/traffic_line.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "sdk/core/gateway_kind.h"
#include "sdk/core/kind_names.h"

namespace norvane::sdk {
namespace {

BusFrame WithData(uint32_t identifier, const KymCanMsg& message) {
    BusFrame frame;
    frame.identifier = identifier & 0x1FFFFFFFu;
    frame.length = std::min<uint8_t>(message.length, 8);
    std::memcpy(frame.data, message.data, frame.length);
    return frame;
}

}  // namespace

const char* KindShortName(uint32_t kind) {
    for (const KindName& entry : kKindNames) {
        if (entry.kind == kind) return entry.name;
    }
    return "gw";
}

uint32_t KindOfShortName(std::string_view name) {
    for (const KindName& entry : kKindNames) {
        if (name == entry.name) return entry.kind;
    }
    return 0;
}

BusFrame SentBusFrame(const KymCanMsg& message, bool firstGen) {
    const uint32_t node = message.node & 0x7Fu;
    const uint32_t word = message.controlWord;
    if (firstGen) return WithData(word | (node & 0x60u) << 9 | (node & 0x1Fu) << 19, message);
    if (node == 127) return WithData(0x1F0FE000u | word, message);
    return WithData(word | (node & 0x60u) << 8 | 1u << 19 | (node & 0x1Fu) << 24, message);
}

BusFrame ReceivedBusFrame(const KymCanMsg& message, bool firstGen) {
    const uint32_t node = message.node;
    const uint32_t word = message.controlWord;
    if (firstGen) return WithData(word | ((node >> 5) & 3u) << 16 | (node & 0x1Fu) << 24, message);
    return WithData(word | ((node >> 5) & 7u) << 8 | (node & 0x1Fu) << 19, message);
}

size_t TrafficInterfaceName(uint32_t handle, TrafficDirection direction, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return 0;
    const int n = std::snprintf(out, capacity, "%s-%u-%s", KindShortName(KindOf(handle)), handle & 0xFFu,
                                direction == TrafficDirection::Sent ? "tx" : "rx");
    if (n < 0) return 0;
    return std::min(static_cast<size_t>(n), capacity - 1);
}

KymTrafficFrame TrafficRecord(uint64_t wallMicros, uint32_t handle, TrafficDirection direction,
                              const BusFrame& frame) {
    KymTrafficFrame record{};
    record.timeMicros = wallMicros;
    record.handle = handle;
    record.identifier = frame.identifier & (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
    record.direction = direction == TrafficDirection::Sent ? 0 : 1;
    record.extended = frame.extended ? 1 : 0;
    record.remote = frame.remote ? 1 : 0;
    record.length = frame.remote ? 0 : std::min<uint8_t>(frame.length, 8);
    std::memcpy(record.data, frame.data, record.length);
    return record;
}

size_t CandumpLine(uint64_t wallMicros, const char* iface, const BusFrame& frame, char* out,
                   size_t capacity) {
    char data[17] = {};
    static const char kHex[] = "0123456789ABCDEF";
    const uint8_t length = frame.remote ? 0 : std::min<uint8_t>(frame.length, 8);
    for (uint8_t i = 0; i < length; ++i) {
        data[2 * i] = kHex[frame.data[i] >> 4];
        data[2 * i + 1] = kHex[frame.data[i] & 15];
    }
    if (frame.remote) data[0] = 'R';
    const int n = frame.extended
                      ? std::snprintf(out, capacity, "(%" PRIu64 ".%06" PRIu64 ") %s %08" PRIX32 "#%s\n",
                                      wallMicros / 1000000, wallMicros % 1000000, iface,
                                      frame.identifier & 0x1FFFFFFFu, data)
                      : std::snprintf(out, capacity, "(%" PRIu64 ".%06" PRIu64 ") %s %03" PRIX32 "#%s\n",
                                      wallMicros / 1000000, wallMicros % 1000000, iface,
                                      frame.identifier & 0x7FFu, data);
    if (n < 0 || static_cast<size_t>(n) >= capacity) return 0;
    return static_cast<size_t>(n);
}

}  // namespace norvane::sdk
