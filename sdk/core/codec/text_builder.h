#pragma once
// Building blocks of the text dialect encoders: a fixed-size text that records, instead of
// performing, any write past its limit, and a bounds-checked view of the caller's data words.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "sdk/core/codec/text_dialect.h"

namespace norvane::sdk::text {

// Text of at most Limit characters. An append that does not fit marks the text as overflowed;
// the encoder then refuses the whole command instead of sending a truncated one.
template <size_t Limit>
class BoundedText {
public:
    void Append(const char* chars, size_t count) {
        if (overflow_ || count > Limit - length_) {
            overflow_ = true;
            return;
        }
        std::memcpy(text_ + length_, chars, count);
        length_ += count;
        text_[length_] = '\0';
    }
    void Append(const char* chars) { Append(chars, std::strlen(chars)); }

    __attribute__((format(printf, 2, 3))) void Format(const char* format, ...) {
        if (overflow_) return;
        char piece[Limit + 2];
        va_list args;
        va_start(args, format);
        const int written = std::vsnprintf(piece, sizeof piece, format, args);
        va_end(args);
        if (written < 0) {
            overflow_ = true;
            return;
        }
        Append(piece, static_cast<size_t>(written));
    }

    const char* c_str() const { return text_; }
    size_t size() const { return length_; }
    bool overflow() const { return overflow_; }

private:
    char text_[Limit + 1] = {};
    size_t length_ = 0;
    bool overflow_ = false;
};

// The caller's data: 32-bit words D0, D1, ... and, over the same memory, bytes B0, B1, ...
// (little-endian). Reading past the supplied size yields 0 and marks the data as too short.
class DataView {
public:
    DataView(const void* data, size_t size)
        : bytes_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

    bool present() const { return bytes_ != nullptr; }
    bool tooShort() const { return tooShort_; }

    uint8_t Byte(size_t i) {
        if (i >= size_) {
            tooShort_ = true;
            return 0;
        }
        return bytes_[i];
    }
    uint32_t Word(size_t i) {
        if (i >= size_ / 4) {
            tooShort_ = true;
            return 0;
        }
        const uint8_t* p = bytes_ + 4 * i;
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
    int32_t SignedWord(size_t i) { return static_cast<int32_t>(Word(i)); }

    // Length of the NUL-terminated text at the start of the data, ending at the size at the latest.
    size_t TextLength() const { return bytes_ ? strnlen(reinterpret_cast<const char*>(bytes_), size_) : 0; }
    const char* chars() const { return reinterpret_cast<const char*>(bytes_); }

private:
    const uint8_t* bytes_;
    size_t size_;
    bool tooShort_ = false;
};

using ValueText = BoundedText<kMaxValueText>;
using CommandText = BoundedText<kMaxCommandText>;

// Copies a finished text to the caller's buffer when it is complete and fits; 1 written, 0 refused.
template <size_t Limit>
int Deliver(const BoundedText<Limit>& text, const DataView& data, char* out, size_t capacity,
            size_t* textLength) {
    if (text.overflow() || data.tooShort() || text.size() > capacity) return 0;
    std::memcpy(out, text.c_str(), text.size());
    if (textLength) *textLength = text.size();
    return 1;
}

}  // namespace norvane::sdk::text
