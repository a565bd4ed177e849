// Turning one reply frame into the CAN message record that every transport hands to the port.
#include "sdk/core/codec/reply_frame.h"

#include <algorithm>

namespace norvane::sdk {
namespace {

// Read access to the payload of one frame. A read outside header and payload (the end marker or
// beyond) yields 0 and marks the frame as too short for its reply code.
class FrameReader {
public:
    FrameReader(const uint8_t* frame, size_t length) : frame_(frame), length_(length) {}

    uint8_t At(size_t i) {
        if (i + 2 > length_) {
            tooShort_ = true;
            return 0;
        }
        return frame_[i];
    }

    // Big-endian base-128 digits f(a)..f(b), taken modulo 2^32.
    uint32_t Digits(size_t a, size_t b) {
        uint32_t value = 0;
        for (size_t i = a; i <= b; ++i) value = value * 128 + At(i);
        return value;
    }

    // Copies up to count payload bytes from position first, at most 8 (the message's data); returns
    // how many were copied.
    uint8_t CopyPayload(size_t first, size_t count, uint8_t* out) {
        const size_t available = length_ >= first + 1 ? length_ - 1 - first : 0;
        const size_t copied = std::min({count, available, size_t{8}});
        std::copy_n(frame_ + first, copied, out);
        return static_cast<uint8_t>(copied);
    }

