// First-generation request packing.
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/message_bytes.h"

namespace norvane::sdk {

namespace {

using codec::HexDigit;
using codec::MessageWriter;
using codec::RequestData;

// Firmware line: pairs of hexadecimal digits, one byte each, the first 8 pairs only. Reading stops at the
// NUL and never goes past it; a lone digit before the NUL is a malformed pair.
bool PackHexLine(const char* text, MessageWriter& put) {
    if (text == nullptr) return false;
    for (size_t pair = 0; pair < codec::kDataBytes; ++pair) {
        if (text[2 * pair] == '\0') break;
        const int high = HexDigit(text[2 * pair]);
        const int low = HexDigit(text[2 * pair + 1]);
        if (high < 0 || low < 0) return false;
        put.Put8(static_cast<uint32_t>(high * 16 + low));
    }
    return true;
}

}  // namespace

int PackFirstGen(uint32_t node, uint8_t controlWord, int index, const void* data, KymCanMsg* out) {
    if (out == nullptr) return 0;
    KymCanMsg message{};
    message.node = static_cast<uint8_t>(node);
    message.controlWord = controlWord;
    const RequestData b(data);
    MessageWriter put(message);
    const auto i = static_cast<uint32_t>(index);

    switch (controlWord & 0x7F) {
        case 1:
        case 6:
            put.Put8(i);
            if (b) put.Put8(b.Byte(0));
            break;
        case 7:
            put.Put8(i);
            if (b) put.Put16(b.Word(0));
            break;
        case 10:
            if (b && (index == 0 || index == 1)) {
                put.Put8(b.Byte(0));
                put.Put8(b.Byte(4));
                if (index == 1) put.PutBytes(b, 8, 4);
            }
            break;
        case 11:
        case 22:
        case 23:
        case 86:
        case 90:
            break;
        case 12:
            if (b && index == 1) {
                put.Put8(b.Byte(4));
                put.PutBytes(b, 8, 4);
            }
            if (b && index == 2) put.Put32(b.Word(0));
            break;
        case 14:
        case 21:
        case 25:
        case 26:
        case 27:
        case 28:
        case 29:
        case 30:
        case 31:
        case 32:
        case 33:
        case 35:
        case 36:
        case 45:
        case 58:
            if (b) put.Put32(b.Word(0));
            break;
        case 15:
        case 16:
        case 34:
        case 46:
        case 51:
        case 52:
        case 53:
        case 61:
            if (!b) {
                put.Put8(i);
            } else if (index == 127) {
                put.Put16(0);
            } else {
                put.Put8(i);
                put.Put16(b.Word(0));
            }
            break;
        case 20:
            if (b && index == 0) put.PutBytes(b, 0, 4);
            if (b && index == 1) {
                put.PutBytes(b, 4, 4);
                put.PutBytes(b, 0, 3);
                put.Put8(b.Byte(8));
            }
            break;
        case 24:
            if (b) put.Put16(b.Word(0));
            break;
        case 37:
        case 38:
            put.Put16(i);
            if (b) put.Put32(b.Word(0));
            break;
        case 39:
        case 40:
            put.Put8(i);
            put.Put8(0);
            if (b) put.Put16(b.Word(0));
            break;
        case 41:
            put.Put16(i);
            if (b) {
                put.PutBytes(b, 0, 4);
                put.PutBytes(b, 8, 2);
            }
            break;
        case 42:
            put.Put16(i);
            if (b) {
                put.PutBytes(b, 4, 4);
                put.PutBytes(b, 12, 2);
            }
            break;
        case 43:
            put.Put8(i);
            if (b) {
                put.PutBytes(b, 0, 3);
                put.PutBytes(b, 4, 3);
                put.Put8(b.Byte(8));
            } else {
                put.Put8(0);
            }
            break;
        case 44:
            put.Put8(i);
            if (b) put.Put32(b.Word(0));
            break;
        case 54:
            put.Put8(i);
            break;
        case 55:
            if (b && index == 1) put.Put32(b.Word(0));
            if (b && index != 1) put.Put16(b.Word(0));
            break;
        case 77:
            if (b) put.PutBytes(b, 0, 4);
            break;
        case 81:  // operation: 2 bytes, then a counted run of at most 6 bytes from byte 8
            if (!b) return 0;
            put.PutBytes(b, 0, 2);
            put.PutBytes(b, 8, std::min<uint32_t>(b.Word(1), 6));
            break;
        case 85:  // counted run of at most 8 bytes from byte 4
            if (b) put.PutBytes(b, 4, std::min<uint32_t>(b.Word(0), 8));
            break;
        case 126:
            if (b) put.PutBytes(b, 0, 2);
            break;
        case 127:
            if (!PackHexLine(static_cast<const char*>(data), put)) return 0;
            break;
        default:
            return 0;
    }
    *out = message;
    return 1;
}

}  // namespace norvane::sdk
