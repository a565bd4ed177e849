#include "bench/core/gw_param.h"

#include <climits>

#include "bench/core/settings_place.h"

namespace norvane::bench {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// One "%ld" conversion at text[at]: blanks, sign, at least one digit. Saturates at the 32-bit range.
bool ReadLong(std::string_view text, size_t& at, int32_t& value) {
    while (at < text.size() && IsSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const size_t digits = at;
    int64_t magnitude = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (magnitude <= INT64_C(1) << 40) magnitude = magnitude * 10 + (text[at] - '0');
        ++at;
    }
    if (at == digits) return false;
    int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    value = static_cast<int32_t>(v);
    return true;
}

}  // namespace

int ParseGwParams(std::string_view text, GwParams& params) {
    const size_t lineEnd = text.find('\n');
    const std::string_view line = text.substr(0, lineEnd);
    size_t at = 0;
    int read = 0;
    for (auto& field : params.field) {
        if (!ReadLong(line, at, field)) break;
        ++read;
        if (at >= line.size() || line[at] != ',') break;
        ++at;
    }
    return read;
}

std::string FormatGwParams(const GwParams& params) {
    std::string out;
    for (int32_t value : params.field) out += std::to_string(value) + ",";
    return out + "\n";
}

void LoadGwParams(const std::string& programDir, GwParams& params) {
    if (const auto text = SettingsPlace(programDir, kGwParamFile).Read()) ParseGwParams(*text, params);
}

std::optional<std::string> SaveGwParams(const std::string& programDir, const GwParams& params) {
    return SettingsPlace(programDir, kGwParamFile).Write(FormatGwParams(params));
}

SearchArguments BuildSearchArguments(const GwParams& params) {
    const auto& f = params.field;
    SearchArguments out;
    if (f[0] != 0) out.kindMask |= 1;
    if (f[1] != 0) out.kindMask |= 4;
    if (f[2] != 0) out.kindMask |= 8;
    if (f[3] != 0) out.kindMask |= 16;
    if (f[0] != 0 && f[4] != 0 && f[5] != 0) {
        out.words[0] = static_cast<uint32_t>(f[4]);
        out.words[1] = static_cast<uint32_t>(f[5]);
        out.passWords = true;
    }
    if (f[1] != 0 && f[7] != 0) {
        out.words[2] = 1;
        out.words[3] = static_cast<uint32_t>(f[7]);
        out.passWords = true;
    }
    if (f[3] != 0) {
        out.words[4] = 1;
        out.words[5] = static_cast<uint32_t>(f[6]);
        out.passWords = true;
    }
    return out;
}

}  // namespace norvane::bench
