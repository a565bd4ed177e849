#pragma once
// The script runner: runs a script file's commands on a worker thread, as many passes as its RPT
// asks, with the node argument -1 (the script chooses its node with ADR). Start, Stop and Wait
// belong to one owner thread (the user-interface thread or the headless runner); the worker
// calls the interpreter, the log writer and the message sink, which are safe from any thread.
// A stop lets the worker finish the pass it is in; a new start is refused until it has ended.
#include <atomic>
#include <string>
#include <thread>

#include "bench/core/interpreter.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

inline constexpr const char* kOpenScriptFailed = "Open script fail!";
inline constexpr const char* kEmptyScript = "No instruction in the script file!";
inline constexpr const char* kScriptStillStopping =
    "The stopped script is still finishing its pass, try again later!";

class ScriptRunner {
public:
    enum class Start { Started, AlreadyRunning, StillStopping, OpenFailed, Empty };

    ScriptRunner(const Interpreter& interpreter, UserMessages& messages)
        : interpreter_(interpreter), messages_(messages) {}
    /// Stops and joins the worker (the owner shuts the sleeper down first to cut a SLEEP short).
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    /// Reads the file and starts it; shows "Open script fail!" or the empty-script message.
    Start StartFile(const std::string& path);
    /// Starts the script text (the file's bytes).
    Start StartText(std::string bytes);
    /// Asks the worker to end after its current pass. Returns at once.
    void Stop() { running_.store(false); }
    /// The script-running flag: true from a start until the last pass or a stop.
    bool Running() const { return running_.load(); }
    /// true while a worker thread still executes (also after a stop, until its pass ends).
    bool WorkerActive() const { return active_.load(); }
    /// Blocks until the worker has ended (joins it).
    void Wait();

private:
    void Work(const std::string& bytes);

    const Interpreter& interpreter_;
    UserMessages& messages_;
    std::atomic<bool> running_{false};
    std::atomic<bool> active_{false};
    std::thread worker_;
};

}  // namespace norvane::bench
