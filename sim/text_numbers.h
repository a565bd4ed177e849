#pragma once
// Numbers in the command texts hosts send: decimal integers and runs of hexadecimal byte
// pairs. Pure code.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace norvane::sim {

/// A whole decimal integer (optional sign); false for anything else.
inline bool ParseInt(std::string_view s, int64_t& out) {
    if (s.empty() || s.size() > 20) return false;
    std::string copy(s);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(copy.c_str(), &end, 10);
    if (errno != 0 || end != copy.c_str() + copy.size()) return false;
    out = v;
    return true;
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/// Hex byte pairs into out (at most max); false on a stray character or an odd count.
inline bool ParseHexBytes(std::string_view s, uint8_t* out, size_t max, size_t& count) {
    count = 0;
    if (s.size() % 2 != 0) return false;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        const int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        if (count < max) out[count++] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

}  // namespace norvane::sim
