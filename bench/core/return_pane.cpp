#include "bench/core/return_pane.h"

#include <ctime>

#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

constexpr size_t kTrimAbove = 2000;
constexpr size_t kTrimAt = 1500;
constexpr size_t kTrimCount = 500;

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte offset of character number index (the text's size when it has fewer characters).
size_t OffsetOfCharacter(const std::string& text, size_t index) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsContinuation(text[i])) continue;
        if (characters == index) return i;
        ++characters;
    }
    return text.size();
}

}  // namespace

std::string TimeOfDay(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
    return FormatText("%02d:%02d:%02d:%03d", {int64_t{local.tm_hour}, int64_t{local.tm_min},
                                              int64_t{local.tm_sec}, static_cast<int64_t>(ms)});
}

std::string LogLine(std::string_view time, std::string_view siteText, int node, std::string_view text) {
    return FormatText("#: %s: %s:%d %s", {time, siteText, int64_t{node}, text});
}

size_t ReturnPane::Characters() const {
    size_t n = 0;
    for (char c : text_)
        if (!IsContinuation(c)) ++n;
    return n;
}

void ReturnPane::Trim() {
    if (Characters() > kTrimAbove) {
        const size_t from = OffsetOfCharacter(text_, kTrimAt);
        const size_t to = OffsetOfCharacter(text_, kTrimAt + kTrimCount);
        text_.erase(from, to - from);
    }
}

void ReturnPane::Prepend(std::string_view text) {
    Trim();
    text_ = std::string(text) + text_;
}

void ReturnPane::Add(std::string_view line) {
    Trim();
    if (text_.empty())
        text_ = std::string(line);
    else
        text_ = std::string(line) + "\r\n" + text_;
}

}  // namespace norvane::bench
