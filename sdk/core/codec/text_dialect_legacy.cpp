// First-generation text dialect: lower-case two-letter commands in the "{*node;...}" wrapper.
#include <algorithm>
#include <iterator>

#include "sdk/core/codec/text_builder.h"
#include "sdk/core/codec/text_dialect.h"
#include "sdk/core/codec/text_mnemonics.h"

namespace norvane::sdk {
namespace {

using text::CommandText;
using text::DataView;
using text::IndexForm;
using text::kLegacyCommands;
using text::LegacyCommand;
using text::ValueText;

// "%02x" of the count bytes B8, B9, ... when the count D1 is 1 to 4 (RGB light and operation data).
void AppendCountedBytes(ValueText& value, DataView& data) {
    const uint32_t count = data.Word(1);
    if (count < 1 || count > 4) return;
    for (uint32_t i = 0; i < count; ++i) value.Format("%02x", data.Byte(8 + i));
}

ValueText LegacyValueText(uint8_t command, uint8_t index, DataView& data) {
    ValueText value;
    if (!data.present()) {
        value.Append("  ");
        return value;
    }
    switch (command) {
        case 0x0A:
            value.Format("x%02x", data.Word(0));
            value.Format("%02x", data.Word(1));
            if (index == 1) value.Format("%04x", data.Word(2));
            break;
        case 0x14:
            if (index == 0) {
                value.Format("x%02X%02X%02X%02X", data.Byte(0), data.Byte(1), data.Byte(2), data.Byte(3));
            } else if (index == 1) {
                value.Append("x");
                for (size_t i : {4u, 5u, 6u, 7u, 0u, 1u, 2u, 8u}) value.Format("%02X", data.Byte(i));
            }
            break;
        case 0x51:
            value.Format("x%02x", data.Byte(0));
            value.Format("%02x", data.Byte(1));
            AppendCountedBytes(value, data);
            break;
        case 0x37:
            if (index == 0 || index == 2) {
                value.Format("x%02x%02x", data.Byte(0), data.Byte(1));
            } else if (index == 1) {
                value.Format("x%02x%02x%02x%02x", data.Byte(0), data.Byte(1), data.Byte(2), data.Byte(3));
            } else {
                value.Format("%d", data.SignedWord(0));
            }
            break;
        default:
            value.Format("%d", data.SignedWord(0));
            break;
    }
    return value;
}

// The command text; false (refused) when the command needs data that is absent or its value
// text does not fit its buffer.
bool LegacyCommandText(uint8_t command, uint8_t index, DataView& data, CommandText& text) {
    const int signedIndex = static_cast<int8_t>(index);
    switch (command) {
        case 0x0B:
            text.Append("ml;");
            return true;
        case 0x0C:
            if (index == 1) {
                if (!data.present()) return false;
                text.Format("sn[%d]%d;", data.SignedWord(1), data.SignedWord(2));
            } else if (index == 2) {
                const ValueText value = LegacyValueText(command, index, data);
                if (value.overflow()) return false;
                text.Format("sn%s;", value.c_str());
            } else {
                text.Append("sn;");
            }
            return true;
        case 0x0F:
            if (index == 0x7F) {
                text.Append("er[0]0;");
            } else {
                text.Format("er[%d];", signedIndex);
            }
            return true;
        case 0x7F:
            // Firmware line: the data is the text itself.
            if (!data.present()) return false;
            text.Append("ZFx");
            text.Append(data.chars(), data.TextLength());
            text.Append(";");
            return true;
        default:
            break;
    }
    const auto* row = std::find_if(std::begin(kLegacyCommands), std::end(kLegacyCommands),
                                   [command](const LegacyCommand& c) { return c.number == command; });
    if (row == std::end(kLegacyCommands)) return true;  // unknown command: bare address wrapper

    const ValueText value = LegacyValueText(command, index, data);
    if (value.overflow()) return false;
    switch (row->index) {
        case IndexForm::None:
            text.Format("%s%s;", row->name, value.c_str());
            break;
        case IndexForm::Signed:
            text.Format("%s[%d]%s;", row->name, signedIndex, value.c_str());
            break;
        case IndexForm::Unsigned:
            text.Format("%s[%d]%s;", row->name, static_cast<int>(index), value.c_str());
            break;
    }
    return true;
}

}  // namespace

int EncodeTextLegacy(int32_t node, uint8_t controlWord, uint8_t index, const void* data, size_t dataSize,
                     char* out, size_t capacity, size_t* textLength) {
    const uint8_t command = controlWord & 0x7F;
    if (out == nullptr || command == 0) return 0;
    DataView view(data, dataSize);
    CommandText body;
    if (!LegacyCommandText(command, index, view, body) || body.overflow()) return 0;

    CommandText text;
    if (controlWord & 0x80) {
        text.Format("{*%d;}%s", node, body.c_str());
    } else {
        text.Format("{*%d;%s}", node, body.c_str());
    }
    return text::Deliver(text, view, out, capacity, textLength);
}

}  // namespace norvane::sdk
