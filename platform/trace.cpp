#include "platform/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/clock.h"

namespace norvane::platform {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

TraceCapture& Capture() {
    static TraceCapture capture;
    return capture;
}

bool StderrWanted() {
    static const bool wanted = [] {
        const char* value = std::getenv("NORVANE_TRACE");
        return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
    }();
    return wanted;
}

}  // namespace

std::string FormatTraceLine(int hour, int minute, int second, int millisecond, const char* message) {
    char line[1200];
    std::snprintf(line, sizeof line, "%d:%d:%d %d:%s\n", hour, minute, second, millisecond,
                  message != nullptr ? message : "");
    return line;
}

void Trace(const char* message) {
    const LocalStamp now = LocalNow();
    const std::string line = FormatTraceLine(now.hour, now.minute, now.second, now.millisecond, message);
    std::lock_guard lock(SinkMutex());
    if (Capture()) Capture()(line);
    if (StderrWanted()) std::fputs(line.c_str(), stderr);
}

void TraceF(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Trace(text);
}

void SetTraceCapture(TraceCapture capture) {
    std::lock_guard lock(SinkMutex());
    Capture() = std::move(capture);
}

}  // namespace norvane::platform
