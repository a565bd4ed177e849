// Building the frames the SDK sends to an Ethernet gateway and finding the ones it receives.
#include "sdk/ethernet/ethernet_frames.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace norvane::sdk::eth {
namespace {

constexpr uint8_t kSendStart = 0xAA;
constexpr uint8_t kSendEnd = 0xCC;
constexpr uint8_t kReceiveStart = 0xCC;
constexpr uint8_t kReceiveEnd = 0xAA;

uint32_t Le32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

enum class Start { Complete, Incomplete, NotAFrame };

// Judges the frame start at buffer[at] (a CC byte). length receives the frame length when
// complete. Lengths are computed in 64 bits, so no length field can wrap around.
Start Examine(const uint8_t* buffer, size_t count, size_t at, size_t capacity, size_t& length) {
    if (at + 2 > count) return Start::Incomplete;
    const bool wide = buffer[at + 1] == command::kWideHeader;
    const size_t lengthAt = wide ? 3 : 2;
    if (at + lengthAt + 4 > count) return Start::Incomplete;
    const uint64_t frame = uint64_t{Le32(buffer + at + lengthAt)} + (wide ? 8 : 7);
    if (frame > capacity) return Start::NotAFrame;
    if (at + frame > count) return Start::Incomplete;
    if (buffer[at + frame - 1] != kReceiveEnd) return Start::NotAFrame;
    length = static_cast<size_t>(frame);
    return Start::Complete;
}

void Clear(uint8_t* buffer, size_t& count) {
    std::memset(buffer, 0, count);
    count = 0;
}

bool Matches(const uint8_t* frame, uint8_t expectedCommand) {
    return expectedCommand == 0 || frame[6] == (expectedCommand & 0x7F);
}

}  // namespace

size_t BuildFrame(uint8_t cmd, const uint8_t* payload, size_t length, uint8_t* out, size_t capacity) {
    if (out == nullptr || (payload == nullptr && length > 0) || length > 0xFFFFFFF0u ||
        length + kHeaderBytes + 1 > capacity) {
        return 0;
    }
    out[0] = kSendStart;
    out[1] = cmd;
    for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<uint8_t>(length >> (8 * i));
    if (length > 0) std::memcpy(out + kHeaderBytes, payload, length);
    out[kHeaderBytes + length] = kSendEnd;
    return kHeaderBytes + length + 1;
}

size_t BuildCanMessageFrame(const KymCanMsg& message, uint8_t* out, uint8_t i3) {
    uint8_t payload[kCanPayloadBytes] = {};
    payload[0] = message.controlWord;
    payload[1] = static_cast<uint8_t>((message.node & 0x60) << 1);
    payload[2] = static_cast<uint8_t>((message.node & 0x1F) << 3);
    payload[3] = i3;
    payload[4] = message.length & 0x0F;
    const size_t n = std::min<size_t>(payload[4], 8);
    std::memcpy(payload + 5, message.data, n);
    return BuildFrame(command::kCanMessage, payload, sizeof payload, out, kCanFrameBytes);
}

size_t BuildSerialRecordFrame(const KymCanMsg& message, uint8_t* out) {
    if (message.length > 8) return 0;
    uint8_t record[12] = {};
    record[0] = message.length;
    record[1] = message.node;
    record[2] = message.controlWord;
    std::memcpy(record + 3, message.data, message.length);
    return BuildFrame(command::kSerialMessage, record, sizeof record, out, kRecordFrameBytes);
}

void DropFront(uint8_t* buffer, size_t& count, size_t n) {
    n = std::min(n, count);
    std::memmove(buffer, buffer + n, count - n);
    count -= n;
}

bool ParseFrame(uint8_t* buffer, size_t& count, uint8_t expectedCommand, size_t& frameLength,
                size_t capacity) {
    frameLength = 0;
    if (buffer == nullptr) {
        count = 0;
        return false;
    }
    count = std::min(count, capacity);
    size_t from = 0;
    for (;;) {
        size_t p = from;
        while (p < count && buffer[p] != kReceiveStart) ++p;
        if (p == count) {
            Clear(buffer, count);
            return false;
        }
        DropFront(buffer, count, p);
        size_t length = 0;
        const Start start = Examine(buffer, count, 0, capacity, length);
        if (start == Start::NotAFrame) {
            from = 1;
            continue;
        }
        if (start == Start::Incomplete) {
            // A complete frame behind the start means the first frame was cut off.
            size_t q = 1;
            for (; q < count; ++q) {
                if (buffer[q] == kReceiveStart &&
                    Examine(buffer, count, q, capacity, length) == Start::Complete)
                    break;
            }
            if (q == count) {
                if (count >= capacity) Clear(buffer, count);
                return false;
            }
            DropFront(buffer, count, q);
        }
        frameLength = length;
        return Matches(buffer, expectedCommand);
    }
}

bool SplitFrame(const uint8_t* frame, size_t frameLength, ReceivedFrame& out) {
    out = ReceivedFrame{};
    if (frame == nullptr || frameLength < kHeaderBytes + 1) return false;
    const bool wide = frame[1] == command::kWideHeader;
    const size_t header = wide ? kHeaderBytes + 1 : kHeaderBytes;
    if (frameLength < header + 1) return false;
    const uint64_t length = Le32(frame + header - 4);
    if (length + header + 1 != frameLength) return false;
    out.command = frame[1];
    out.payload = frame + header;
    out.payloadLength = static_cast<size_t>(length);
    return true;
}

bool DecodeCanPayload(const uint8_t* payload, size_t length, KymCanMsg& message) {
    message = KymCanMsg{};
    if (payload == nullptr || length < kCanPayloadBytes) return false;
    message.controlWord = payload[0];
    message.node = static_cast<uint8_t>(((payload[2] & 3) << 5) | (payload[3] & 0x1F));
    message.length = payload[4] & 0x0F;
    std::memcpy(message.data, payload + 5, 8);
    message.extra = message.data[0];
    return true;
}

bool DecodeSerialRecord(const uint8_t* payload, size_t length, KymCanMsg& message) {
    message = KymCanMsg{};
    if (payload == nullptr || length != 12) return false;
    message.length = payload[0] & 0x0F;
    message.node = payload[1];
    message.controlWord = payload[2];
    std::memcpy(message.data, payload + 3, 8);
    message.extra = message.data[0];
    return true;
}

bool DecodeLegacyPayload(const uint8_t* payload, size_t length, KymCanMsg& message) {
    message = KymCanMsg{};
    if (payload == nullptr || length < 16) return false;
    message.node = payload[1];
    message.controlWord = payload[2];
    message.length = payload[3] & 0x0F;
    message.extra = Le32(payload + 4);
    std::memcpy(message.data, payload + 8, 8);
    return true;
}

size_t GatewayName(uint32_t address, char* out, size_t capacity) {
    char name[32];
    const int n = std::snprintf(name, sizeof name, "KYM%d.%d.%.d.%d", static_cast<int>(address >> 24),
                                static_cast<int>((address >> 16) & 0xFF),
                                static_cast<int>((address >> 8) & 0xFF), static_cast<int>(address & 0xFF));
    if (out != nullptr && capacity > 0) {
        const size_t copied = std::min(static_cast<size_t>(n), capacity - 1);
        std::memcpy(out, name, copied);
        out[copied] = '\0';
    }
    return static_cast<size_t>(n);
}

}  // namespace norvane::sdk::eth
