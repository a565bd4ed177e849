#pragma once
// kestrin's command line: what the program is asked to do before anything opens. Pure.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvane::bench {

struct KestrinCommand {
    enum class Action { Window, Headless, Usage, Version, BadArguments };
    Action action = Action::Window;
    bool connect = false;                  ///< window: --connect
    std::optional<uint16_t> ethernetPort;  ///< window: --port N
    std::string error;                     ///< BadArguments: one line
};

/// Reads the arguments after the program name. -h/--help and --version win over everything else
/// (with --headless too, where they are read as the runner reads its options, so a value such as
/// `--command --help` is not taken for them). Without --headless, arguments kestrin does not know
/// are left to Qt (-platform, -style, ...).
KestrinCommand ParseKestrinCommand(const std::vector<std::string>& args);

/// The whole usage, window and headless, printed for -h and --help.
std::string KestrinUsage();

}  // namespace norvane::bench
