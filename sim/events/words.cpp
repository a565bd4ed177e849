#include "sim/events/words.h"

#include <cctype>
#include <charconv>

namespace norvane::sim::events {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool Is(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(word[i])) != keyword[i]) return false;
    return true;
}

bool Number(std::string_view s, int64_t low, int64_t high, int64_t& out, bool hexAllowed) {
    int base = 10;
    if (hexAllowed && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    if (s.empty() || s[0] == '+') return false;
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size() || v < low || v > high) return false;
    out = v;
    return true;
}

}  // namespace norvane::sim::events
