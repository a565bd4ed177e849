#include "sim/reply_frames.h"

#include <algorithm>
#include <cstdlib>

namespace norvane::sim {
namespace {

constexpr uint8_t kEnd = 0xFE;

/// Reply codes that the host reads in a fixed way; a status frame must avoid them.
bool CodeIsAssigned(uint8_t code) {
    if (code >= 0xA0 && code <= 0xAB && code != 0xAA) return true;
    if (code >= 0xB0 && code <= 0xB8) return true;
    if (code >= 0xC0 && code <= 0xC9) return true;
    if (code >= 0xE0 && code <= 0xEF) return true;
    switch (code) {
        case 0xAA:
        case 0xCC:
        case 0xEE:
        case 0xFE:
        case 0xFF:  // markers
        case 0xBA:
        case 0xBC:
        case 0xCD:
        case 0xD0:
        case 0xD1:
        case 0xDA:
        case 0xDD:
        case 0xDE:
        case 0xDF:
            return true;
        default:
            return false;
    }
}

uint32_t Le(const uint8_t* data, uint8_t length, uint8_t max) {
    uint32_t v = 0;
    for (uint8_t i = 0; i < std::min(length, max); ++i) v |= uint32_t{data[i]} << (8 * i);
    return v;
}

class Frame {
public:
    Frame(uint8_t start, uint8_t node, uint8_t code) {
        bytes_.reserve(16);
        bytes_.push_back(start);
        bytes_.push_back(static_cast<uint8_t>(node & 0x7F));
        bytes_.push_back(code);
    }
    Frame& Byte(uint32_t b) {
        bytes_.push_back(static_cast<uint8_t>(b & 0x7F));
        return *this;
    }
    /// n base-128 digits, most significant first.
    Frame& Digits(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) Byte(i >= 5 ? 0 : (v >> (7 * i)));
        return *this;
    }
    std::vector<uint8_t> End() {
        bytes_.push_back(kEnd);
        return std::move(bytes_);
    }

private:
    std::vector<uint8_t> bytes_;
};

/// Status record (flags, micro-step, current, speed, steps) in the 13-byte frame whose code
/// carries the low nibble of d0 and bits 3-5 of d1.
std::vector<uint8_t> StatusFrame(uint8_t node, const uint8_t* d) {
    uint8_t row = (d[1] >> 3) & 7;
    if (row == 6) row = 7;  // every code of row 0xE0 is assigned; bit 3 of d1 is the least harm
    int nibble = d[0] & 0x0F;
    auto code = [&](int n) { return static_cast<uint8_t>(0x80 | (row << 4) | n); };
    if (CodeIsAssigned(code(nibble))) {
        int best = -1;
        for (int n = 0; n < 16; ++n) {
            if (!CodeIsAssigned(code(n)) && (best < 0 || std::abs(n - nibble) < std::abs(best - nibble)))
                best = n;
        }
        nibble = best < 0 ? 0 : best;
    }
    Frame f(0xAA, node, code(nibble));
    f.Byte(((uint32_t{d[0]} >> 4) & 0x0F) | ((uint32_t{d[1]} & 7) << 4));
    f.Digits(uint32_t{d[2]} | uint32_t{d[3]} << 8, 3);
    f.Digits(Le(d + 4, 4, 4), 5);
    return f.End();
}

}  // namespace

