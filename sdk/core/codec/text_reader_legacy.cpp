// First-generation command texts read back into the messages they stand for.
#include <algorithm>
#include <iterator>

#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/text_dialect.h"
#include "sdk/core/codec/text_mnemonics.h"
#include "sdk/core/codec/text_reading.h"

namespace norvane::sdk {
namespace {

using text::IndexForm;
using text::ReadRequest;

constexpr uint32_t kGatewayNode = 1;  // a text without wrapper is for the gateway itself

// "x" and the hexadecimal pairs of a byte-valued command back into the data it was printed from
// (their count tells the index where the encoder's index changed the print).
bool ReadBytes(uint8_t command, std::string_view value, ReadRequest& r) {
    uint8_t b[16];
    size_t n = 0;
    if (!value.starts_with('x') || !text::ReadHexBytes(value.substr(1), b, sizeof b, n)) return false;
    switch (command) {
        case 0x0A:  // D0, D1 as bytes; index 1 adds D2 in four digits
            if (n != 2 && n != 4) return false;
            r.index = n == 4 ? 1 : 0;
            r.SetWord(0, b[0]);
            r.SetWord(1, b[1]);
            if (n == 4) r.SetWord(2, uint32_t{b[2]} << 8 | b[3]);
            return true;
        case 0x14:  // index 0: B0-B3; index 1: B4-B7, B0-B2, B8
            if (n == 4) {
                r.SetBytes(0, b, 4);
            } else if (n == 8) {
                r.index = 1;
                r.SetBytes(4, b, 4);
                r.SetBytes(0, b + 4, 3);
                r.SetBytes(8, b + 7, 1);
            } else {
                return false;
            }
            return true;
        case 0x37:  // D0's low two bytes (index 0) or all four (index 1), lowest first
            if (n != 2 && n != 4) return false;
            r.index = n == 4 ? 1 : 0;
            r.SetBytes(0, b, n);
            return true;
        case 0x51:  // two operation bytes, then the counted bytes from B8
            if (n < 2) return false;
            r.SetBytes(0, b, 2);
            r.SetWord(1, static_cast<uint32_t>(std::min<size_t>(n - 2, 6)));
            r.SetBytes(8, b + 2, std::min<size_t>(n - 2, 6));
            return true;
        default:
            return false;
    }
}

// The index between brackets at the front of rest, in the range its print gives.
bool ReadIndex(std::string_view& rest, int64_t low, int64_t high, ReadRequest& r) {
    const size_t close = rest.find(']');
    int64_t index = 0;
    if (!rest.starts_with('[') || close == std::string_view::npos ||
        !text::ReadNumber(rest.substr(1, close - 1), low, high, index))
        return false;
    r.index = static_cast<int>(index);
    rest.remove_prefix(close + 1);
    return true;
}

// Two blanks (or nothing) stand for "no data".
bool NoValue(std::string_view value) {
    return value.find_first_not_of(' ') == std::string_view::npos;
}

// The serial number: "sn;" (index 0), "sn[D1]D2;" (index 1) or "snD0;" (index 2).
bool ReadSerialNumber(std::string_view rest, ReadRequest& r) {
    uint32_t word = 0;
    if (rest.empty()) return true;
    if (rest.starts_with('[')) {
        if (!ReadIndex(rest, INT32_MIN, INT32_MAX, r) || !text::ReadWord(rest, word)) return false;
        r.SetWord(1, static_cast<uint32_t>(r.index));
        r.SetWord(2, word);
        r.index = 1;
        return true;
    }
    r.index = 2;
    if (NoValue(rest)) return true;
    if (!text::ReadWord(rest, word)) return false;
    r.SetWord(0, word);
    return true;
}

// Commands outside the table that the encoder writes in a table command's form.
constexpr text::LegacyCommand kError = {cmd::first_gen::kError, "er", IndexForm::Signed};

// The table's first command of that name ("pa" is 0x20); nullptr when none.
const text::LegacyCommand* FindCommand(std::string_view name) {
    const auto* row = std::find_if(std::begin(text::kLegacyCommands), std::end(text::kLegacyCommands),
                                   [name](const text::LegacyCommand& c) { return name == c.name; });
    return row == std::end(text::kLegacyCommands) ? nullptr : row;
}

bool ReadCommand(std::string_view command, ReadRequest& r) {
    if (!command.ends_with(';')) return false;
    command.remove_suffix(1);
    if (command.starts_with("ZFx")) {  // a firmware line: its digits are the data (the packer reads 16)
        command.remove_prefix(3);
        r.controlWord |= cmd::first_gen::kFirmwareLine;
        r.SetBytes(0, reinterpret_cast<const uint8_t*>(command.data()), std::min<size_t>(command.size(), 16));
        return true;
    }
    if (command.size() < 2) return false;
    const std::string_view name = command.substr(0, 2);
    std::string_view rest = command.substr(2);
    if (name == "ml") {
        r.controlWord |= cmd::first_gen::kModel;
        return rest.empty();
    }
    if (name == "sn") {
        r.controlWord |= cmd::first_gen::kSerialNumber;
        return ReadSerialNumber(rest, r);
    }
    const text::LegacyCommand* row = name == kError.name ? &kError : FindCommand(name);
    if (row == nullptr) return false;
    r.controlWord |= row->number;
    if (row->index == IndexForm::Signed && !ReadIndex(rest, -128, 127, r)) return false;
    if (row->index == IndexForm::Unsigned && !ReadIndex(rest, 0, 255, r)) return false;
    if (NoValue(rest)) return true;
    if (rest.starts_with('x')) return ReadBytes(row->number, rest, r);
    uint32_t word = 0;
    if (!text::ReadWord(rest, word)) return false;
    r.SetWord(0, word);
    return true;
}

}  // namespace

bool ReadTextLegacy(std::string_view text, KymCanMsg& message) {
    ReadRequest r;
    std::string_view command;
    if (!text.starts_with('{')) {
        r.node = kGatewayNode;
        r.controlWord = 0x80;
        command = text;
    } else if (!text::Unwrap(text, "{*", r, command)) {
        return false;
    }
    if (!ReadCommand(command, r)) return false;
    KymCanMsg packed{};
    if (PackFirstGen(r.node, r.controlWord, r.index, r.withData ? r.data : nullptr, &packed) != 1)
        return false;
    message = packed;
    return true;
}

}  // namespace norvane::sdk
