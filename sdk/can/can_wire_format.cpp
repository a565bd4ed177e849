#include "sdk/can/can_wire_format.h"

#include <algorithm>

#include "sdk/can/can_identifier.h"
#include "sdk/core/codec/codec.h"

namespace norvane::sdk::can {
namespace {

size_t Write(const KymCanFrame& frame, uint8_t* out) {
    std::memcpy(out, &frame, kRecordBytes);
    return kRecordBytes;
}

}  // namespace

KymCanFrame RequestFrame(uint32_t identifier, const KymCanMsg& message) {
    KymCanFrame frame{};
    frame.identifier = identifier;
    frame.extended = 1;
    frame.length = std::min<uint8_t>(message.length, 8);
    std::memcpy(frame.data, message.data, frame.length);
    return frame;
}

bool CanWireFormat::SentFrame(const uint8_t* unit, size_t length, BusFrame& frame) const {
    if (unit == nullptr || length != kRecordBytes) return false;
    KymCanFrame sent;
    std::memcpy(&sent, unit, kRecordBytes);
    // A raw record a host sent may be any kind of frame.
    frame.extended = sent.extended != 0;
    frame.remote = sent.remote != 0;
    frame.identifier = sent.identifier & (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
    frame.length = std::min<uint8_t>(sent.length, 8);
    std::memcpy(frame.data, sent.data, sizeof frame.data);
    return true;
}

KymCanMsg MessageFromFrame(const KymCanFrame& frame, bool legacy) {
    const NodeAndCommand decoded =
        legacy ? DecodeFirstGenId(frame.identifier) : DecodeSecondGenId(frame.identifier);
    KymCanMsg message{};
    message.node = decoded.node;
    message.controlWord = decoded.controlWord;
    message.length = frame.length & 15;
    std::memcpy(message.data, frame.data, std::min<size_t>(message.length, 8));
    message.extra = frame.data[0];
    // The control word is identifier bits 0-7, so its bit 7 is the identifier's.
    if (!legacy) RewriteControlWordValue(message);
    return message;
}

size_t CanWireFormat::EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data,
                                      bool get, uint8_t* out) const {
    KymCanMsg message{};
    const int packed = get ? PackSecondGenGet(node, controlWord, index, &message)
                           : PackSecondGen(node, controlWord, index, data, &message);
    if (packed != 1) return 0;
    // The identifier names the node the packer chose (0 for the global commands).
    return Write(RequestFrame(SecondGenRequestId(message.node, message.controlWord), message), out);
}

size_t CanWireFormat::EncodeFirstGen(uint32_t, uint32_t node, uint8_t controlWord, int index,
                                     const void* data, uint8_t* out) const {
    KymCanMsg message{};
    if (PackFirstGen(node, controlWord, index, data, &message) != 1) return 0;
    return Write(RequestFrame(FirstGenRequestId(message.node, message.controlWord), message), out);
}

size_t CanWireFormat::EncodeDiscovery(uint8_t* out) const {
    return Write(RequestFrame(kDiscoveryIdentifier, KymCanMsg{}), out);
}

size_t CanWireFormat::EncodeMessage(uint32_t, const KymCanMsg& message, uint8_t* out) const {
    return Write(RequestFrame(FirstGenRequestId(message.node, message.controlWord), message), out);
}

void CanWireFormat::Take(uint8_t* buffer, size_t& count, size_t, ReceivedUnit& unit) const {
    unit.kind = ReceivedUnit::Kind::None;
    if (count < kRecordBytes) return;
    KymCanFrame frame;
    std::memcpy(&frame, buffer, kRecordBytes);
    count -= kRecordBytes;
    std::memmove(buffer, buffer + kRecordBytes, count);
    unit.message = MessageFromFrame(frame, legacy_);
    // A first-generation node's control word 2 is its own bus traffic, never an answer.
    unit.kind =
        legacy_ && unit.message.controlWord == 2 ? ReceivedUnit::Kind::Dropped : ReceivedUnit::Kind::Message;
}

}  // namespace norvane::sdk::can
