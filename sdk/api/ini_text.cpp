#include "sdk/api/ini_text.h"

#include <climits>
#include <cstdlib>

namespace norvane::sdk::ini {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    return line.substr(i);
}

}  // namespace

std::optional<std::string> SectionName(std::string_view line) {
    line = SkipBlanks(line);
    if (line.empty() || line[0] != '[') return std::nullopt;
    std::string name;
    for (size_t i = 1; i < line.size() && line[i] != ']'; ++i) {
        const char c = line[i];
        if (IsBlank(c) || c == '[' || c == '\r' || c == '\n') continue;
        name.push_back(c);
    }
    return name;
}

std::optional<KeyValue> ParseKeyLine(std::string_view line) {
    if (!line.empty() && line[0] == ';') return std::nullopt;
    line = SkipBlanks(line);
    if (line.empty() || line[0] == '[' || line[0] == ';') return std::nullopt;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    KeyValue result;
    for (char c : line.substr(0, equals)) {
        if (!IsBlank(c)) result.key.push_back(c);
    }
    for (char c : line.substr(equals + 1)) {
        if (!IsBlank(c) && c != '\n' && c != '\r') result.value.push_back(c);
    }
    return result;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const size_t stop = end == std::string_view::npos ? text.size() : end + 1;
        lines.emplace_back(text.substr(start, stop - start));
        start = stop;
    }
    return lines;
}

int FindKeyLine(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            inSection = *name == section;
            continue;
        }
        if (!inSection) continue;
        const auto entry = ParseKeyLine(lines[i]);
        if (entry && entry->key == key) return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::string> FindValue(const std::vector<std::string>& lines, std::string_view section,
                                     std::string_view key) {
    const int index = FindKeyLine(lines, section, key);
    if (index < 0) return std::nullopt;
    return ParseKeyLine(lines[static_cast<size_t>(index)])->value;
}

bool ReplaceValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                  std::string_view value) {
    const int index = FindKeyLine(lines, section, key);
    if (index < 0) return false;
    std::string& line = lines[static_cast<size_t>(index)];
    std::string terminator = "\n";
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) terminator = "\r\n";
    line = std::string(key) + "=" + std::string(value) + terminator;
    return true;
}

int ValueAsInteger(const std::string& value) {
    if (value == "1") return 1;
    if (value == "0") return 0;
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}

}  // namespace norvane::sdk::ini
