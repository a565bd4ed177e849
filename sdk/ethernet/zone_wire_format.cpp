#include "sdk/ethernet/zone_wire_format.h"

#include <algorithm>
#include <cstring>

#include "sdk/core/codec/codec.h"
#include "sdk/ethernet/zone_frames.h"

namespace norvane::sdk {
namespace {

static_assert(zone::kMessageFrameBytes <= WireFormat::kMaxUnitBytes);
static_assert(zone::kReceiveBufferBytes <= sizeof ReceivedUnit::bytes);

uint8_t ZoneOf(uint32_t handle) {
    return static_cast<uint8_t>(handle >> 24);
}

}  // namespace

size_t ZoneWireFormat::EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                      const void* data, uint8_t* out) const {
    KymCanMsg message{};
    if (PackFirstGen(node, controlWord, index, data, &message) != 1) return 0;
    return zone::BuildMessageFrame(ZoneOf(handle), message, out);
}

size_t ZoneWireFormat::EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const {
    return zone::BuildMessageFrame(ZoneOf(handle), message, out);
}

size_t ZoneWireFormat::ReceiveBufferBytes(bool) const {
    return zone::kReceiveBufferBytes;
}

void ZoneWireFormat::Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const {
    const zone::FrameEvent event = zone::TakeFrame(buffer, count, capacity);
    unit.message = KymCanMsg{};
    unit.length = 0;
    switch (event.kind) {
        case zone::FrameKind::None:
            unit.kind = ReceivedUnit::Kind::None;
            break;
        case zone::FrameKind::Message:
            unit.kind = ReceivedUnit::Kind::Message;
            unit.message = event.message.message;
            unit.zone = event.message.zone;
            break;
        case zone::FrameKind::Dropped:
            unit.kind = ReceivedUnit::Kind::Dropped;
            break;
        case zone::FrameKind::List:
            unit.kind = ReceivedUnit::Kind::ZoneList;
            unit.length = std::min(event.listLength, sizeof event.list);
            std::memcpy(unit.bytes, event.list, unit.length);
            break;
        default:
            unit.kind = ReceivedUnit::Kind::Other;  // keep-alive echoes and other frames
            break;
    }
}

}  // namespace norvane::sdk