std::vector<uint8_t> EncodeReplyFrame(uint8_t node, uint8_t controlWord, const uint8_t* data,
                                      uint8_t length) {
    uint8_t d[8] = {};
    length = std::min<uint8_t>(length, 8);
    if (data) std::copy(data, data + length, d);
    const uint32_t v = Le(d, length, 4);

    // Real-time notices keep their answer bit: 0x71 and 0xF1 are different notices.
    switch (controlWord) {
        case 0x71:
            return Frame(0xCC, node, 0xA0).End();
        case 0xF1:
            return Frame(0xAA, node, 0xA1).End();
        case 0x72:
            return Frame(0xAA, node, 0xA2).End();
        case 0xF2:
            return Frame(0xAA, node, 0xA3).End();
        case 0x73:
            return Frame(0xAA, node, 0xA4).End();
        case 0xF3:
            return Frame(0xAA, node, 0xA5).End();
        case 0x74:
            return Frame(0xAA, node, 0xA6).End();
        case 0xF4:
            return Frame(0xAA, node, 0xA7).End();
        case 0x75:
        case 0xF5: {
            Frame f(0xAA, node, 0xA8);
            f.Byte(controlWord == 0xF5 ? 1 : 0);
            for (int i = 0; i < 5; ++i) f.Byte(d[i]);
            return f.End();
        }
        case 0x76:
            return Frame(0xAA, node, 0xA9).End();
        case 0x77:
            return Frame(0xAA, node, 0xAB).End();
        case 0xF0: {
            const uint8_t input = std::clamp<uint8_t>(d[0], 1, 8);
            return Frame(0xAA, node, static_cast<uint8_t>(0xE0 + 2 * (input - 1))).End();
        }
        default:
            break;
    }
    switch (controlWord & 0x7F) {
        case 0:
        case 2:
        case 8:
        case 9:
        case 51:
        case 61:
            return StatusFrame(node, d);
        case 1:
            if (length == 8) return StatusFrame(node, d);
            return Frame(0xAA, node, 0xA0).Digits(v & 0x1FFFF, 3).End();
        case 3:
            return Frame(0xCC, node, 0xB1).Digits(v, 5).End();
        case 4:
            return Frame(0xAA, node, 0xC1).Byte(d[0]).End();
        case 6:
            return Frame(0xAA, node, 0xBA).Byte(d[0]).End();
        case 7:
            return Frame(0xAA, node, 0xB5).Digits(v & 0x1FFFF, 3).End();
        case 10:
            return Frame(0xAA, node, 0xB6).Digits(v, 5).End();
        case 11:
            return Frame(0xAA, node, 0xB7).Digits(v, 5).End();
        case 12:
            return Frame(0xAA, node, 0xB8).Digits(v, 5).End();
        case 42:
            return Frame(0xAA, node, 0xB1).Byte(0).Digits(v, 5).End();
        case 43:
            return Frame(0xAA, node, 0xB2).Byte(0).Digits(v, 5).End();
        case 44:
            return Frame(0xAA, node, 0xB3).Digits(v, 3).End();
        case 45:
            return Frame(0xAA, node, 0xB4).Digits(v, 3).End();
        case 46:
            return Frame(0xAA, node, 0xB0).Digits(v, 3).End();
        case 47:
            return Frame(0xAA, node, 0xC0)
                .Digits(v, 5)
                .Digits(Le(d + 4, 2, 2), 2)
                .Digits(Le(d + 6, 2, 2), 2)
                .End();
        case 48:
            return Frame(0xAA, node, 0xC9)
                .Digits(Le(d, 2, 2), 3)
                .Digits(Le(d + 2, 2, 2), 3)
                .Digits(Le(d + 4, 2, 2), 3)
                .End();
        case 53:
            return Frame(0xAA, static_cast<uint8_t>(d[0] & 0x7F), 0xBC).End();
        case 54:
            return Frame(0xAA, node, 0xD1).Byte(d[0]).End();
        case 56:
            return Frame(0xAA, node, 0xC2).Digits(v, 3).End();
        case 58:
            return Frame(0xAA, node, 0xDF).Digits(v, 3).End();
        case 59:
            return Frame(0xAA, node, 0xDE).Digits(v, 3).End();
        case 62: {
            Frame f(0xAA, node, 0xCD);
            for (uint8_t i = 0; i < length; ++i) f.Byte(d[i]);
            return f.Byte(0).End();  // the host reads one byte fewer than the frame holds
        }
        case 63: {
            const uint32_t x = d[0] | uint32_t{d[1] & 0x0Fu} << 8;
            return Frame(0xEE, node, 0xC1)
                .Byte((d[1] >> 4) & 1)
                .Byte((d[1] >> 5) & 1)
                .Byte((d[1] >> 6) & 1)
                .Digits(x, 2)
                .End();
        }
        case 65:
            return Frame(0xEE, node, 0xDE)
                .Byte(d[1])
                .Byte(d[0])
                .Byte(d[3])
                .Byte(d[2])
                .Byte(d[6] & 1)
                .Byte(uint32_t{d[5]} << 1)
                .Byte(d[4])
                .End();
        case 71:
            return Frame(0xAA, node, 0xC3).Digits(v, 3).End();
        case 72:
            return Frame(0xAA, node, 0xC4).Digits(Le(d, 2, 2), 2).End();
        case 73:
            return Frame(0xAA, node, 0xC6).Digits(v, 3).End();
        case 74:
            return Frame(0xAA, node, 0xC7).Digits(v, 3).End();
        case 75:
            return Frame(0xAA, node, 0xC8).Digits(v, 3).End();
        case 76: {
            Frame f(0xEE, node, 0xC9);
            f.Byte(d[0]);
            for (int i = 0; i < 8; ++i) f.Byte(d[i]);
            return f.End();
        }
        default:
            return {};
    }
}

