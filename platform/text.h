#pragma once
// Small text helpers for the configuration files the SDK and platform read.
#include <string_view>

namespace norvane::platform {

/// text without leading and trailing spaces, tabs and line ends.
inline std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace norvane::platform
