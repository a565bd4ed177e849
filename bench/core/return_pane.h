#pragma once
// The return-message pane as a model, and the log writer's line. The pane holds the newest line
// on top; it is trimmed before each addition so it never grows much beyond 2000 characters.
// Pure and not thread-safe: the window keeps one on its user-interface thread.
#include <chrono>
#include <string>
#include <string_view>

namespace norvane::bench {

/// Local time of day as "hh:mm:ss:mmm".
std::string TimeOfDay(std::chrono::system_clock::time_point when);

/// "#: <time>: <site text>:<node> <text>", the log writer's line.
std::string LogLine(std::string_view time, std::string_view siteText, int node, std::string_view text);

class ReturnPane {
public:
    /// Puts line on top: a pane of more than 2000 characters first loses the 500 characters from
    /// position 1500; then the line goes above the old text with a "\r\n" between them.
    void Add(std::string_view line);
    /// Puts text on top with the same trimming but no separator (notice lines end in "\r\n").
    void Prepend(std::string_view text);
    void Clear() { text_.clear(); }
    const std::string& Text() const { return text_; }
    /// Length in characters (UTF-8 sequences count once).
    size_t Characters() const;

private:
    void Trim();
    std::string text_;
};

}  // namespace norvane::bench
