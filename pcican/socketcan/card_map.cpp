#include "pcican/socketcan/card_map.h"

#include <algorithm>

namespace norvane::halbox::socketcan {
namespace {

constexpr size_t kMaxNameLength = 15;  // IFNAMSIZ less the terminating zero

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ValidInterfaceName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || c == ':' || c == ' ' || u < 0x20 || u == 0x7F;
    });
}

std::vector<CardInterfaces> ParseCardMap(const std::string& text, std::vector<std::string>& problems) {
    std::vector<CardInterfaces> cards;
    for (const std::string& card : Split(text, ';')) {
        CardInterfaces names;
        const std::vector<std::string> channels = Split(card, ',');
        for (size_t c = 0; c < channels.size(); ++c) {
            const std::string name = Trimmed(channels[c]);
            if (name.empty()) continue;
            if (c >= names.size())
                problems.push_back("card " + std::to_string(cards.size()) +
                                   " has more than two channels; \"" + name + "\" is left out");
            else if (!ValidInterfaceName(name))
                problems.push_back("\"" + name + "\" is not an interface name; channel " + std::to_string(c) +
                                   " of card " + std::to_string(cards.size()) + " is absent");
            else
                names[c] = name;
        }
        cards.push_back(names);
    }
    return cards;
}

std::vector<CardInterfaces> PairInterfaces(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), NaturalLess);
    std::vector<CardInterfaces> cards;
    for (size_t i = 0; i < names.size(); i += 2)
        cards.push_back({names[i], i + 1 < names.size() ? names[i + 1] : std::string()});
    return cards;
}

bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && IsDigit(a[ei])) ++ei;
            while (ej < b.size() && IsDigit(b[ej])) ++ej;
            // Compare the values without leading zeros: the longer run is larger, else byte by byte.
            size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            const int order = a.compare(si, ei - si, b, sj, ej - sj);
            if (order != 0) return order < 0;
            if (ei - i != ej - j) return ei - i < ej - j;  // fewer leading zeros first
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

}  // namespace norvane::halbox::socketcan
