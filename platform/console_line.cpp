#include "platform/console_line.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/trace.h"

namespace norvane::platform {
namespace {

std::atomic<ConsoleLines> where{ConsoleLines::Stdout};

}  // namespace

void SetConsoleLines(ConsoleLines lines) {
    where.store(lines, std::memory_order_relaxed);
}

ConsoleLines CurrentConsoleLines() {
    return where.load(std::memory_order_relaxed);
}

void ConsoleLine(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (CurrentConsoleLines() == ConsoleLines::Stdout) {
        std::fputs(text, stdout);
        return;
    }
    std::string line(text);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    Trace(line.c_str());
}

}  // namespace norvane::platform
