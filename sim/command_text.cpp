#include "sim/command_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "sim/text_numbers.h"

namespace norvane::sim {
namespace {

struct Mnemonic {
    std::string_view text;
    uint8_t command;
};

// Every mnemonic a host writes, with its command number.
constexpr Mnemonic kMnemonics[] = {
    {"ENA", 1},     {"OFF", 2},   {"ORG", 3},   {"DOUT", 4},   {"ACR", 6},   {"SPD", 7},   {"MCS", 8},
    {"CUR", 9},     {"STP", 10},  {"POS", 11},  {"QEC", 12},   {"GOFF", 22}, {"gORG", 23}, {"GDOUT", 24},
    {"GACR", 26},   {"gSPD", 27}, {"GMCS", 28}, {"GCUR", 29},  {"gSTP", 30}, {"gPOS", 31}, {"gQEC", 32},
    {"MACC", 42},   {"MDEC", 43}, {"MMSS", 44}, {"MMDS", 45},  {"MCFG", 46}, {"SCFG", 47}, {"STG", 48},
    {"SETADR", 51}, {"BDR", 52},  {"BTR", 53},  {"STORE", 54}, {"QER", 56},  {"SQT", 58},  {"BLC", 59},
    {"FBK", 61},    {"NRD", 62},  {"SFBK", 63}, {"gREG", 64},  {"MDL", 65},  {"IOC", 71},  {"DVA", 72},
    {"PMD", 73},    {"PMB", 74},  {"PBR", 75},  {"AVA", 76},   {"ICFG", 81}, {"OPR", 82},  {"DMA", 83},
    {"RPT", 86},    {"RPC", 87},
};

void PutLe(TextRequest& r, uint32_t v, uint8_t bytes) {
    for (uint8_t i = 0; i < bytes; ++i) r.data[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
    r.length = bytes;
}

/// Data bytes of a command carrying one number, as the message layout of that command has them.
void PackValue(TextRequest& r, uint8_t command, int64_t value) {
    const auto v = static_cast<uint32_t>(value);
    switch (command) {
        case 1:
        case 44:
        case 45:
        case 56:
        case 58:
        case 59:
            PutLe(r, v & 0xFFFF, 2);
            break;
        case 4:
        case 6:
        case 53:
        case 54:
        case 76:
        case 83:
        case 22:
        case 24:
        case 26:
        case 28:
        case 29:
            PutLe(r, v & 0xFF, 1);
            break;
        case 8:
        case 9:
        case 51:
        case 126:
            PutLe(r, v & 0x7F, 1);
            break;
        case 46:
        case 81:
            PutLe(r, v & 0xFFFF, 4);
            break;
        case 47: {  // value = fields * 16 + sub-command; message: two field bytes, then the index
            static constexpr uint8_t kIndex[4] = {0, 1, 3, 2};
            const uint32_t fields = v >> 4;
            r.data[0] = static_cast<uint8_t>(fields & 0xFF);
            r.data[1] = static_cast<uint8_t>((fields >> 8) & 0xFF);
            r.data[2] = kIndex[v & 3];
            r.length = 3;
            break;
        }
        case 48:  // value = setting * 16 + group, or -1
            if (value < 0) {
                PutLe(r, 0, 3);
            } else {
                r.data[0] = static_cast<uint8_t>((v >> 4) & 0xFF);
                r.data[1] = static_cast<uint8_t>((v >> 12) & 0xFF);
                r.data[2] = static_cast<uint8_t>(v & 0x0F);
                r.length = 3;
            }
            break;
        default:
            PutLe(r, v, 4);
    }
}

bool ParseBody(std::string_view body, TextRequest& r) {
    if (body == " ;") return true;  // status request, command 0
    if (body.empty() || body.back() != ';') return false;
    body.remove_suffix(1);
    const Mnemonic* best = nullptr;
    for (const auto& m : kMnemonics) {
        if (body.substr(0, m.text.size()) == m.text && (!best || m.text.size() > best->text.size()))
            best = &m;
    }
    if (!best) return false;
    const uint8_t command = best->command;
    const std::string_view value = body.substr(best->text.size());
    r.controlWord = static_cast<uint8_t>((r.controlWord & 0x80) | command);
    if (command >= 22 && command <= 32) r.node = 0;
    if (command == 64) {
        r.node = 127;
        r.controlWord = 0xC0;  // discovery always asks for answers
        return value.empty();
    }
    if (value.empty()) return true;
    if (command == 62) {  // "0x" and the stream bytes
        size_t n = 0;
        if (value.substr(0, 2) != "0x" || !ParseHexBytes(value.substr(2), r.data, 8, n)) return false;
        r.length = static_cast<uint8_t>(n);
        return true;
    }
    if (command == 82) {  // "x", the count word's two bytes, then the operation bytes
        size_t n = 0;
        uint8_t bytes[16] = {};
        if (value[0] != 'x' || !ParseHexBytes(value.substr(1), bytes, sizeof bytes, n) || n < 2) return false;
        r.length = static_cast<uint8_t>(std::min<size_t>(n - 2, 7));
        for (uint8_t i = 0; i < r.length; ++i) r.data[i] = bytes[2 + i];
        return true;
    }
    int64_t number = 0;
    if (!ParseInt(value, number)) return false;
    if (command == 65) {  // the model request names its node as the value
        if (number < 0 || number > 127) return false;
        r.node = static_cast<uint8_t>(number);
        return true;
    }
    PackValue(r, command, number);
    return true;
}

}  // namespace

std::optional<TextRequest> ParseCommandText(std::string_view text) {
    TextRequest r;
    constexpr std::string_view kAddress = "{ADR=";
    if (text.substr(0, kAddress.size()) != kAddress) {
        r.controlWord = 0x80;  // a bare body is the acknowledged form for node 0
        if (!ParseBody(text, r)) return std::nullopt;
        return r;
    }
    text.remove_prefix(kAddress.size());
    const size_t semicolon = text.find(';');
    int64_t node = 0;
    if (semicolon == std::string_view::npos || !ParseInt(text.substr(0, semicolon), node) || node < 0 ||
        node > 127) {
        return std::nullopt;
    }
    r.node = static_cast<uint8_t>(node);
    text.remove_prefix(semicolon + 1);
    if (!text.empty() && text.front() == '}') {  // "{ADR=n;}BODY": answer requested
        r.controlWord = 0x80;
        text.remove_prefix(1);
        if (!ParseBody(text, r)) return std::nullopt;
        return r;
    }
    // "{ADR=n;BODY}" or "{ADR=n;{BODY}}": no answer requested.
    if (text.empty() || text.back() != '}') return std::nullopt;
    text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == '{' && text.back() == '}') text = text.substr(1, text.size() - 2);
    if (!ParseBody(text, r)) return std::nullopt;
    return r;
}

}  // namespace norvane::sim

namespace norvane::sim {

size_t CommandTextLength(std::string_view stream) {
    int depth = 0;
    bool nested = false;      // a brace inside the outer braces: the command is inside
    int innerSeparators = 0;  // ';' inside the outer braces
    for (size_t i = 0; i < stream.size(); ++i) {
        const char c = stream[i];
        if (c == '{') {
            if (depth > 0) nested = true;
            ++depth;
        } else if (c == '}') {
            if (depth == 0) return i + 1;  // a stray closing brace ends a (broken) text
            if (--depth == 0 && (nested || innerSeparators > 1)) return i + 1;
        } else if (c == ';') {
            if (depth == 0) return i + 1;
            if (depth == 1) ++innerSeparators;
        }
    }
    return 0;
}

}  // namespace norvane::sim
