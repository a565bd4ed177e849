// Second-generation answer decoding into the caller's KymReply.
#include <cstring>

#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/message_bytes.h"
#include "sdk/core/codec/model_name.h"

namespace norvane::sdk {

namespace {

using codec::AnswerBytes;
using codec::CopyToRecord;
using codec::SetField;

// R[0] = the answer's bytes as one little-endian number (low 32 bits).
void Integer(const AnswerBytes& a, KymReply& r) {
    SetField(r, 0, a.Le(0, a.n));
}

// Controller status (ACK, FBK and the set commands that answer with it). Field 0 is left to the caller;
// field 2 is the direction bit.
void Status(const AnswerBytes& a, KymReply& r) {
    SetField(r, 1, a.Bit(1, 4));
    SetField(r, 2, a.Bit(1, 3));
    SetField(r, 3, a.Bit(1, 5));
    SetField(r, 4, (a.d[0] & 0x0F) + 1u);
    SetField(r, 5, ((a.d[1] & 7u) << 4) | (a.d[0] >> 4));
    SetField(r, 6, a.Le(2, 2));
    SetField(r, 7, a.Le(4, 4));
}

void AccelerationConfig(const AnswerBytes& a, int index, KymReply& r) {
    if (index != 1) return Integer(a, r);
    SetField(r, 3, a.Bit(1, 5));
    SetField(r, 1, a.Bit(1, 4));
    SetField(r, 2, a.Bit(1, 3));
    SetField(r, 5, ((a.d[1] & 7u) << 4) | (a.d[0] >> 4));
    SetField(r, 4, (a.d[0] & 0x0F) + 1u);
    SetField(r, 6, a.d[2] & 0x0Fu);
    SetField(r, 7, a.Le(4, 4));
}

// Sensor configuration registers: index 4 reads all of them at once.
void SensorConfig(const AnswerBytes& a, int index, KymReply& r) {
    const uint8_t* d = a.d;
    if (index == 0 || index == 4) {
        SetField(r, 0, d[1] >> 4);
        SetField(r, 1, d[1] & 0x0Fu);
        SetField(r, 2, d[0] >> 4);
        SetField(r, 3, d[0] & 0x0Fu);
    }
    if (index == 1) {
        SetField(r, 0, a.Bit(3, 3));
        SetField(r, 1, d[3] & 7u);
        SetField(r, 2, d[2] >> 4);
        SetField(r, 3, d[2] & 0x0Fu);
        SetField(r, 4, d[3] >> 4);
    }
    if (index == 2) SetField(r, 0, a.Le(4, 2));
    if (index == 3) SetField(r, 0, a.Le(6, 2));
    if (index == 4) {
        SetField(r, 4, a.Bit(3, 3));
        SetField(r, 5, d[3] & 7u);
        SetField(r, 6, d[2] >> 4);
        SetField(r, 7, d[2] & 0x0Fu);
        SetField(r, 8, d[3] >> 4);
        SetField(r, 9, a.Le(6, 2));
        SetField(r, 10, a.Le(4, 2));
    }
}

void SensorFeedback(const AnswerBytes& a, KymReply& r) {
    SetField(r, 0, a.Bit(1, 4));
    SetField(r, 1, a.Bit(1, 5));
    SetField(r, 2, a.Bit(1, 6));
    const float volts = static_cast<float>(((a.d[1] & 0x0F) * 256 + a.d[0]) * 5.0 / 4095.0);
    std::memcpy(&r.field[3], &volts, sizeof volts);
}

void Model(const AnswerBytes& a, uint32_t node, KymReply& r) {
    SetField(r, 0, node);
    SetField(r, 1, a.Le(0, 2));
    SetField(r, 2, a.d[3]);
    SetField(r, 8, a.Le(4, 2));
    char* name = reinterpret_cast<char*>(r.field) + 36;
    std::memset(name, 0, codec::kModelNameBytes);
    codec::ModelOptions options;
    codec::FormatModelName(a, name, codec::kModelNameBytes, &options);
    if (a.d[1] == 24) {
        // Every option flag is written, so a record reused across nodes carries no stale option.
        SetField(r, 3, options.ie);
        SetField(r, 4, options.e);
        SetField(r, 5, options.m);
        SetField(r, 6, options.s);
        SetField(r, 7, options.sp);
    }
}

// Analog channels: each (lo, hi) pair whose hi nibble names channel 1-8 carries that channel's 12-bit
// value. The mask in R[0] lists the channels of this answer only.
void AnalogChannels(const KymCanMsg* answers, size_t count, KymReply& r) {
    uint32_t mask = 0;
    for (size_t m = 0; m < count; ++m) {
        const AnswerBytes a(answers[m]);
        for (size_t k = 0; k + 1 < codec::kDataBytes; k += 2) {
            const uint32_t lo = a.d[k], hi = a.d[k + 1];
            const uint32_t channel = hi >> 4;
            if (hi <= 15 || channel > 8) continue;
            mask |= 1u << (channel - 1);
            SetField(r, channel, ((hi << 8) | lo) & 0x0FFF);
        }
    }
    SetField(r, 0, mask);
}

void Decode(uint32_t node, unsigned command, int index, const AnswerBytes& a, KymReply& r) {
    const uint8_t* d = a.d;
    switch (command) {
        case 1:
            if (index == 1) return Integer(a, r);
            return Status(a, r);
        case 0:
        case 2:
        case 8:
        case 9:
        case 51:
        case 61:
            return Status(a, r);
        case 3:
        case 7:
        case 10:
        case 11:
        case 12:
        case 42:
        case 43:
        case 44:
        case 45:
        case 56:
        case 58:
        case 59:
        case 66:
        case 77:
        case 84:
        case 86:
        case 87:
            return Integer(a, r);
        case 4:
        case 54:
            if (a.n > 0) SetField(r, 0, d[0]);
            return;
        case 6:
            return AccelerationConfig(a, index, r);
        case 46:
            return SetField(r, 0, index == 1 ? a.Le(0, 4) : a.Le(0, 2));
        case 47:
            return SensorConfig(a, index, r);
        case 48:
            SetField(r, 1, a.Le(0, 2));
            SetField(r, 2, a.Le(2, 2));
            SetField(r, 3, a.Le(4, 2));
            return;
        case 53:
        case 126:
            return SetField(r, 0, d[0]);
        case 62: {  // stream data: count, then up to 6 bytes
            const size_t m = std::min<size_t>(a.n, 6);
            SetField(r, 0, static_cast<uint32_t>(m));
            return CopyToRecord(r, 4, a, 0, m);
        }
        case 63:
            return SensorFeedback(a, r);
        case 65:
            return Model(a, node, r);
        case 71:
        case 81:
            return SetField(r, 0, a.Le(0, 2));
        case 72:
            if (index == 0) SetField(r, 0, a.Le(0, 4));
            if (index == 1) SetField(r, 0, a.Le(0, 2));
            return;
        case 73:
        case 74:
        case 75:
            return SetField(r, 0, a.Le(0, 4));
        case 78:  // low half of R[1]; the high half keeps its content
            return CopyToRecord(r, 4, a, 1, 2);
        case 82:  // operation record: the two operation bytes, payload length in R[1], payload from byte 8
            CopyToRecord(r, 0, a, 0, 2);
            if (a.rawLength == 2) SetField(r, 1, 0);
            if (a.rawLength >= 3 && a.rawLength <= 6) {
                CopyToRecord(r, 8, a, 2, a.rawLength - 2);
                SetField(r, 1, static_cast<uint32_t>(a.rawLength - 2));
            }
            return;
        case 83:
            SetField(r, 0, d[0]);
            if (a.rawLength >= 2) CopyToRecord(r, 4, a, 1, 6);
            return;
        default:
            return;
    }
}

}  // namespace

int DecodeSecondGen(uint32_t node, uint8_t controlWord, int index, KymCanMsg* answers, size_t available,
                    KymReply* out) {
    if (out == nullptr || answers == nullptr || available == 0) return 0;
    const unsigned command = controlWord & 0x7F;
    if (command == cmd::kAvaInfo) {
        // Most gateways deliver the channels in two messages; a port that combines them into the
        // first one delivers one.
        const size_t count = std::min<size_t>(available, 2);
        AnalogChannels(answers, count, *out);
        for (size_t m = 0; m < count; ++m) codec::ClearAnswerData(answers[m]);
        return 1;
    }
    if (command <= 126) Decode(node, command, index, AnswerBytes(answers[0]), *out);
    codec::ClearAnswerData(answers[0]);
    return 1;
}

void RewriteControlWordValue(KymCanMsg& message) {
    constexpr uint8_t kOutputLevel = 0x04;  // the level travels in bit 7 of the control word
    constexpr uint8_t kStore = 0x36;        // the control word byte is the value
    if (message.controlWord != kOutputLevel && message.controlWord != kStore) return;
    message.length = 1;
    message.data[0] = message.controlWord == kOutputLevel ? static_cast<uint8_t>(message.controlWord >> 7)
                                                          : message.controlWord;
}

}  // namespace norvane::sdk
