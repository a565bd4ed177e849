#pragma once
// Helpers shared by the codec tests: building answers, reading packed bytes, a record pre-filled with a
// marker so that fields a decoder must not touch can be checked.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "norvane/NorvaneFunc.h"

namespace codec_test {

using Bytes = std::vector<uint8_t>;
using Words = std::optional<std::vector<uint32_t>>;
using Fields = std::vector<std::pair<int, uint32_t>>;

constexpr uint32_t kMarker = 0x5A5A5A5A;

// An answer carrying bytes; length defaults to their count but may claim more (garbage length byte).
// Bytes beyond the length are filled with 0xEE to show that decoders ignore them.
inline KymCanMsg Answer(uint8_t node, uint8_t controlWord, const Bytes& bytes, int length = -1) {
    KymCanMsg m{};
    m.node = node;
    m.controlWord = controlWord;
    m.length = static_cast<uint8_t>(length < 0 ? bytes.size() : length);
    std::memset(m.data, 0xEE, sizeof m.data);
    for (size_t k = 0; k < bytes.size() && k < 8; ++k) m.data[k] = bytes[k];
    if (!bytes.empty()) m.extra = bytes[0];
    return m;
}

inline Bytes Packed(const KymCanMsg& m) {
    return Bytes(m.data, m.data + std::min<size_t>(m.length, 8));
}

inline KymReply Marked() {
    KymReply r;
    for (auto& f : r.field) f = static_cast<int32_t>(kMarker);
    return r;
}

// Every field listed has its value; every other field still holds the marker.
inline void ExpectFields(const KymReply& r, const Fields& expected) {
    for (int k = 0; k < 14; ++k) {
        uint32_t want = kMarker;
        for (const auto& [field, value] : expected)
            if (field == k) want = value;
        EXPECT_EQ(static_cast<uint32_t>(r.field[k]), want) << "field " << k;
    }
}

inline bool DataCleared(const KymCanMsg& m) {
    for (uint8_t b : m.data)
        if (b != 0) return false;
    return true;
}

}  // namespace codec_test
