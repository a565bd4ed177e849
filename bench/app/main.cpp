// kestrin: the evaluation program. Without --headless it opens its window (kestrin [--port N]
// [--connect]: the Ethernet gateways' server port; search, connect and discover at start);
// kestrin --headless [options] runs the same core without one (see the README). -h, --help and
// --version print and exit before anything opens, so they work without a display.
#include <iostream>
#include <string>
#include <vector>

#include "bench/headless/command_line.h"
#include "bench/headless/headless_runner.h"
#include "bench/widgets/main_window.h"
#include "norvane_version.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    using norvane::bench::KestrinCommand;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const KestrinCommand command = norvane::bench::ParseKestrinCommand(args);
    switch (command.action) {
        case KestrinCommand::Action::Usage:
            std::cout << norvane::bench::KestrinUsage();
            return 0;
        case KestrinCommand::Action::Version:
            std::cout << "kestrin " NORVANE_VERSION "\n";
            return 0;
        case KestrinCommand::Action::BadArguments:
            std::cerr << "kestrin: " << command.error << "\n" << norvane::bench::KestrinUsage();
            return 2;
        case KestrinCommand::Action::Headless:
            return norvane::bench::RunHeadless(args, norvane::platform::ExecutableDirectory(), std::cout,
                                               std::cerr);
        case KestrinCommand::Action::Window:
            break;
    }
    norvane::bench::WindowOptions options;
    options.connect = command.connect;
    options.ethernetPort = command.ethernetPort;
    return norvane::bench::RunWindow(argc, argv, norvane::platform::ExecutableDirectory(), options);
}
