#include "bench/dialogs/param_csv.h"

#include <algorithm>
#include <limits>

namespace norvane::bench {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<size_t> BatchKeyIndex(std::string_view key) {
    for (size_t i = 0; i < kBatchKeys.size(); ++i) {
        const std::string_view accepted = kBatchKeys[i];
        if (accepted.size() != key.size()) continue;
        bool same = true;
        for (size_t k = 0; k < key.size() && same; ++k) same = Upper(key[k]) == accepted[k];
        if (same) return i;
    }
    return std::nullopt;
}

CsvImport ParseParameterCsv(std::string_view text) {
    CsvImport result;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        at = next;

        const size_t comma = line.find(',');
        CsvLine parsed;
        parsed.key = std::string(line.substr(0, comma));
        if (comma != std::string_view::npos) {
            const std::string_view rest = line.substr(comma + 1);
            if (rest.find(',') == std::string_view::npos) parsed.value = std::string(rest);
        }
        if (!BatchKeyIndex(parsed.key)) {
            result.refused = parsed.key;
            result.lines.clear();
            return result;
        }
        result.lines.push_back(std::move(parsed));
    }
    return result;
}

int32_t LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && Blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), kLimit);
    if (negative) value = -value;
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::string FormatParameterCsv(const std::vector<CsvLine>& lines) {
    std::string text;
    for (const CsvLine& line : lines) text += line.key + "," + line.value + "\r\n";
    return text;
}

}  // namespace norvane::bench
