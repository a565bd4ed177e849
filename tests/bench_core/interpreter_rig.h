#pragma once
// The interpreter wired to a recording SDK table, the English texts and a line recorder.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "bench/core/interpreter.h"
#include "bench_fixtures.h"
#include "recording_sdk.h"

namespace norvane::bench::test {

using Lines = std::vector<std::string>;

// Interpreter wired to a recording SDK, the English texts and a line recorder.
struct InterpreterRig {
    RecordingSdk sdk;
    Language english = ShippedLanguage("English.ini");
    std::mutex mutex;
    std::condition_variable written;
    Lines lines;  ///< "Node:<n> <text>", the time cut off
    LogWriter log{english, [this](const std::string& line) {
                      {
                          std::lock_guard<std::mutex> lock(mutex);
                          lines.push_back(line.substr(std::string("#: 00:00:00:000: ").size()));
                      }
                      written.notify_all();
                  }};
    RecordedMessages messages;
    CommandState state;
    Sleeper sleeper;
    Interpreter interpreter{sdk.table, english, log, messages, state, sleeper};

    /// Blocks until a line equal to text has been written.
    void WaitForLine(const std::string& text) {
        std::unique_lock<std::mutex> lock(mutex);
        written.wait(lock, [&] { return std::find(lines.begin(), lines.end(), text) != lines.end(); });
    }
    Lines Written() {
        std::lock_guard<std::mutex> lock(mutex);
        return lines;
    }

    void Reset(int32_t result, int currentNode) {
        sdk.ClearCalls();
        lines.clear();
        sdk.result = result;
        sdk.reply = KymReply{};
        sdk.reply.field[0] = 100;
        const int32_t status[] = {1, 0, 1, 16, 12, 1000, 2000, 1240};
        std::copy(std::begin(status), std::end(status), sdk.reply.field + 1);
        std::memcpy(reinterpret_cast<char*>(sdk.reply.field) + 36, "KYM4703", 8);
        sdk.ids = {5, 6, 7};
        sdk.integerOut = 2;
        state.gateway = 0x1000;
        state.currentNode = currentNode;
    }
};

}  // namespace norvane::bench::test
