// Kestrin's language and settings files over arbitrary contents: the profile reader, the
// settings rewrite and the finished texts, used as formats with the arguments the program
// passes, never read out of bounds; a rewritten key reads back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bench/core/language.h"
#include "bench/core/profile_text.h"
#include "bench/core/text_format.h"

using namespace norvane::bench;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Language language;
    language.LoadText(text);
    for (const auto& [key, value] : profile::ReadSection(text, "String")) {
        const std::string finished = language.Lookup(key);
        FormatText(finished, {int64_t{1}});
        FormatText(finished, {int64_t{1}, int64_t{-2}});
        FormatText(finished, {int64_t{1}, int64_t{2}, int64_t{3}});
        FormatText(finished, {std::string_view(value)});
        FormatText(finished, {2.5});
    }
    // A name without line breaks, brackets or '=' that reads back after the rewrite.
    const std::string rewritten = profile::WriteValue(text, "Setting", "Language", "English");
    const auto back = profile::ReadValue(rewritten, "Setting", "Language");
    if (!back || *back != "English") {
        // The rewrite may only fail to read back when an earlier line of the section already
        // shadows the key under another spelling the reader matches first; that cannot happen
        // because the rewrite replaces the first match.
        std::abort();
    }
    return 0;
}
