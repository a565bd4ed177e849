#pragma once
// Building blocks of the text dialect readers: numbers and hexadecimal byte runs as the encoders
// print them, the address wrapper, and the request a text is read into (internal to the codec).
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sdk/core/codec/message_bytes.h"

namespace norvane::sdk::text {

// A whole decimal number within [low, high] (an optional '-', no blanks); false otherwise.
inline bool ReadNumber(std::string_view s, int64_t low, int64_t high, int64_t& out) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc{} || end != s.data() + s.size() || value < low || value > high)
        return false;
    out = value;
    return true;
}

// A 32-bit value as "%d" prints it (or its unsigned print).
inline bool ReadWord(std::string_view s, uint32_t& out) {
    int64_t value = 0;
    if (!ReadNumber(s, INT32_MIN, UINT32_MAX, value)) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

// Pairs of hexadecimal digits; false on an odd count, another character or more than capacity
// bytes.
inline bool ReadHexBytes(std::string_view s, uint8_t* out, size_t capacity, size_t& count) {
    if (s.size() % 2 != 0 || s.size() / 2 > capacity) return false;
    for (size_t i = 0; i < s.size(); i += 2) {
        const int high = codec::HexDigit(s[i]);
        const int low = codec::HexDigit(s[i + 1]);
        if (high < 0 || low < 0) return false;
        out[i / 2] = static_cast<uint8_t>(high * 16 + low);
    }
    count = s.size() / 2;
    return true;
}

// A request as the packers take it: node, control word, index and, when present, the data
// words D0..D5 over the bytes B0..B23.
struct ReadRequest {
    uint32_t node = 0;
    uint8_t controlWord = 0;
    int index = 0;
    bool withData = false;
    uint8_t data[24] = {};

    void SetWord(size_t i, uint32_t value) {
        withData = true;
        for (size_t k = 0; k < 4; ++k) data[4 * i + k] = static_cast<uint8_t>(value >> (8 * k));
    }
    void SetBytes(size_t offset, const uint8_t* bytes, size_t count) {
        withData = true;
        for (size_t k = 0; k < count && offset + k < sizeof data; ++k) data[offset + k] = bytes[k];
    }
};

// The address wrapper "<prefix>node;}body" (answer requested) or "<prefix>node;body}": node
// 0-127 and the body. false for a text without the prefix or with a broken wrapper.
inline bool Unwrap(std::string_view text, std::string_view prefix, ReadRequest& request,
                   std::string_view& body) {
    if (!text.starts_with(prefix)) return false;
    text.remove_prefix(prefix.size());
    const size_t semicolon = text.find(';');
    int64_t node = 0;
    if (semicolon == std::string_view::npos || !ReadNumber(text.substr(0, semicolon), 0, 127, node))
        return false;
    request.node = static_cast<uint32_t>(node);
    text.remove_prefix(semicolon + 1);
    if (text.starts_with('}')) {
        request.controlWord = 0x80;
        body = text.substr(1);
        return true;
    }
    if (!text.ends_with('}')) return false;
    body = text.substr(0, text.size() - 1);
    return true;
}

}  // namespace norvane::sdk::text
