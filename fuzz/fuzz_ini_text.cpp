// Para.ini text rules over arbitrary file contents: splitting, section and key parsing, lookup
// and rewrite never read out of bounds, and a rewrite changes exactly one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sdk/api/ini_text.h"

using namespace norvane::sdk::ini;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that any read past the text shows up.
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines = SplitLines(text);
    std::string joined;
    for (const std::string& line : lines) {
        joined += line;
        SectionName(line);
        if (const auto entry = ParseKeyLine(line)) ValueAsInteger(entry->value);
    }
    if (joined != text) std::abort();  // splitting keeps every byte

    // Look up and rewrite a key taken from the text itself, in a section taken from it too.
    std::string section = "SystemConfig";
    std::string key = "AutoConnect";
    for (const std::string& line : lines) {
        if (const auto name = SectionName(line)) section = *name;
        if (const auto entry = ParseKeyLine(line)) key = entry->key;
    }
    const int index = FindKeyLine(lines, section, key);
    FindValue(lines, section, key);
    std::vector<std::string> rewritten = lines;
    const bool replaced = ReplaceValue(rewritten, section, key, "1");
    if (replaced != (index >= 0) || rewritten.size() != lines.size()) std::abort();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<int>(i) != index && rewritten[i] != lines[i]) std::abort();
    }
    return 0;
}
