#include "sdk/serial/serial_wire_format.h"

#include <cstring>
#include <string_view>

#include "sdk/core/codec/reply_frame.h"
#include "sdk/core/codec/text_dialect.h"

namespace norvane::sdk {
namespace {

// Most bytes a request reads from the caller's data (second generation: command 47, index 1;
// first generation: command 42). The text encoders read only what the command needs.
constexpr size_t kMaxRequestData = 20;
constexpr size_t kMaxLegacyData = 14;

static_assert(kMaxCommandText + 1 <= WireFormat::kMaxUnitBytes);

void DropFront(uint8_t* buffer, size_t& count, size_t n) {
    std::memmove(buffer, buffer + n, count - n);
    count -= n;
}

}  // namespace

size_t SerialWireFormat::EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data,
                                         bool, uint8_t* out) const {
    size_t length = 0;
    if (EncodeText(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), data,
                   data != nullptr ? kMaxRequestData : 0, reinterpret_cast<char*>(out), kMaxUnitBytes,
                   &length) != 1) {
        return 0;
    }
    return length;
}

size_t SerialWireFormat::EncodeFirstGen(uint32_t, uint32_t node, uint8_t controlWord, int index,
                                        const void* data, uint8_t* out) const {
    size_t length = 0;
    if (EncodeTextLegacy(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), data,
                         data != nullptr ? kMaxLegacyData : 0, reinterpret_cast<char*>(out), kMaxUnitBytes,
                         &length) != 1) {
        return 0;
    }
    return length;
}

size_t SerialWireFormat::EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const {
    return EncodeFirstGen(handle, message.node, message.controlWord,
                          static_cast<uint8_t>(message.extra & 0xFF), nullptr, out);
}

void SerialWireFormat::ReadHostUnit(const uint8_t* unit, size_t length, bool firstGen,
                                    const std::function<void(const KymCanMsg&)>& each) const {
    std::string_view rest(reinterpret_cast<const char*>(unit), length);
    KymCanMsg message{};
    bool known = false;
    while (const size_t n = TakeCommandText(rest, firstGen, message, known)) {
        if (known) each(message);
        rest.remove_prefix(n);
    }
}

size_t SerialWireFormat::ReceiveBufferBytes(bool) const {
    return kReplyBufferSize;
}

void SerialWireFormat::Take(uint8_t* buffer, size_t& count, size_t, ReceivedUnit& unit) const {
    unit.kind = ReceivedUnit::Kind::None;
    unit.message = KymCanMsg{};
    size_t frameLength = 0;
    if (!legacy_.load()) {
        if (!FindReplyFrame(buffer, count, frameLength)) return;
        unit.kind = ReceivedUnit::Kind::ReplyBytes;
        unit.length = frameLength;
        std::memcpy(unit.bytes, buffer, frameLength);
        DropFront(buffer, count, frameLength);
        return;
    }
    const bool found = FindLegacyReplyFrame(buffer, count, 0, frameLength);
    if (frameLength == 0) return;
    const uint8_t controlWord = frameLength > 2 ? buffer[2] : 0;
    if (!found || controlWord == 0xDD || controlWord == 0xDE || controlWord == 0xDF || controlWord == 0x02) {
        // Gateway bookkeeping frames and the answers nobody waits for.
        unit.kind = ReceivedUnit::Kind::Dropped;
    } else if (DecodeLegacyReplyFrame(buffer, frameLength, unit.message)) {
        unit.kind = ReceivedUnit::Kind::Message;
        if (unit.message.length == 0) unit.message.length = static_cast<uint8_t>(frameLength - 4);
    } else {
        unit.kind = ReceivedUnit::Kind::Malformed;
    }
    DropFront(buffer, count, frameLength);
}

}  // namespace norvane::sdk
