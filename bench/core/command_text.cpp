#include "bench/core/command_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "bench/core/text_format.h"

namespace norvane::bench::command {

std::vector<std::string> Cut(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(';', start);
        if (end == std::string_view::npos) break;
        out.emplace_back(text.substr(start, end - start + 1));
        start = end + 1;
    }
    return out;
}

std::string Normalise(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == ' ' || c == '=') continue;
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

Script PrepareScript(std::string_view bytes) {
    Script out;
    for (char c : bytes) {
        if (c == '\n' || c == '\r') continue;
        out.text += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (const size_t rpt = out.text.find("RPT"); rpt != std::string::npos) {
        out.repeat = Decimal(out.text, rpt + 3);
        out.text.erase(rpt);
    }
    return out;
}

int32_t Decimal(std::string_view text, size_t at) {
    if (at >= text.size()) return 0;
    size_t i = at;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (magnitude <= INT64_C(1) << 40) magnitude = magnitude * 10 + (text[i] - '0');
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int32_t>(value);
}

double Real(std::string_view text, size_t at) {
    if (at >= text.size()) return 0.0;
    const std::string copy(text.substr(at));
    return std::strtod(copy.c_str(), nullptr);
}

bool IsHex(std::string_view run) {
    if (run.empty()) return false;
    for (char c : run)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

int32_t Hex(std::string_view run) {
    if (!IsHex(run) || run.size() > 8) return -1;
    uint32_t value = 0;
    for (char c : run) {
        const uint32_t digit =
            c <= '9' ? static_cast<uint32_t>(c - '0') : static_cast<uint32_t>((c | 0x20) - 'a' + 10);
        value = value << 4 | digit;
    }
    return static_cast<int32_t>(value);
}

int32_t SwapBytes(int32_t value) {
    return ((value & 0xFF) << 8) | ((value >> 8) & 0xFF);
}

int32_t DecimalAsSwappedHex(int32_t value) {
    const std::string digits = FormatText("%04x", {int64_t{value}});
    return SwapBytes(Hex(std::string_view(digits).substr(0, 4)));
}

}  // namespace norvane::bench::command
