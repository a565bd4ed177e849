#pragma once
// The SDK's one trace sink: "%d:%d:%d %d:%s\n" lines (local hour, minute, second,
// millisecond, message). Lines go to stderr when NORVANE_TRACE is set to a non-empty value
// other than "0", and to a capture hook when a test installed one. Thread-safe.
#include <functional>
#include <string>

namespace norvane::platform {

/// Writes one trace line for the message (the message keeps its own line ends).
void Trace(const char* message);
/// printf-style convenience; the formatted text is cut at 1023 characters.
void TraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Formats one trace line for the message at the given stamp; pure.
std::string FormatTraceLine(int hour, int minute, int second, int millisecond, const char* message);

/// Installs (or, with an empty function, removes) a hook that receives every formatted line.
using TraceCapture = std::function<void(const std::string& line)>;
void SetTraceCapture(TraceCapture capture);

}  // namespace norvane::platform
