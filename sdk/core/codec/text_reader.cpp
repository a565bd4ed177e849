// Second-generation command texts read back into the messages they stand for, and the end of a
// text in a stream of either dialect.
#include <cstring>

#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/text_dialect.h"
#include "sdk/core/codec/text_mnemonics.h"
#include "sdk/core/codec/text_reading.h"

namespace norvane::sdk {
namespace {

using text::Mnemonic;
using text::ReadRequest;

// The mnemonic the body starts with (the longest that fits); nullptr when none does.
const Mnemonic* FindMnemonic(std::string_view body) {
    const Mnemonic* best = nullptr;
    const auto consider = [&](const Mnemonic& m) {
        if (body.starts_with(m.name) && (best == nullptr || std::strlen(m.name) > std::strlen(best->name)))
            best = &m;
    };
    for (const Mnemonic& m : text::kPlainCommands) consider(m);
    for (const Mnemonic& m : text::kGlobalCommands) consider(m);
    consider(text::kSetAddress);
    consider(text::kModel);
    return best;
}

// Sensor configuration: the value is the register's fields times 16 plus the mode, which tells
// the index; the words are those the encoder composed the fields from.
bool ReadSensorConfig(uint32_t value, ReadRequest& r) {
    const uint32_t fields = value >> 4;
    const uint32_t high = (fields >> 8) & 0xFF;
    switch (value & 0xF) {
        case 0:  // nibbles D0 D1 D2 D3
            r.index = 0;
            r.SetWord(0, high >> 4);
            r.SetWord(1, high & 0xF);
            break;
        case 1:  // D0 * 8 + D1 in the high byte (the encoder folds D4 into D0)
            r.index = 1;
            r.SetWord(0, high >> 3);
            r.SetWord(1, high & 7);
            break;
        case 3:
        case 2:
            r.index = (value & 0xF) == 3 ? 2 : 3;
            r.SetWord(0, fields);
            return true;
        default:
            return false;
    }
    r.SetWord(2, (fields >> 4) & 0xF);
    r.SetWord(3, fields & 0xF);
    return true;
}

// Stage: the word picked by the sub-command times 16 plus the sub-command less one; -1 for none.
bool ReadStage(uint32_t value, ReadRequest& r) {
    if (value == 0xFFFFFFFFu) {
        r.SetWord(0, 0);
        return true;
    }
    const uint32_t sub = (value & 0xF) + 1;
    if (sub > 3) return false;
    r.SetWord(0, sub);
    r.SetWord(sub, value >> 4);
    return true;
}

// The value text of a command back into its data.
bool ReadValue(uint8_t command, std::string_view value, ReadRequest& r) {
    uint8_t bytes[16];
    size_t count = 0;
    switch (command) {
        case cmd::kStream:  // "0x" and the bytes: a count word, then the bytes from B4
            if (!value.starts_with("0x") || !text::ReadHexBytes(value.substr(2), bytes, sizeof bytes, count))
                return false;
            r.SetWord(0, static_cast<uint32_t>(count));
            r.SetBytes(4, bytes, count);
            return true;
        case cmd::kOperate:  // "x", the count word's two bytes as the gateway reads them, the bytes
            if (!value.starts_with('x') || !text::ReadHexBytes(value.substr(1), bytes, sizeof bytes, count) ||
                count < 2)
                return false;
            r.SetWord(0, static_cast<uint32_t>(count - 2));
            r.SetBytes(4, bytes + 2, count - 2);
            return true;
        default:
            break;
    }
    uint32_t word = 0;
    if (!text::ReadWord(value, word)) return false;
    if (command == cmd::kScfg) return ReadSensorConfig(word, r);
    if (command == cmd::kStg) return ReadStage(word, r);
    r.SetWord(0, word);
    return true;
}

bool ReadBody(std::string_view body, ReadRequest& r) {
    if (body == " ;") return true;  // command 0: the status record
    if (!body.ends_with(';')) return false;
    body.remove_suffix(1);
    const Mnemonic* mnemonic = FindMnemonic(body);
    if (mnemonic == nullptr) return false;
    const uint8_t command = mnemonic->number;
    const std::string_view value = body.substr(std::strlen(mnemonic->name));
    r.controlWord = static_cast<uint8_t>(r.controlWord | command);
    if (command == cmd::kDiscovery) {
        r.node = 127;  // the discovery broadcast, whatever node the wrapper names
        return value.empty();
    }
    if (command == cmd::kMdl) {  // the model request names its node as the value
        int64_t node = 0;
        if (!text::ReadNumber(value, 0, 127, node)) return false;
        r.node = static_cast<uint32_t>(node);
        return true;
    }
    return value.empty() || ReadValue(command, value, r);
}

}  // namespace

bool ReadText(std::string_view text, KymCanMsg& message) {
    ReadRequest r;
    std::string_view body;
    if (!text.starts_with('{')) {
        r.controlWord = 0x80;  // a bare body: node 0, answer requested
        body = text;
    } else if (!text::Unwrap(text, "{ADR=", r, body)) {
        return false;
    } else if ((r.controlWord & 0x80) == 0 && body.size() >= 2 && body.starts_with('{') &&
               body.ends_with('}')) {
        body = body.substr(1, body.size() - 2);  // "{ADR=n;{BODY}}"
    }
    if (!ReadBody(body, r)) return false;
    KymCanMsg packed{};
    const int done = r.withData ? PackSecondGen(r.node, r.controlWord, r.index, r.data, &packed)
                                : PackSecondGenGet(r.node, r.controlWord, r.index, &packed);
    if (done != 1) return false;
    message = packed;
    return true;
}

size_t TakeCommandText(std::string_view stream, bool firstGen, KymCanMsg& message, bool& known) {
    const size_t length = CommandTextLength(stream);
    const std::string_view text = stream.substr(0, length);
    known = length > 0 && (firstGen ? ReadTextLegacy(text, message) : ReadText(text, message));
    return length;
}

size_t CommandTextLength(std::string_view stream) {
    int depth = 0;
    bool nested = false;  // a brace inside the outer braces: the command is inside
    int separators = 0;   // ';' inside the outer braces
    for (size_t i = 0; i < stream.size(); ++i) {
        switch (stream[i]) {
            case '{':
                nested = nested || depth > 0;
                ++depth;
                break;
            case '}':
                if (depth == 0) return i + 1;  // a stray brace ends a (broken) text
                if (--depth == 0 && (nested || separators > 1)) return i + 1;
                break;
            case ';':
                if (depth == 0) return i + 1;
                if (depth == 1) ++separators;
                break;
            default:
                break;
        }
    }
    return 0;
}

}  // namespace norvane::sdk
