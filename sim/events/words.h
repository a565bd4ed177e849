#pragma once
// Words of a control line: splitting, keywords and bounded numbers. Pure code.
#include <cstdint>
#include <string_view>
#include <vector>

namespace norvane::sim::events {

/// The blank-separated words of line.
std::vector<std::string_view> Words(std::string_view line);
/// word equals the lower-case keyword, ignoring case.
bool Is(std::string_view word, std::string_view keyword);
/// A decimal number (or 0x hex when hexAllowed) within [low, high].
bool Number(std::string_view s, int64_t low, int64_t high, int64_t& out, bool hexAllowed = false);

}  // namespace norvane::sim::events
