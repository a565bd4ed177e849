#pragma once
// Pure INI text rules of Para.ini, applied per line (Windows profile semantics: raw values,
// no escapes). Blanks are removed everywhere inside section names, keys and values.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::sdk::ini {

/// Section name of a section line (leading blanks skipped, starts with '['; every character up
/// to ']' except blanks and '['), or nothing when the line is not a section line.
std::optional<std::string> SectionName(std::string_view line);

struct KeyValue {
    std::string key;    ///< characters before '=' except blanks
    std::string value;  ///< characters after '=' except blanks, line feeds and carriage returns
};
/// Key and value of a key line; nothing for comments (';'), section lines and lines without '='.
std::optional<KeyValue> ParseKeyLine(std::string_view line);

/// Splits text into lines that keep their own terminators, so joining them gives the text back.
std::vector<std::string> SplitLines(std::string_view text);

/// Zero-based index of the key's line inside the section, or -1.
int FindKeyLine(const std::vector<std::string>& lines, std::string_view section, std::string_view key);

/// The key's value inside the section, or nothing.
std::optional<std::string> FindValue(const std::vector<std::string>& lines, std::string_view section,
                                     std::string_view key);

/// Replaces the key's line with key=value, keeping that line's own terminator ("\n" when it had
/// none). false, lines unchanged, when the key is not in the section.
bool ReplaceValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                  std::string_view value);

/// Integer reading of a value: "1" -> 1, "0" -> 0, otherwise its leading decimal digits (0 for none).
int ValueAsInteger(const std::string& value);

}  // namespace norvane::sdk::ini
