#pragma once
// The log writer every command path writes through: it builds the pane line from the time, the
// language text of "IDS_Site", the node and the text, and hands it to a sink. Write may be called
// from any thread (command box, script worker, notification callback); the sink serialises and,
// in the window, queues the line to the user-interface thread.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "bench/core/language.h"

namespace norvane::bench {

class LogWriter {
public:
    using Sink = std::function<void(const std::string& line)>;
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    LogWriter(const Language& language, Sink sink, Clock clock = std::chrono::system_clock::now)
        : language_(language), sink_(std::move(sink)), clock_(std::move(clock)) {}

    /// Writes the line "#: time: <IDS_Site>:<node> <text>".
    void Write(int node, std::string_view text) const;
    /// Writes "#: time: <text>" (lines without a node, such as the discovery summary).
    void WritePlain(std::string_view text) const;

private:
    const Language& language_;
    Sink sink_;
    Clock clock_;
};

}  // namespace norvane::bench
