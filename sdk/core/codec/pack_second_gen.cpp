// Second-generation request packing.
#include "platform/console_line.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/message_bytes.h"

namespace norvane::sdk {

namespace {

using codec::MessageWriter;
using codec::RequestData;

// Command 47 (sensor configuration registers): the index selects the register and travels as d2.
void PackSensorConfig(int index, const RequestData& w, MessageWriter& put) {
    uint32_t d0 = 0, d1 = 0;
    if (index == 0) {
        d0 = w.Word(2) * 16 + w.Word(3);
        d1 = w.Word(0) * 16 + w.Word(1);
    } else if (index == 1) {
        d0 = w.Word(2) * 16 + w.Word(3);
        d1 = ((w.Word(4) * 2 + w.Word(0)) % 256) * 8 + w.Word(1);
    } else if (index == 2 || index == 3) {
        d0 = w.Word(0);
        d1 = w.Word(0) >> 8;
    }
    put.Put8(d0);
    put.Put8(d1);
    put.Put8(static_cast<uint32_t>(index));
}

// Command 48: the sub-command word picks one of three 16-bit slots of the structure.
void PackSensorTiming(const RequestData& w, MessageWriter& put) {
    const uint32_t sub = w.Word(0);
    if (sub >= 1 && sub <= 3) {
        put.PutBytes(w, 4 * sub, 2);
        put.Put8(sub - 1);
    } else {
        put.Put8(0);
        put.Put8(0);
        put.Put8(0);
    }
}

}  // namespace

int PackSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, KymCanMsg* out) {
    if (out == nullptr) return 0;
    KymCanMsg message{};
    message.node = static_cast<uint8_t>(node);
    message.controlWord = controlWord;
    const RequestData b(data);
    MessageWriter put(message);

    switch (controlWord & 0x7F) {
        case 0:
        case 2:
        case 61:
        case 63:
        case 64:
        case 65:
            break;
        case 1:
        case 44:
        case 45:
        case 56:
        case 58:
        case 59:
            if (b) put.Put16(b.Word(0));
            break;
        case 3:  // without data only in a get request
        case 7:
        case 10:
        case 11:
        case 12:
        case 42:
        case 43:
        case 66:
        case 71:
        case 73:
        case 74:
        case 75:
        case 86:
        case 87:
            if (b) put.Put32(b.Word(0));
            break;
        case 4:
        case 6:
        case 53:
        case 54:
        case 76:
            if (b) put.Put8(b.Byte(0));
            break;
        case 8:
        case 9:
        case 51:
        case 126:
            if (b) put.Put8(b.Byte(0) & 0x7F);
            break;
        case 22:
        case 24:
        case 26:
        case 28:
        case 29:  // global: addressed to no node
            message.node = 0;
            if (b) put.Put8(b.Byte(0));
            break;
        case 23:
        case 27:
        case 30:
        case 31:
        case 32:
            message.node = 0;
            if (b) put.Put32(b.Word(0));
            break;
        case 46:
            if (b) {
                const uint32_t v = b.Word(0);
                put.Put16(v);
                put.Put16(0);
                platform::ConsoleLine("NvSimCanPackMSG dwDrvId=%d,Data[0]=0x%X,Data[1]=0x%X,dwValue=%d \n",
                                      static_cast<int>(node), unsigned{message.data[0]},
                                      unsigned{message.data[1]}, static_cast<int>(v));
            }
            break;
        case 47:
            if (b) PackSensorConfig(index, b, put);
            break;
        case 48:
            if (b) PackSensorTiming(b, put);
            break;
        case 62: {  // stream data: count word, then the bytes
            if (!b || b.Word(0) == 0) return 0;
            put.PutBytes(b, 4, std::min<uint32_t>(b.Word(0), 8));
            break;
        }
        case 72:
            if (b && index == 0) put.Put32(b.Word(0));
            if (b && index == 1) put.Put16(b.Word(0));
            break;
        case 77:
            if (b) put.PutBytes(b, 0, 4);
            break;
        case 78:
            if (b) {
                put.PutBytes(b, 0, 4);
            } else {
                put.Put8(static_cast<uint32_t>(index));
            }
            break;
        case 81:
            if (b) {
                put.Put16(b.Word(0));
                put.Put16(0);
            }
            break;
        case 82: {  // operate: count word (at least the 2 operation bytes), then the bytes
            if (!b || b.Word(0) < 2) return 0;
            put.PutBytes(b, 4, std::min<uint32_t>(b.Word(0), 7));
            break;
        }
        case 83:  // word 3 selects the short (1 byte) or long (7 bytes) form
            if (!b) return 0;
            put.Put8(b.Byte(0));
            if (b.Word(3) != 0) put.PutBytes(b, 4, 6);
            break;
        default:
            return 0;
    }
    *out = message;
    return 1;
}

int PackSecondGenGet(uint32_t node, uint8_t controlWord, int index, KymCanMsg* out) {
    switch (controlWord & 0x7F) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
        case 12:
        case 22:
        case 23:
        case 24:
        case 26:
        case 27:
        case 28:
        case 29:
        case 30:
        case 31:
        case 32:
        case 42:
        case 43:
        case 44:
        case 45:
        case 46:
        case 47:
        case 48:
        case 51:
        case 53:
        case 54:
        case 56:
        case 58:
        case 59:
        case 61:
        case 63:
        case 64:
        case 65:
        case 66:
        case 71:
        case 72:
        case 73:
        case 74:
        case 75:
        case 76:
        case 77:
        case 78:
        case 81:
        case 86:
        case 87:
        case 126:
            // Without data every allowed command packs its get form (78 carries the index).
            return PackSecondGen(node, controlWord, index, nullptr, out);
        case 83:  // data-window read: no data, the node answers with its next chunk
            if (out == nullptr) return 0;
            *out = KymCanMsg{};
            out->node = static_cast<uint8_t>(node);
            out->controlWord = controlWord;
            return 1;
        default:
            return 0;
    }
}

}  // namespace norvane::sdk
