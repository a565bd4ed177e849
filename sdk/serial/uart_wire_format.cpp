#include "sdk/serial/uart_wire_format.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/reply_frame.h"
#include "sdk/core/codec/text_dialect.h"

namespace norvane::sdk {

bool DecodeUartFrame(const uint8_t* frame, size_t length, KymCanMsg& message) {
    message = KymCanMsg{};
    if (frame == nullptr || length < 4) return false;
    message.node = frame[1];
    message.controlWord = frame[2];
    message.length = static_cast<uint8_t>(std::min<size_t>(length - 4, 8));
    std::memcpy(message.data, frame + 3, message.length);
    message.extra = message.length > 0 ? frame[3] : 0;
    return true;
}

size_t UartWireFormat::EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data,
                                       bool get, uint8_t* out) const {
    KymCanMsg message{};
    const int packed = get ? PackSecondGenGet(node, controlWord, index, &message)
                           : PackSecondGen(node, controlWord, index, data, &message);
    return packed == 1 ? BuildUartPacket(message, false, 0, out) : 0;
}

size_t UartWireFormat::EncodeFirstGen(uint32_t, uint32_t node, uint8_t controlWord, int index,
                                      const void* data, uint8_t* out) const {
    KymCanMsg message{};
    if (PackFirstGen(node, controlWord, index, data, &message) != 1) return 0;
    uint8_t word3Low = 0;
    if (data != nullptr && (controlWord & 0x7F) == 0x2B)
        std::memcpy(&word3Low, static_cast<const uint8_t*>(data) + 12, 1);
    return BuildUartPacket(message, true, word3Low, out);
}

size_t UartWireFormat::EncodeMessage(uint32_t, const KymCanMsg& message, uint8_t* out) const {
    return BuildUartPacket(message, false, 0, out);
}

void UartWireFormat::ReadHostUnit(const uint8_t* unit, size_t length, bool firstGen,
                                  const std::function<void(const KymCanMsg&)>& each) const {
    // Command packets start with their length byte (0-9), texts with a printable character.
    std::string_view rest(reinterpret_cast<const char*>(unit), length);
    KymCanMsg message{};
    bool known = false;
    while (!rest.empty()) {
        size_t n = 0;
        if (static_cast<uint8_t>(rest.front()) <= 9) {
            known = ReadUartPacket(reinterpret_cast<const uint8_t*>(rest.data()), rest.size(), message);
            n = known ? kUartPacketBytes : 0;
        } else {
            n = TakeCommandText(rest, firstGen, message, known);
        }
        if (n == 0) return;
        if (known) each(message);
        rest.remove_prefix(n);
    }
}

void UartWireFormat::Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const {
    unit.kind = ReceivedUnit::Kind::None;
    unit.message = KymCanMsg{};
    size_t frameLength = 0;
    const bool found = FindUartReplyFrame(buffer, count, capacity, 0, frameLength);
    if (frameLength == 0) return;
    if (found) {
        unit.kind = ReceivedUnit::Kind::ReplyBytes;
        unit.length = frameLength;
        std::memcpy(unit.bytes, buffer, frameLength);
    } else {
        unit.kind = ReceivedUnit::Kind::Malformed;
    }
    std::memmove(buffer, buffer + frameLength, count - frameLength);
    count -= frameLength;
}

}  // namespace norvane::sdk
