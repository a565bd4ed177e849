#pragma once
// Profile (INI) text with the rules of the Windows profile functions, which the program's
// language files and settings file follow: section and key names match without regard to ASCII
// case, the first matching section and key win, values are taken raw (no escapes) with the blanks
// around them removed and one pair of enclosing quotes dropped, lines starting with ';' are
// comments. Pure: texts in, texts out.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::bench::profile {

/// The value of key in section, or nothing when the section or the key is missing.
std::optional<std::string> ReadValue(std::string_view text, std::string_view section, std::string_view key);

/// Every key of section with its value (first occurrence of a key wins; keys stored as written).
/// Lookups in the result must use the key as written in the file; see FoldKey.
std::map<std::string, std::string> ReadSection(std::string_view text, std::string_view section);

/// ASCII upper-case form of a key, for case-insensitive maps.
std::string FoldKey(std::string_view key);

/// text with key in section set to value: the key's line replaced, or a line added at the end
/// of the section, or the section added at the end of the text.
std::string WriteValue(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value);

}  // namespace norvane::bench::profile
