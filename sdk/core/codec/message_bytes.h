#pragma once
// Bounded byte access shared by the packers and decoders (internal to the codec).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk::codec {

constexpr size_t kDataBytes = 8;
constexpr size_t kRecordBytes = sizeof(KymReply);

// Value of a hexadecimal digit (either case); -1 for any other character.
inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The caller's request values: 32-bit words in host order, also read byte by byte.
class RequestData {
public:
    explicit RequestData(const void* data) : bytes_(static_cast<const uint8_t*>(data)) {}
    explicit operator bool() const { return bytes_ != nullptr; }
    uint8_t Byte(size_t offset) const { return bytes_[offset]; }
    uint32_t Word(size_t which) const {
        uint32_t word;
        std::memcpy(&word, bytes_ + 4 * which, sizeof word);
        return word;
    }

private:
    const uint8_t* bytes_;
};

// Appends data bytes to a message; never more than 8.
class MessageWriter {
public:
    explicit MessageWriter(KymCanMsg& message) : message_(message) {}
    void Put8(uint32_t value) {
        if (message_.length < kDataBytes) message_.data[message_.length++] = static_cast<uint8_t>(value);
    }
    void Put16(uint32_t value) {
        Put8(value);
        Put8(value >> 8);
    }
    void Put32(uint32_t value) {
        Put16(value);
        Put16(value >> 16);
    }
    void PutBytes(const RequestData& data, size_t offset, size_t count) {
        for (size_t k = 0; k < count; ++k) Put8(data.Byte(offset + k));
    }

private:
    KymCanMsg& message_;
};

// The data of a received answer as the decoders see it: a length above 8 reads as 8 and bytes beyond the
// length read as 0, whatever the wire left there. rawLength keeps the length as received for the rules
// that test it.
struct AnswerBytes {
    explicit AnswerBytes(const KymCanMsg& message)
        : rawLength(message.length), n(std::min<size_t>(message.length, kDataBytes)) {
        for (size_t k = 0; k < kDataBytes; ++k) d[k] = k < n ? message.data[k] : 0;
    }
    // Little-endian number of count bytes from d[from]; at most 4 bytes, never past d7.
    uint32_t Le(size_t from, size_t count) const {
        uint32_t value = 0;
        count = std::min({count, size_t{4}, kDataBytes - std::min(from, kDataBytes)});
        for (size_t k = 0; k < count; ++k) value |= uint32_t{d[from + k]} << (8 * k);
        return value;
    }
    uint8_t Bit(size_t byte, unsigned bit) const { return (d[byte] >> bit) & 1; }

    size_t rawLength;
    size_t n;
    uint8_t d[kDataBytes];
};

inline void SetField(KymReply& record, size_t field, uint32_t value) {
    record.field[field] = static_cast<int32_t>(value);
}

// Copies answer bytes d[from], d[from+1], ... to record bytes offset, offset+1, ...; clipped to the 8 data
// bytes and to the 56-byte record.
inline void CopyToRecord(KymReply& record, size_t offset, const AnswerBytes& answer, size_t from,
                         size_t count) {
    if (from >= kDataBytes || offset >= kRecordBytes) return;
    count = std::min({count, kDataBytes - from, kRecordBytes - offset});
    std::memcpy(reinterpret_cast<uint8_t*>(record.field) + offset, answer.d + from, count);
}

inline void ClearAnswerData(KymCanMsg& message) {
    std::memset(message.data, 0, sizeof message.data);
}

}  // namespace norvane::sdk::codec
