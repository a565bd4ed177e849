#pragma once
// Shared rig of the dialog logic tests: a recording SDK, recorded messages with a preset answer,
// the English texts, a target node, and a queue that stands in for the user-interface thread.
#include <functional>
#include <mutex>
#include <vector>

#include "bench/dialogs/device_target.h"
#include "bench_core/bench_fixtures.h"
#include "bench_core/recording_sdk.h"

namespace norvane::bench::test {

struct AnsweringMessages : RecordedMessages {
    Answer next = Answer::Yes;
    Answer Ask(const std::string& caption, const std::string& body, bool) override {
        Show(caption, body);
        return next;
    }
    std::vector<std::string> Shown() {
        std::lock_guard<std::mutex> lock(mutex);
        return shown;
    }
};

/// Functions posted by workers, run when the test (the "user-interface thread") drains them.
class UiQueue {
public:
    PostToUi Poster() {
        return [this](std::function<void()> f) {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(std::move(f));
        };
    }
    size_t Drain() {
        std::vector<std::function<void()>> run;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            run.swap(queue_);
        }
        for (auto& f : run) f();
        return run.size();
    }

private:
    std::mutex mutex_;
    std::vector<std::function<void()>> queue_;
};

struct DialogRig {
    RecordingSdk sdk;
    AnsweringMessages messages;
    Language language = ShippedLanguage("English.ini");
    DeviceTarget target{sdk.table, language, messages, 4096, 9};
    UiQueue ui;

    /// The recorded calls whose text starts with prefix.
    std::vector<std::string> CallsOf(const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& call : sdk.Calls())
            if (call.rfind(prefix, 0) == 0) out.push_back(call);
        return out;
    }
    KymReply& ReplyOf(const char* name) { return sdk.replyOf[name]; }
};

}  // namespace norvane::bench::test
