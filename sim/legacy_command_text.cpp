#include "sim/legacy_command_text.h"

#include "sim/text_numbers.h"

namespace norvane::sim {
namespace {

// Where a command puts its index and value in the message.
enum class Layout : uint8_t {
    Index8Value8,       // d0 index, d1 value
    Index8Value16,      // d0 index, d1-d2 value
    Index8Value32,      // d0 index, d1-d4 value
    Index16Value32,     // d0-d1 index, d2-d5 value
    Index8Gap8Value16,  // d0 index, d1 0, d2-d3 value
    Index8,             // d0 index only
    Value16,
    Value32,
    None,
    Bytes,   // "x" and hexadecimal byte pairs, in order
    Serial,  // "sn;", "sn[id]serial;", "snvalue;"
};

struct Mnemonic {
    std::string_view text;
    uint8_t command;
    Layout layout;
};

constexpr Mnemonic kMnemonics[] = {
    {"pp", 1, Layout::Index8Value8},
    {"ic", 6, Layout::Index8Value8},
    {"ie", 7, Layout::Index8Value16},
    {"sv", 10, Layout::Bytes},
    {"ml", 11, Layout::None},
    {"sn", 12, Layout::Serial},
    {"tm", 14, Layout::Value32},
    {"er", 15, Layout::Index8Value16},
    {"mt", 16, Layout::Index8Value16},
    {"rg", 20, Layout::Bytes},
    {"mo", 21, Layout::Value32},
    {"bg", 22, Layout::None},
    {"st", 23, Layout::None},
    {"mf", 24, Layout::Value16},
    {"ac", 25, Layout::Value32},
    {"dc", 26, Layout::Value32},
    {"ss", 27, Layout::Value32},
    {"sd", 28, Layout::Value32},
    {"jv", 29, Layout::Value32},
    {"sp", 30, Layout::Value32},
    {"pr", 31, Layout::Value32},
    {"pa", 32, Layout::Value32},
    {"og", 33, Layout::Value32},
    {"mp", 34, Layout::Index8Value16},
    {"pv", 35, Layout::Value32},
    {"qp", 37, Layout::Index16Value32},
    {"qv", 38, Layout::Index16Value32},
    {"qt", 39, Layout::Index8Gap8Value16},
    {"qa", 40, Layout::Index8Gap8Value16},
    {"lm", 44, Layout::Index8Value32},
    {"bl", 45, Layout::Value32},
    {"dv", 46, Layout::Index8Value16},
    {"io", 51, Layout::Index8Value16},
    {"il", 52, Layout::Index8Value16},
    {"tg", 53, Layout::Index8Value16},
    {"ai", 54, Layout::Index8},
    {"di", 55, Layout::Bytes},
    {"ti", 58, Layout::Value32},
    {"qe", 61, Layout::Index8Value16},
    {"op", 81, Layout::Bytes},
    {"sy", 126, Layout::Value16},
    {"ZFx", 127, Layout::Bytes},
};

class Writer {
public:
    explicit Writer(TextRequest& r) : r_(r) {}
    void Put(uint32_t value, uint8_t bytes) {
        for (uint8_t i = 0; i < bytes && r_.length < 8; ++i)
            r_.data[r_.length++] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
    }

private:
    TextRequest& r_;
};

// The address wrapper: node, whether an answer is wanted, and the command part.
bool Unwrap(std::string_view text, uint8_t& node, bool& answer, std::string_view& command) {
    if (text.empty() || text[0] != '{') {
        node = kBareTextNode;
        answer = true;
        command = text;
        return true;
    }
    if (text.size() < 5 || text[1] != '*') return false;
    const size_t semicolon = text.find(';');
    if (semicolon == std::string_view::npos) return false;
    int64_t n = 0;
    if (!ParseInt(text.substr(2, semicolon - 2), n) || n < 0 || n > 127) return false;
    node = static_cast<uint8_t>(n);
    std::string_view rest = text.substr(semicolon + 1);
    if (!rest.empty() && rest[0] == '}') {  // "{*n;}cmd;": answer wanted
        answer = true;
        command = rest.substr(1);
        return true;
    }
    if (rest.size() < 2 || rest.back() != '}') return false;  // "{*n;cmd;}"
    answer = false;
    command = rest.substr(0, rest.size() - 1);
    return true;
}

bool PutValue(Layout layout, std::string_view value, Writer& put, TextRequest& r) {
    if (layout == Layout::Bytes && !value.empty() && (value[0] == 'x' || value[0] == 'X')) {
        size_t count = 0;
        if (!ParseHexBytes(value.substr(1), r.data + r.length, 8u - r.length, count)) return false;
        r.length = static_cast<uint8_t>(r.length + count);
        return true;
    }
    int64_t v = 0;
    if (!ParseInt(value, v) || v < INT32_MIN || v > UINT32_MAX) return false;
    const auto word = static_cast<uint32_t>(v);
    switch (layout) {
        case Layout::Index8Value8:
            put.Put(word, 1);
            break;
        case Layout::Index8Value16:
        case Layout::Index8Gap8Value16:
        case Layout::Value16:
            put.Put(word, 2);
            break;
        case Layout::None:
        case Layout::Index8:
            break;
        default:
            put.Put(word, 4);
            break;
    }
    return true;
}

}  // namespace

std::optional<TextRequest> ParseLegacyCommandText(std::string_view text) {
    TextRequest r;
    bool answer = false;
    std::string_view command;
    if (!Unwrap(text, r.node, answer, command)) return std::nullopt;
    if (command.size() < 3 || command.back() != ';') return std::nullopt;
    command.remove_suffix(1);
    const Mnemonic* found = nullptr;
    for (const Mnemonic& m : kMnemonics) {
        if (command.substr(0, m.text.size()) == m.text) found = &m;
    }
    if (found == nullptr) return std::nullopt;
    r.controlWord = static_cast<uint8_t>(found->command | (answer ? 0x80 : 0));
    std::string_view rest = command.substr(found->text.size());

    bool indexed = false;
    int64_t index = 0;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string_view::npos || !ParseInt(rest.substr(1, close - 1), index) || index < -128 ||
            index > 65535)
            return std::nullopt;
        indexed = true;
        rest = rest.substr(close + 1);
    }
    // Two blanks stand for "no value" (a read).
    const bool noValue = rest.empty() || rest.find_first_not_of(' ') == std::string_view::npos;
    Writer put(r);
    const auto i = static_cast<uint32_t>(index);
    switch (found->layout) {
        case Layout::Index8Value8:
        case Layout::Index8Value16:
        case Layout::Index8Value32:
        case Layout::Index8:
            put.Put(i, 1);
            break;
        case Layout::Index16Value32:
            put.Put(i, 2);
            break;
        case Layout::Index8Gap8Value16:
            put.Put(i, 1);
            put.Put(0, 1);
            break;
        case Layout::Serial:
            if (indexed) {
                put.Put(i, 1);  // new address, then the serial number that takes it
            }
            break;
        default:
            if (indexed) return std::nullopt;
            break;
    }
    if (noValue) return r;
    if (found->command == 127) {  // a firmware line: the "x" is part of the mnemonic
        size_t count = 0;
        if (!ParseHexBytes(rest, r.data, sizeof r.data, count)) return std::nullopt;
        r.length = static_cast<uint8_t>(count);
        return r;
    }
    if (!PutValue(found->layout == Layout::Serial ? Layout::Value32 : found->layout, rest, put, r))
        return std::nullopt;
    return r;
}

}  // namespace norvane::sim
