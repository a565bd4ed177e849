// First-generation answer decoding: R[0] is cleared, then answer bytes are copied little-endian into the
// record from its first byte.
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/message_bytes.h"

namespace norvane::sdk {

namespace {

using codec::AnswerBytes;
using codec::SetField;

// Returns 1 decoded, 0 when the answer fails the command's check.
int Decode(uint32_t kind, uint32_t node, unsigned command, int index, const AnswerBytes& a, KymReply& r) {
    const auto copy = [&](size_t from, size_t count) { codec::CopyToRecord(r, 0, a, from, count); };
    const uint8_t* d = a.d;
    switch (command) {
        case 0:
            return 0;
        case 1:
        case 6:
            copy(1, 1);
            break;
        case 7:
        case 52:
            copy(1, a.n);
            break;
        case 10:
            SetField(r, 0, d[0]);
            SetField(r, 1, d[1]);
            SetField(r, 2, a.Le(2, 4));
            break;
        case 11:
            if (a.rawLength > codec::kDataBytes) return 0;
            copy(0, a.n);
            break;
        case 12:
        case 14:
        case 25:
        case 26:
        case 27:
        case 28:
            copy(0, 4);
            break;
        case 15:  // error registers: d0 echoes the index asked for
            if (index == 127) {
                copy(1, 4);
                break;
            }
            if (d[0] != index) return 0;
            copy(1, index == 0 ? 2 : index <= 4 ? 4 : 1);
            break;
        case 16:
        case 34:
        case 51:
        case 53:
        case 54:
        case 61:
            copy(1, 2);
            break;
        case 20:
            if (node != 0 && kind != 1 && index >= 1) {
                if (index == 1) {
                    codec::CopyToRecord(r, 4, a, 0, 4);
                    SetField(r, 0, a.Le(4, 3));
                    codec::CopyToRecord(r, 8, a, 7, 1);
                }
                break;
            }
            copy(0, 4);
            break;
        case 21:
        case 22:
        case 23:
        case 24:
            copy(0, 1);
            break;
        case 29:
        case 30:
        case 31:
        case 32:
            copy(node != 0 ? 1 : 0, 4);
            break;
        case 35:
        case 45:
        case 126:
            copy(0, 2);
            break;
        case 37:
        case 38:
            copy(2, 4);
            break;
        case 39:
        case 40:
            copy(2, 1);
            break;
        case 43:
            SetField(r, 0, a.Le(1, 3));
            SetField(r, 1, a.Le(4, 3));
            SetField(r, 2, d[7]);
            break;
        case 44:
            copy(1, 4);
            break;
        case 46:  // d0 names the value: 0, 1 one byte, 5 (temperature limit) two, 2-4 four
            if (d[0] == 0 || d[0] == 1) copy(1, 1);
            if (d[0] == 5) copy(1, 2);
            if (d[0] >= 2 && d[0] <= 4) copy(1, 4);
            break;
        case 55:
            if (index == 0 || index == 2) copy(0, 2);
            if (index == 1) copy(0, 4);
            break;
        case 58:
            copy(node != 0 ? 1 : 0, 2);
            break;
        case 77:
            SetField(r, 0, a.Le(0, a.n));
            break;
        case 81:
            copy(0, 2);
            if (a.rawLength >= 3 && a.rawLength <= codec::kDataBytes) {
                codec::CopyToRecord(r, 8, a, 2, a.rawLength - 2);
                SetField(r, 1, static_cast<uint32_t>(a.rawLength - 2));
            }
            break;
        case 127:
            copy(0, a.n);
            break;
        default:
            break;
    }
    return 1;
}

}  // namespace

int DecodeFirstGen(uint32_t kind, uint32_t node, uint8_t controlWord, int index, KymCanMsg* answer,
                   KymReply* out) {
    if (answer == nullptr || out == nullptr) return 0;
    const unsigned command = controlWord & 0x7F;
    // An error report is left intact for the port, which reads its code.
    if ((answer->controlWord & 0x7F) == cmd::first_gen::kError && command != cmd::first_gen::kError) return 0;
    out->field[0] = 0;
    const int result = Decode(kind, node, command, index, AnswerBytes(*answer), *out);
    codec::ClearAnswerData(*answer);
    return result;
}

}  // namespace norvane::sdk
