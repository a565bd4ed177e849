// Second-generation text dialect: upper-case mnemonics in the "{ADR=node;...}" wrapper.
#include "sdk/core/codec/text_dialect.h"

#include <algorithm>
#include <iterator>

#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/text_builder.h"
#include "sdk/core/codec/text_mnemonics.h"

namespace norvane::sdk {
namespace {

using text::CommandText;
using text::DataView;
using text::kGlobalCommands;
using text::kPlainCommands;
using text::Mnemonic;
using text::ValueText;

const char* Find(const Mnemonic* first, const Mnemonic* last, uint8_t command) {
    const Mnemonic* row =
        std::find_if(first, last, [command](const Mnemonic& m) { return m.number == command; });
    return row == last ? nullptr : row->name;
}

// Value text of present data. The products are taken modulo 2^32 and printed as signed numbers.
ValueText ValueTextOf(uint8_t command, uint8_t index, DataView& data) {
    ValueText value;
    switch (command) {
        case 0x2F: {  // sensor configuration word: nibbles composed from the words, mode in the low nibble
            uint32_t word = 0;
            if (index == 0) {
                word = (((data.Word(0) * 16 + data.Word(1)) * 16 + data.Word(2)) * 16 + data.Word(3)) * 16;
            } else if (index == 1) {
                const uint32_t high = data.Word(1) + (data.Word(0) + 2 * data.Word(4)) * 8;
                word = ((high * 16 + data.Word(2)) * 16 + data.Word(3)) * 16 + 1;
            } else if (index == 2 || index == 3) {
                word = data.Word(0) * 16 + (index == 2 ? 3u : 2u);
            } else {
                break;  // no value text
            }
            value.Format("%d", static_cast<int32_t>(word));
            break;
        }
        case 0x30: {  // stage: the sub-command in D0 picks the word and the low nibble
            const uint32_t sub = data.Word(0);
            if (sub >= 1 && sub <= 3) {
                value.Format("%d", static_cast<int32_t>(data.Word(sub) * 16 + (sub - 1)));
            } else {
                value.Append("-1");
            }
            break;
        }
        case 0x3E: {  // stream data: D0 bytes from B4 on, in hexadecimal
            const uint32_t count = data.Word(0);
            if (count == 0) break;
            value.Append("0x");
            // A count that cannot fit stops at the first overflowing byte instead of reading on.
            for (uint32_t i = 0; i < count && !value.overflow() && !data.tooShort(); ++i) {
                value.Format("%02x", data.Byte(4 + size_t{i}));
            }
            break;
        }
        case 0x52: {  // operation: two bytes, then D1 bytes from B8 when D1 is 1 to 4
            value.Format("x%02x", data.Byte(0));
            value.Format("%02x", data.Byte(1));
            const uint32_t count = data.Word(1);
            if (count >= 1 && count <= 4) {
                for (uint32_t i = 0; i < count; ++i) value.Format("%02x", data.Byte(8 + size_t{i}));
            }
            break;
        }
        default:
            value.Format("%d", data.SignedWord(0));
            break;
    }
    return value;
}

// Body of the commands outside the plain table (empty for an unknown command); refused is set
// when the value text does not fit its buffer.
void SpecialBody(uint8_t command, int32_t node, DataView& data, CommandText& body, bool& refused) {
    switch (command) {
        case 0x00:
            body.Append(" ;");
            return;
        case 0x33:
            if (data.present()) {
                body.Format("%s%d;", text::kSetAddress.name, static_cast<int32_t>(data.Word(0) | 0x80));
            } else {
                body.Format("%s;", text::kSetAddress.name);
            }
            return;
        case 0x41:
            body.Format("%s%d;", text::kModel.name, node);
            return;
        default:
            break;
    }
    if (const char* name = Find(std::begin(kGlobalCommands), std::end(kGlobalCommands), command)) {
        if (data.present()) {
            const ValueText value = ValueTextOf(command, 0, data);
            refused = value.overflow();
            body.Format("%s%s;", name, value.c_str());
        } else {
            body.Format("%s;", name);
        }
    }
}

}  // namespace

int EncodeText(int32_t node, uint8_t controlWord, uint8_t index, const void* data, size_t dataSize, char* out,
               size_t capacity, size_t* textLength) {
    if (out == nullptr) return 0;
    const uint8_t command = controlWord & 0x7F;
    const bool ack = (controlWord & 0x80) != 0;
    DataView view(data, dataSize);
    CommandText body;
    CommandText text;

    if (const char* name = Find(std::begin(kPlainCommands), std::end(kPlainCommands), command)) {
        if (view.present()) {
            const ValueText value = ValueTextOf(command, index, view);
            if (value.overflow()) return 0;
            if (!ack) {
                text.Format("{ADR=%d;{%s%s;}}", node, name, value.c_str());
                return text::Deliver(text, view, out, capacity, textLength);
            }
            body.Format("%s%s;", name, value.c_str());
        } else {
            // Discovery and bit rate without data go to every node.
            if (command == cmd::kDiscovery || command == cmd::kBtr) node = 0;
            if (!ack) {
                text.Format("{ADR=%d;{%s;}}", node, name);
                return text::Deliver(text, view, out, capacity, textLength);
            }
            body.Format("%s;", name);
        }
    } else {
        bool refused = false;
        SpecialBody(command, node, view, body, refused);
        if (refused) return 0;
    }
    if (body.overflow()) return 0;

    if (!ack) {
        text.Format("{ADR=%d;%s}", node, body.c_str());
    } else if (node == 0) {
        text.Append(body.c_str(), body.size());
    } else {
        text.Format("{ADR=%d;}%s", node, body.c_str());
    }
    return text::Deliver(text, view, out, capacity, textLength);
}

}  // namespace norvane::sdk