std::vector<uint8_t> EncodeNodeListFrame(const std::vector<uint8_t>& nodes) {
    std::vector<uint8_t> ids;
    for (uint8_t n : nodes) {
        if (n >= 1 && n <= 125 && ids.size() < 125) ids.push_back(n);
    }
    std::vector<uint8_t> out;
    out.reserve(ids.size() + 4);
    out.push_back(0xAA);
    out.push_back(static_cast<uint8_t>(ids.size()));
    out.push_back(0xD0);
    out.insert(out.end(), ids.begin(), ids.end());
    out.push_back(kEnd);
    return out;
}

std::vector<uint8_t> EncodeIdentityFrame(uint8_t model, uint8_t variant, uint32_t version) {
    return {0xAA,
            0xAB,
            0xAC,
            static_cast<uint8_t>(model & 0x7F),
            static_cast<uint8_t>(variant & 0x7F),
            0,
            0,
            static_cast<uint8_t>((version >> 14) & 0x7F),
            static_cast<uint8_t>((version >> 7) & 0x7F),
            static_cast<uint8_t>(version & 0x7F),
            0,
            0,
            0xFF};
}

std::vector<uint8_t> EncodeUartFrame(uint8_t node, uint8_t controlWord, const uint8_t* data, size_t length) {
    std::vector<uint8_t> frame(length + 4, 0);
    frame[1] = node;
    frame[2] = controlWord;
    for (size_t i = 0; i < length; ++i) frame[3 + i] = data[i];
    uint32_t bits = 0;
    for (size_t i = 1; i + 1 < frame.size(); ++i) {
        if (i <= 12 && (frame[i] & 0x80) != 0) bits |= 1u << (i - 1);
        frame[i] &= 0x7F;
    }
    frame.front() = static_cast<uint8_t>(0x80 | (bits & 0x3F));
    frame.back() = static_cast<uint8_t>(0xC0 | ((bits >> 6) & 0x3F));
    return frame;
}

}  // namespace norvane::sim

namespace norvane::sim {

std::vector<uint8_t> EncodeLegacyReplyFrame(uint8_t node, uint8_t controlWord, const uint8_t* data,
                                            size_t length) {
    length = length > 8 ? 8 : length;
    std::vector<uint8_t> frame(length + 4, 0);
    frame[1] = node & 0x7F;
    frame[2] = controlWord & 0x7F;
    uint8_t start = 0, end = 0;
    for (size_t i = 0; i < length; ++i) {
        const bool high = (data[i] & 0x80) != 0;
        frame[3 + i] = data[i] & 0x7F;
        if (!high) continue;
        // Up to four data bytes: bit 7 of each in the start marker; more: the first four in
        // the start marker, the rest in the end marker.
        if (length <= 4 || i < 4) {
            start = static_cast<uint8_t>(start | (1u << i));
        } else {
            end = static_cast<uint8_t>(end | (1u << (i - 4)));
        }
    }
    frame.front() = static_cast<uint8_t>(0xF0 | start);
    frame.back() = static_cast<uint8_t>(0xE0 | end);
    return frame;
}

}  // namespace norvane::sim
