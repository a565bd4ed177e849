// Building the frames the SDK sends to a zone device and taking apart the ones it receives.
#include "sdk/ethernet/zone_frames.h"

#include <algorithm>
#include <cstring>

#include "sdk/ethernet/ethernet_frames.h"

namespace norvane::sdk::zone {
namespace {

size_t BuildEmpty(uint8_t command, uint8_t* out) {
    return eth::BuildFrame(command, nullptr, 0, out, kShortFrameBytes);
}

}  // namespace

size_t BuildMessageFrame(uint8_t zone, const KymCanMsg& message, uint8_t* out) {
    uint8_t payload[kPayloadBytes] = {};
    payload[0] = zone;
    payload[1] = message.node;
    payload[2] = message.controlWord;
    payload[3] = message.length & 0x0F;
    std::memcpy(payload + 4, &message.extra, 4);
    std::memcpy(payload + 8, message.data, std::min<size_t>(payload[3], 8));
    return eth::BuildFrame(eth::command::kLegacyMessage, payload, sizeof payload, out, kMessageFrameBytes);
}

size_t BuildProbeFrame(uint8_t* out) {
    return BuildEmpty(eth::command::kZoneProbe, out);
}

size_t BuildListFrame(uint8_t* out) {
    return BuildEmpty(eth::command::kZoneList, out);
}

bool DecodeMessagePayload(const uint8_t* payload, size_t length, ZoneMessage& out) {
    out = ZoneMessage{};
    if (payload == nullptr || length < kPayloadBytes) return false;
    const uint8_t node = payload[1];
    if (node == 0 || node > 125) return false;
    out.zone = payload[0];
    out.message.node = node;
    out.message.controlWord = payload[2];
    out.message.length = payload[3];
    std::memcpy(&out.message.extra, payload + 4, 4);
    if (payload[3] <= 8) std::memcpy(out.message.data, payload + 8, payload[3]);
    return true;
}

FrameEvent TakeFrame(uint8_t* buffer, size_t& count, size_t capacity) {
    FrameEvent event;
    size_t frameLength = 0;
    eth::ParseFrame(buffer, count, 0, frameLength, capacity);
    if (frameLength == 0) return event;

    eth::ReceivedFrame frame;
    const bool split = eth::SplitFrame(buffer, frameLength, frame);
    if (split && frame.command == eth::command::kLegacyMessage) {
        const bool accepted = DecodeMessagePayload(frame.payload, frame.payloadLength, event.message);
        event.kind = accepted ? FrameKind::Message : FrameKind::Dropped;
    } else if (split && frame.command == eth::command::kZoneList) {
        event.kind = FrameKind::List;
        // Lengths of 1-125 are copied; any other length wakes the waiter with nothing.
        if (frame.payloadLength >= 1 && frame.payloadLength <= kMaxListBytes) {
            event.listLength = frame.payloadLength;
            std::memcpy(event.list, frame.payload, frame.payloadLength);
        }
    } else if (split && frame.command == eth::command::kZoneProbe) {
        event.kind = FrameKind::Probe;
    } else {
        event.kind = FrameKind::Other;  // a frame that does not split, or an unknown command
    }
    eth::DropFront(buffer, count, frameLength);
    return event;
}

int ZoneCountFromList(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0 || bytes[0] < '1' || bytes[0] > '9') return 0;
    for (size_t i = 1; i < length; ++i) {
        const uint8_t c = bytes[i];
        if (c != 0 && c != '\r' && c != '\n' && c != ' ') return 0;
    }
    return bytes[0] - '0';
}

}  // namespace norvane::sdk::zone
