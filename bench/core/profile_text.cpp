#include "bench/core/profile_text.h"

#include <vector>

namespace norvane::bench::profile {

namespace {

struct Line {
    size_t begin = 0;          ///< offset of the line in the text
    size_t end = 0;            ///< offset after its terminator
    std::string_view content;  ///< without its line terminator
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t at = 0;
    // A UTF-8 byte order mark is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") at = 3;
    while (at < text.size()) {
        size_t stop = text.find('\n', at);
        const size_t end = stop == std::string_view::npos ? text.size() : stop + 1;
        if (stop == std::string_view::npos) stop = text.size();
        std::string_view content = text.substr(at, stop - at);
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        lines.push_back({at, end, content});
        at = end;
    }
    return lines;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return Trim(line.substr(1));
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> KeyOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
    const size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view value = Trim(trimmed.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return KeyLine{Trim(trimmed.substr(0, eq)), value};
}

// Index range [first, last) of the lines of the first section named section; first = npos when absent.
std::pair<size_t, size_t> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionOf(lines[i].content);
        if (!name || !SameName(*name, section)) continue;
        size_t j = i + 1;
        while (j < lines.size() && !SectionOf(lines[j].content)) ++j;
        return {i + 1, j};
    }
    return {std::string_view::npos, 0};
}

}  // namespace

std::string FoldKey(std::string_view key) {
    std::string out(key);
    for (char& c : out) c = Upper(c);
    return out;
}

std::optional<std::string> ReadValue(std::string_view text, std::string_view section, std::string_view key) {
    const auto lines = SplitLines(text);
    const auto [first, last] = FindSection(lines, section);
    if (first == std::string_view::npos) return std::nullopt;
    for (size_t i = first; i < last; ++i) {
        const auto kv = KeyOf(lines[i].content);
        if (kv && SameName(kv->key, key)) return std::string(kv->value);
    }
    return std::nullopt;
}

std::map<std::string, std::string> ReadSection(std::string_view text, std::string_view section) {
    std::map<std::string, std::string> out;
    const auto lines = SplitLines(text);
    const auto [first, last] = FindSection(lines, section);
    if (first == std::string_view::npos) return out;
    for (size_t i = first; i < last; ++i) {
        const auto kv = KeyOf(lines[i].content);
        if (kv) out.emplace(FoldKey(kv->key), std::string(kv->value));
    }
    return out;
}

std::string WriteValue(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value) {
    const auto lines = SplitLines(text);
    const std::string entry = std::string(key) + "=" + std::string(value);
    const auto [first, last] = FindSection(lines, section);
    std::string out;
    if (first == std::string_view::npos) {
        out = std::string(text);
        if (!out.empty() && out.back() != '\n') out += "\n";
        out += "[" + std::string(section) + "]\n" + entry + "\n";
        return out;
    }
    for (size_t i = first; i < last; ++i) {
        const auto kv = KeyOf(lines[i].content);
        if (!kv || !SameName(kv->key, key)) continue;
        const size_t contentEnd = lines[i].begin + lines[i].content.size();
        return std::string(text.substr(0, lines[i].begin)) + entry + std::string(text.substr(contentEnd));
    }
    // After the section's last non-blank line.
    size_t after = first;
    for (size_t i = first; i < last; ++i)
        if (!Trim(lines[i].content).empty()) after = i + 1;
    const size_t at = after == 0 ? 0 : lines[after - 1].end;
    std::string head(text.substr(0, at));
    if (!head.empty() && head.back() != '\n') head += "\n";
    return head + entry + "\n" + std::string(text.substr(at));
}

}  // namespace norvane::bench::profile
