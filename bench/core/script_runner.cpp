#include "bench/core/script_runner.h"

#include "bench/core/command_text.h"
#include "bench/core/file_text.h"

namespace norvane::bench {

ScriptRunner::~ScriptRunner() {
    Stop();
    Wait();
}

ScriptRunner::Start ScriptRunner::StartFile(const std::string& path) {
    if (Running()) return Start::AlreadyRunning;
    const auto bytes = ReadFileText(path);
    if (!bytes) {
        messages_.Show(kApplicationTitle, kOpenScriptFailed);
        return Start::OpenFailed;
    }
    return StartText(*bytes);
}

ScriptRunner::Start ScriptRunner::StartText(std::string bytes) {
    if (Running()) return Start::AlreadyRunning;
    // Two workers would share the current node and the running flag: wait for the old one.
    if (WorkerActive()) {
        messages_.Show(kApplicationTitle, kScriptStillStopping);
        return Start::StillStopping;
    }
    if (bytes.empty()) {
        messages_.Show(kApplicationTitle, kEmptyScript);
        return Start::Empty;
    }
    Wait();  // the previous worker has ended; release its thread
    running_.store(true);
    active_.store(true);
    worker_ = std::thread(&ScriptRunner::Work, this, std::move(bytes));
    return Start::Started;
}

void ScriptRunner::Wait() {
    if (worker_.joinable()) worker_.join();
}

void ScriptRunner::Work(const std::string& bytes) {
    const command::Script script = command::PrepareScript(bytes);
    const std::vector<std::string> commands = interpreter_.CutOrExplain(script.text);
    int64_t remaining = script.repeat;
    do {
        interpreter_.RunList(commands, -1);
        --remaining;
    } while (running_.load() && remaining > 0 && !commands.empty() && !interpreter_.Ending());
    running_.store(false);
    active_.store(false);
}

}  // namespace norvane::bench