    size_t length() const { return length_; }
    uint8_t endMarker() const { return frame_[length_ - 1]; }
    bool tooShort() const { return tooShort_; }

private:
    const uint8_t* frame_;
    size_t length_;
    bool tooShort_ = false;
};

uint32_t Signed17(uint32_t value) {
    return (value & 0x10000) ? value | 0xFFFF0000u : value;
}

void PutLittleEndian(KymCanMsg& message, size_t offset, uint32_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) message.data[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Real-time notifications that carry only their own reply code as data.
struct Notice {
    uint8_t code;
    uint8_t controlWord;
};
constexpr Notice kNotices[] = {
    {0xA1, 0xF1}, {0xA2, 0x72}, {0xA3, 0xF2}, {0xA4, 0x73}, {0xA5, 0xF3},
    {0xA6, 0x74}, {0xA7, 0xF4}, {0xA9, 0x76}, {0xAB, 0x77},
};

// Answers that carry one digit value as a 4-byte little-endian number. marker: 0 any start
// marker, otherwise the row applies only when the start marker equals it (checked before the
// row for "any other marker").
struct ValueReply {
    uint8_t code;
    uint8_t marker;
    uint8_t controlWord;
    uint8_t first;
    uint8_t last;
    bool signed17;
};
constexpr ValueReply kValueReplies[] = {
    {0xA0, 0x00, 0x01, 3, 5, true},  {0xB0, 0xAA, 0x2E, 3, 5, false}, {0xB0, 0x00, 0x0B, 3, 7, false},
    {0xB1, 0xAA, 0x2A, 4, 8, false}, {0xB1, 0x00, 0x03, 3, 7, false}, {0xB2, 0xAA, 0x2B, 4, 8, false},
    {0xB2, 0x00, 0x07, 3, 5, true},  {0xB3, 0xAA, 0x2C, 3, 5, false}, {0xB3, 0x00, 0x0A, 3, 7, false},
    {0xB4, 0x00, 0x2D, 3, 5, false}, {0xB5, 0x00, 0x07, 3, 5, true},  {0xB6, 0x00, 0x0A, 3, 7, false},
    {0xB7, 0x00, 0x0B, 3, 7, false}, {0xB8, 0x00, 0x0C, 3, 7, false}, {0xC2, 0x00, 0x38, 3, 5, false},
    {0xC3, 0x00, 0x47, 3, 5, false}, {0xDA, 0x00, 0x47, 3, 5, false}, {0xC6, 0x00, 0x49, 3, 5, false},
    {0xC7, 0x00, 0x4A, 3, 5, false}, {0xC8, 0x00, 0x4B, 3, 5, false}, {0xDE, 0xAA, 0x3B, 3, 5, false},
    {0xDF, 0x00, 0x3A, 3, 5, false},
};

const ValueReply* FindValueReply(uint8_t code, uint8_t marker) {
    for (const ValueReply& row : kValueReplies) {
        if (row.code == code && (row.marker == 0 || row.marker == marker)) return &row;
    }
    return nullptr;
}

// Decodes the payload; returns the tag's control-word byte (the reply code for codes without one).
uint32_t DecodePayload(FrameReader& f, uint8_t marker, uint8_t code, KymCanMsg& m, bool& notification) {
    auto answer = [&m](uint8_t controlWord, uint8_t length) {
        m.controlWord = controlWord;
        m.length = length;
        return uint32_t{controlWord};
    };
    auto notice = [&](uint8_t controlWord, uint8_t data0) {
        notification = true;
        m.data[0] = data0;
        return answer(controlWord, 1);
    };

    if (code == 0xA0 && marker == 0xCC) return notice(0x71, code);
    for (const Notice& row : kNotices) {
        if (row.code == code) return notice(row.controlWord, code);
    }
    if (code >= 0xE0 && code <= 0xEF) return notice(0xF0, static_cast<uint8_t>((code - 0xE0) / 2 + 1));
    if (const ValueReply* row = FindValueReply(code, marker)) {
        const uint32_t value = f.Digits(row->first, row->last);
        PutLittleEndian(m, 0, row->signed17 ? Signed17(value) : value, 4);
        return answer(row->controlWord, 4);
    }

    switch (code) {
        case 0xA8:  // sensor notice: f3 = 1 selects the second of the pair
            notification = true;
            for (size_t i = 0; i < 5; ++i) m.data[i] = f.At(4 + i);
            return answer(f.At(3) == 1 ? 0xF5 : 0x75, 5);
        case 0xBA:
            m.data[0] = f.At(3);
            return answer(0x06, 1);
        case 0xBC:  // bit-rate answer of the gateway itself: filed under node 1
            m.node = 1;
            m.data[0] = f.At(1);
            return answer(0x35, 1);
        case 0xC0:
            PutLittleEndian(m, 0, f.Digits(3, 7), 4);
            PutLittleEndian(m, 4, f.Digits(8, 9), 2);
            PutLittleEndian(m, 6, f.Digits(10, 11), 2);
            return answer(0x2F, 8);
        case 0xC1:
            if (marker == 0xAA) {
                m.data[0] = f.At(3);
                return answer(0x04, 1);
            } else {
                const uint32_t x = f.Digits(6, 7);
                const uint32_t sensors = (f.At(5) & 1u) * 4 + (f.At(4) & 1u) * 2 + (f.At(3) & 1u);
                m.data[0] = static_cast<uint8_t>(x);
                m.data[1] = static_cast<uint8_t>(sensors * 16 + ((x >> 8) & 0x0F));
                return answer(0x3F, 2);
            }
        case 0xC4:
        case 0xC5:
            PutLittleEndian(m, 0, f.Digits(3, 4), 2);
            return answer(0x48, 2);
        case 0xC9:
            if (marker == 0xAA) {
                PutLittleEndian(m, 0, f.Digits(3, 5), 2);
                PutLittleEndian(m, 2, f.Digits(6, 8), 2);
                PutLittleEndian(m, 4, f.Digits(9, 11), 2);
                return answer(0x30, 8);
            }
            if (f.endMarker() == 0xFE || f.length() == 13) {
                // Nine bytes from f4 are sent; the message holds the first eight.
                m.extra = f.At(3);
                for (size_t i = 0; i < 8; ++i) m.data[i] = f.At(4 + i);
                return answer(0x4C, 8);
            }
            return answer(0x4C, f.CopyPayload(3, f.length() - 4, m.data));
        case 0xCC:
            m.extra = f.At(3);
            for (size_t i = 0; i < 8; ++i) m.data[i] = f.At(4 + i);
            return answer(0x3D, 8);
        case 0xCD:  // stream data; the last payload byte is not data
            return answer(0x3E, f.length() > 5 ? f.CopyPayload(3, f.length() - 5, m.data) : 0);
        case 0xD0:  // discovery answer: only the tag names it
            return 0x40;
        case 0xD1:
            m.data[0] = f.At(3);
            return answer(0x36, 1);
        case 0xDD:
            return answer(0x33, 0);
        case 0xDE: {  // model answer (the 0xAA form is a value reply)
            constexpr size_t kModelOrder[] = {4, 3, 6, 5, 9};
            for (size_t i = 0; i < 5; ++i) m.data[i] = f.At(kModelOrder[i]);
            m.data[5] = static_cast<uint8_t>(f.At(8) >> 1);
            m.data[6] = static_cast<uint8_t>((f.At(7) + f.At(8)) & 1);
            return answer(0x41, 7);
        }
        default:
            if (f.length() == 13) {  // status answer whose first bits travel in the reply code
                m.data[0] = static_cast<uint8_t>(f.At(3) * 16 + (code & 0x0F));
                m.data[1] = static_cast<uint8_t>(((f.At(3) >> 4) & 7) + ((code >> 1) & 0x38));
                PutLittleEndian(m, 2, f.Digits(4, 6), 2);
                PutLittleEndian(m, 4, f.Digits(7, 11), 4);
                m.controlWord = 0x3D;
                m.length = 8;
            }
            return code;
    }
    return code;
}

}  // namespace

bool DecodeReplyFrame(const uint8_t* frame, size_t frameLength, uint32_t& tag, KymCanMsg& message) {
    message = KymCanMsg{};
    tag = 0;
    if (frame == nullptr || frameLength < 4) return false;
    FrameReader reader(frame, frameLength);
    const uint8_t node = frame[1] & 0x7F;
    message.node = node;
    bool notification = false;
    const uint32_t controlWord = DecodePayload(reader, frame[0], frame[2], message, notification);
    if (reader.tooShort()) {
        message = KymCanMsg{};
        return false;
    }
    tag = (controlWord & 0xFF) | (notification ? kReplyTagNotification : 0) | (node & 0x1Fu) << 19 |
          (node & 0x60u) << 3;
    return true;
}

bool DecodeLegacyReplyFrame(const uint8_t* frame, size_t frameLength, KymCanMsg& message) {
    message = KymCanMsg{};
    if (frame == nullptr || frameLength < 4) return false;
    message.node = frame[1];
    message.controlWord = frame[2];
    message.length = static_cast<uint8_t>(std::min(frameLength - 4, size_t{8}));
    std::copy_n(frame + 3, message.length, message.data);
    message.extra = message.length > 0 ? frame[3] : 0;
    return true;
}

size_t NodeListIds(const uint8_t* frame, size_t frameLength, uint8_t* ids, size_t max) {
    if (frame == nullptr || ids == nullptr || frameLength < 4) return 0;
    const size_t wanted = std::min<size_t>(frame[1] & 0x7F, max);
    size_t n = 0;
    for (size_t i = 3; i + 1 < frameLength && n < wanted; ++i) {
        if (frame[i] == 0 || frame[i] >= 0x80) break;
        ids[n++] = frame[i];
    }
    return n;
}

}  // namespace norvane::sdk
