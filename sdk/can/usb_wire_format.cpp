#include "sdk/can/usb_wire_format.h"

#include <cstddef>

#include "sdk/can/can_identifier.h"
#include "sdk/core/codec/codec.h"

namespace norvane::sdk::can {
namespace {

constexpr uint8_t kWordCommand = 43;  // carries a fourth data word in the identifier

}  // namespace

uint32_t UsbFirstGenRequestId(uint32_t node, uint8_t controlWord, const void* data) {
    uint32_t id = FirstGenRequestId(node, controlWord, true);
    if ((controlWord & 0x7F) == kWordCommand && data != nullptr) {
        uint32_t w3;
        std::memcpy(&w3, static_cast<const uint8_t*>(data) + 12, sizeof w3);
        id |= (w3 & 0x3Fu) << 8;
        id |= ((w3 >> 6) & 3u) << 16;
    }
    return id;
}

size_t UsbWireFormat::EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data,
                                      bool get, uint8_t* out) const {
    const size_t length = CanWireFormat::EncodeSecondGen(node, controlWord, index, data, get, out);
    if (length != kRecordBytes) return length;
    KymCanFrame frame;
    std::memcpy(&frame, out, kRecordBytes);
    // The request names node 0 exactly when its identifier is node 0's for its control word.
    if (frame.identifier == SecondGenRequestId(0, static_cast<uint8_t>(frame.identifier & 0xFF))) {
        frame.identifier |= kUsbGlobalBits;
        std::memcpy(out, &frame, kRecordBytes);
    }
    return length;
}

size_t UsbWireFormat::EncodeFirstGen(uint32_t, uint32_t node, uint8_t controlWord, int index,
                                     const void* data, uint8_t* out) const {
    KymCanMsg message{};
    if (PackFirstGen(node, controlWord, index, data, &message) != 1) return 0;
    const KymCanFrame frame =
        RequestFrame(UsbFirstGenRequestId(message.node, message.controlWord, data), message);
    std::memcpy(out, &frame, kRecordBytes);
    return kRecordBytes;
}

void UsbWireFormat::Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const {
    // The first data byte as it came, before the base's rewrites of control words 4 and 0x36.
    const uint8_t first = count >= kRecordBytes ? buffer[offsetof(KymCanFrame, data)] : 0;
    CanWireFormat::Take(buffer, count, capacity, unit);
    if (unit.kind == ReceivedUnit::Kind::Message && !Legacy())
        unit.message.extra = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(first)));
}

}  // namespace norvane::sdk::can
