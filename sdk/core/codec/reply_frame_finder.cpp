// Resynchronising a receive buffer onto reply frames, and restoring bit 7 of legacy frame data.
#include <algorithm>
#include <cstring>

#include "sdk/core/codec/reply_frame.h"

namespace norvane::sdk {
namespace {

bool IsReplyStart(uint8_t byte) {
    return byte == 0xAA || byte == 0xCC || byte == 0xEE;
}
bool IsReplyEnd(uint8_t byte) {
    return byte == 0xFE || byte == 0xFF;
}
bool IsLegacyStart(uint8_t byte) {
    return (byte & 0xF0) == 0xF0;
}
bool IsLegacyEnd(uint8_t byte) {
    return (byte & 0xF0) == 0xE0;
}
bool IsUartStart(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}
bool IsUartEnd(uint8_t byte) {
    return (byte & 0xC0) == 0xC0;
}

void Empty(uint8_t* buffer, size_t& length) {
    std::memset(buffer, 0, length);
    length = 0;
}

void DropFront(uint8_t* buffer, size_t& length, size_t count) {
    std::memmove(buffer, buffer + count, length - count);
    length -= count;
}

// Shared procedure of both finders. codePosition is the frame offset whose byte may look like a
// start marker without being one (the reply code of second-generation frames), or 0 for none.
// Returns the length of the complete frame now at the start of the buffer, or 0.
size_t FindFrame(uint8_t* buffer, size_t& length, bool (*isStart)(uint8_t), bool (*isEnd)(uint8_t),
                 size_t codePosition, size_t capacity = kReplyBufferSize) {
    if (buffer == nullptr) {
        length = 0;
        return 0;
    }
    size_t start = 0;
    while (start < length && !isStart(buffer[start])) ++start;
    if (start == length) {
        Empty(buffer, length);
        return 0;
    }
    for (size_t i = start + 1; i < length; ++i) {
        if (isEnd(buffer[i])) {
            DropFront(buffer, length, start);
            return i - start + 1;
        }
        // A later start marker means the frame begun at start was cut off: resynchronise on it.
        if (isStart(buffer[i]) && i - start != codePosition) start = i;
    }
    DropFront(buffer, length, start);
    // A full buffer without an end marker cannot become a frame any more.
    if (length >= capacity) Empty(buffer, length);
    return 0;
}

// Bit k of a marker byte, as 0x80 ready to be added to a data byte.
uint8_t HighBit(uint8_t marker, size_t k) {
    return static_cast<uint8_t>(((uint32_t{marker} >> k) & 1u) << 7);
}

}  // namespace

bool FindReplyFrame(uint8_t* buffer, size_t& length, size_t& frameLength) {
    frameLength = FindFrame(buffer, length, IsReplyStart, IsReplyEnd, 2);
    return frameLength != 0;
}

bool FindLegacyReplyFrame(uint8_t* buffer, size_t& length, int expectedControlWord, size_t& frameLength) {
    frameLength = FindFrame(buffer, length, IsLegacyStart, IsLegacyEnd, 0);
    if (frameLength == 0) return false;
    RestoreLegacyFrame(frameLength, buffer);
    if (frameLength < 4) return false;
    return expectedControlWord <= 0 || buffer[2] == expectedControlWord;
}

bool FindUartReplyFrame(uint8_t* buffer, size_t& length, size_t capacity, int expectedControlWord,
                        size_t& frameLength) {
    frameLength = FindFrame(buffer, length, IsUartStart, IsUartEnd, 0, capacity);
    if (frameLength == 0) return false;
    RestoreUartFrame(frameLength, buffer);
    if (frameLength < 4) return false;
    return expectedControlWord <= 0 || buffer[2] == expectedControlWord;
}

void RestoreUartFrame(size_t frameLength, uint8_t* frame) {
    if (frame == nullptr || frameLength < 3) return;
    const uint32_t bits = (frame[frameLength - 1] & 0x3Fu) * 64u + (frame[0] & 0x3Fu);
    for (size_t i = 1; i + 1 < frameLength && i <= 12; ++i) {
        if ((bits >> (i - 1)) & 1u) frame[i] |= 0x80;
    }
}

size_t BuildUartPacket(const KymCanMsg& message, bool firstGeneration, uint8_t word3Low, uint8_t* out) {
    const bool wide = firstGeneration && (message.controlWord & 0x7F) == 0x2B;
    const size_t length = std::min<size_t>(message.length, 8);
    if (message.length + 5u + (wide ? 6u : 0u) > 20u || out == nullptr) return 0;
    std::memset(out, 0, kUartPacketBytes);
    out[0] = wide ? 9 : static_cast<uint8_t>(length);
    out[1] = static_cast<uint8_t>(message.node);
    out[2] = message.controlWord;
    std::memcpy(out + 3, message.data, length);
    out[11] = wide ? word3Low : 0;
    return kUartPacketBytes;
}

bool ReadUartPacket(const uint8_t* packet, size_t length, KymCanMsg& message) {
    if (packet == nullptr || length < kUartPacketBytes || packet[0] > 9) return false;
    message = KymCanMsg{};
    message.node = packet[1];
    message.controlWord = packet[2];
    message.length = std::min<uint8_t>(packet[0], 8);
    std::memcpy(message.data, packet + 3, message.length);
    return true;
}

void RestoreLegacyFrame(size_t frameLength, uint8_t* frame) {
    if (frame == nullptr || frameLength <= 4) return;
    const uint8_t startByte = frame[0];
    const uint8_t endByte = frame[frameLength - 1];
    if (frameLength >= 9) {
        for (size_t k = 0; k < 4; ++k) frame[3 + k] += HighBit(startByte, k);
        // Only the low nibble of the end marker carries data bits; the high nibble is the marker.
        for (size_t k = 0; k < 4 && 7 + k <= frameLength - 2; ++k) frame[7 + k] += HighBit(endByte, k);
    } else {
        // Short frames carry all bits in the start marker, counted up to and including the end byte.
        for (size_t k = 0; 3 + k < frameLength; ++k) frame[3 + k] += HighBit(startByte, k);
    }
}

}  // namespace norvane::sdk

namespace norvane::sdk {

size_t SplitReplyFrames(const uint8_t* payload, size_t length,
                        const std::function<void(const uint8_t* frame, size_t frameLength)>& onFrame) {
    if (payload == nullptr) return 0;
    uint8_t buffer[kReplyBufferSize];
    size_t held = 0;
    size_t offset = 0;
    for (;;) {
        const size_t n = std::min(length - offset, sizeof buffer - held);
        std::memcpy(buffer + held, payload + offset, n);
        held += n;
        offset += n;
        size_t frameLength = 0;
        bool found = false;
        while (FindReplyFrame(buffer, held, frameLength)) {
            found = true;
            onFrame(buffer, frameLength);
            std::memmove(buffer, buffer + frameLength, held - frameLength);
            held -= frameLength;
        }
        // More payload to take in, or frames found that may have made room: go on.
        if (offset >= length && (!found || held == 0)) return held;
    }
}

}  // namespace norvane::sdk
