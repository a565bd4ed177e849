#pragma once
// The text command interpreter: each command ("SPD1000;", "ENA;", "GREG;", ...) becomes one SDK
// call through the function table on the connected gateway, and writes its result lines through
// the log writer. Shared by the command box (user-interface thread) and the script worker; every
// method may be called from either at once: the only shared state is atomic. A command blocks for
// its SDK call (and a SLEEP for its time).
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/core/language.h"
#include "bench/core/log_writer.h"
#include "bench/core/sdk_table.h"
#include "bench/core/sleeper.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

/// The interpreter's shared state, owned by the main window (or the headless runner).
struct CommandState {
    std::atomic<uint32_t> gateway{0};      ///< handle of the connected gateway (0 before any)
    std::atomic<int32_t> currentNode{-1};  ///< target of node commands; persists between commands
};

/// The fixed message shown when a text holds no command.
inline constexpr const char* kNoCommand = "error CMD.no';'";

class Interpreter {
public:
    Interpreter(const SdkTable& sdk, const Language& language, const LogWriter& log, UserMessages& messages,
                CommandState& state, Sleeper& sleeper)
        : sdk_(sdk), language_(language), log_(log), messages_(messages), state_(state), sleeper_(sleeper) {}

    /// Runs one command. nodeArgument 0 or 5-125 first makes that node the current one (the
    /// command box passes the first ticked node or 0); any other value (scripts pass -1) keeps it.
    void Execute(std::string_view command, int nodeArgument) const;
    /// Runs the commands in order, each with the same node argument.
    void RunList(const std::vector<std::string>& commands, int nodeArgument) const;
    /// Cuts text into commands and runs them; shows "error CMD.no';'" when there is none.
    void RunText(std::string_view text, int nodeArgument) const;
    /// Cuts text into commands; shows the message when there is none.
    std::vector<std::string> CutOrExplain(std::string_view text) const;

    /// Told of every successful MCFG read or write of a motor controller (node, the word it
    /// answered), on the thread that runs the command. Set before the first command runs.
    void SetMcfgObserver(std::function<void(int node, int32_t word)> observer) {
        mcfgObserver_ = std::move(observer);
    }

    CommandState& State() const { return state_; }
    /// true once the program is ending (its sleeper was shut down): lists stop early.
    bool Ending() const { return sleeper_.IsShutDown(); }

private:
    friend class CommandRun;
    const SdkTable& sdk_;
    const Language& language_;
    const LogWriter& log_;
    UserMessages& messages_;
    CommandState& state_;
    Sleeper& sleeper_;
    std::function<void(int, int32_t)> mcfgObserver_;
};

}  // namespace norvane::bench
