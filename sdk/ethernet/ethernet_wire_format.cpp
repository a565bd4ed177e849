#include "sdk/ethernet/ethernet_wire_format.h"

#include <algorithm>
#include <cstring>

#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/text_dialect.h"
#include "sdk/core/switches.h"
#include "sdk/ethernet/ethernet_frames.h"

namespace norvane::sdk {
namespace {

// Most bytes a second-generation command reads from the caller's data (command 47, index 1):
// the text encoder reads only what the command needs, this bound only caps it.
constexpr size_t kMaxRequestData = 20;
constexpr size_t kMaxLegacyData = 14;  // longest first-generation request data (command 42)

static_assert(eth::kHeaderBytes + kMaxCommandText + 1 <= WireFormat::kMaxUnitBytes);

size_t TextFrame(const char* text, size_t length, uint8_t* out) {
    return eth::BuildFrame(eth::command::kSerialMessage, reinterpret_cast<const uint8_t*>(text), length, out,
                           WireFormat::kMaxUnitBytes);
}

}  // namespace

bool EthernetWireFormat::SerialFraming() {
    return GlobalSwitches().serialTransmission.load() != 0;
}

size_t EthernetWireFormat::EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data,
                                           bool get, uint8_t* out) const {
    if (SerialFraming()) {
        char text[kMaxCommandText + 1];
        size_t textLength = 0;
        if (EncodeText(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), data,
                       data != nullptr ? kMaxRequestData : 0, text, sizeof text, &textLength) != 1) {
            return 0;
        }
        return TextFrame(text, textLength, out);
    }
    KymCanMsg message{};
    const int packed = get ? PackSecondGenGet(node, controlWord, index, &message)
                           : PackSecondGen(node, controlWord, index, data, &message);
    return packed == 1 ? eth::BuildCanMessageFrame(message, out) : 0;
}

size_t EthernetWireFormat::EncodeFirstGen(uint32_t, uint32_t node, uint8_t controlWord, int index,
                                          const void* data, uint8_t* out) const {
    if (SerialFraming()) {
        char text[kMaxCommandText + 1];
        size_t textLength = 0;
        if (EncodeTextLegacy(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), data,
                             data != nullptr ? kMaxLegacyData : 0, text, sizeof text, &textLength) != 1) {
            return 0;
        }
        return TextFrame(text, textLength, out);
    }
    KymCanMsg message{};
    if (PackFirstGen(node, controlWord, index, data, &message) != 1) return 0;
    return eth::BuildCanMessageFrame(message, out);
}

size_t EthernetWireFormat::EncodeMessage(uint32_t, const KymCanMsg& message, uint8_t* out) const {
    return SerialFraming() ? eth::BuildSerialRecordFrame(message, out)
                           : eth::BuildCanMessageFrame(message, out);
}

size_t EthernetWireFormat::ReceiveBufferBytes(bool legacy) const {
    return legacy ? 2 * eth::kReceiveBufferBytes : eth::kReceiveBufferBytes;
}

void EthernetWireFormat::Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const {
    unit.kind = ReceivedUnit::Kind::None;
    unit.message = KymCanMsg{};
    size_t length = 0;
    if (!eth::ParseFrame(buffer, count, 0, length, capacity) && length == 0) return;
    eth::ReceivedFrame frame;
    if (!eth::SplitFrame(buffer, length, frame)) {
        unit.kind = ReceivedUnit::Kind::Malformed;
    } else if (frame.command == eth::command::kCanAnswer) {
        unit.kind = eth::DecodeCanPayload(frame.payload, frame.payloadLength, unit.message)
                        ? ReceivedUnit::Kind::Message
                        : ReceivedUnit::Kind::Malformed;
    } else if (frame.command == eth::command::kLegacyMessage) {
        unit.kind = eth::DecodeLegacyPayload(frame.payload, frame.payloadLength, unit.message)
                        ? ReceivedUnit::Kind::Message
                        : ReceivedUnit::Kind::Malformed;
    } else if (frame.command == eth::command::kSerialAnswer) {
        unit.kind = ReceivedUnit::Kind::ReplyBytes;
        unit.length = std::min(frame.payloadLength, sizeof unit.bytes);
        std::memcpy(unit.bytes, frame.payload, unit.length);
    } else {
        unit.kind = ReceivedUnit::Kind::Other;  // hello acknowledgements, zone lists and others
    }
    eth::DropFront(buffer, count, length);
}

void EthernetWireFormat::TakeProbeAnswer(uint8_t* buffer, size_t& count, size_t capacity,
                                         ReceivedUnit& unit) const {
    unit.kind = ReceivedUnit::Kind::None;
    unit.message = KymCanMsg{};
    size_t length = 0;
    if (!eth::ParseFrame(buffer, count, 0, length, capacity) && length == 0) return;
    eth::ReceivedFrame frame;
    const bool decoded =
        eth::SplitFrame(buffer, length, frame) &&
        (SerialFraming() ? frame.command == eth::command::kSerialAnswer &&
                               eth::DecodeSerialRecord(frame.payload, frame.payloadLength, unit.message)
                         : frame.command == eth::command::kCanAnswer &&
                               eth::DecodeCanPayload(frame.payload, frame.payloadLength, unit.message));
    unit.kind = decoded ? ReceivedUnit::Kind::Message : ReceivedUnit::Kind::Other;
    eth::DropFront(buffer, count, length);
}

}  // namespace norvane::sdk
