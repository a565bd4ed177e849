#pragma once
// Whole-file reading and writing for the program's small text files.
#include <optional>
#include <string>

namespace norvane::bench {

/// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileText(const std::string& path);
/// Replaces the file with text; false when it cannot be written.
bool WriteFileText(const std::string& path, const std::string& text);
/// path joined to name with exactly one '/' between them.
std::string JoinPath(const std::string& path, const std::string& name);

}  // namespace norvane::bench
