#include "bench/headless/command_line.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "bench/headless/headless_options.h"

namespace norvane::bench {

namespace {

bool IsUsage(const std::string& arg) {
    return arg == "-h" || arg == "--help";
}

KestrinCommand Only(KestrinCommand::Action action) {
    KestrinCommand command;
    command.action = action;
    return command;
}

KestrinCommand Bad(std::string error) {
    KestrinCommand command = Only(KestrinCommand::Action::BadArguments);
    command.error = std::move(error);
    return command;
}

KestrinCommand ParseWindow(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (IsUsage(arg)) return Only(KestrinCommand::Action::Usage);
        if (arg == "--version") return Only(KestrinCommand::Action::Version);
    }
    KestrinCommand command;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--connect") {
            command.connect = true;
        } else if (args[i] == "--port") {
            if (i + 1 >= args.size()) return Bad("missing value after --port");
            const std::string& value = args[++i];
            const bool digits = !value.empty() && value.size() <= 5 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            const unsigned long port = digits ? std::strtoul(value.c_str(), nullptr, 10) : 0;
            if (port < 1 || port > 65535) return Bad("bad value '" + value + "' for --port");
            command.ethernetPort = static_cast<uint16_t>(port);
        }
    }
    return command;
}

}  // namespace

KestrinCommand ParseKestrinCommand(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--headless") == args.end()) return ParseWindow(args);
    HeadlessOptions options;
    std::string error;
    // A bad headless line is reported by the runner itself, with its usage.
    if (!ParseHeadlessOptions(args, options, error)) return Only(KestrinCommand::Action::Headless);
    if (options.usage) return Only(KestrinCommand::Action::Usage);
    if (options.version) return Only(KestrinCommand::Action::Version);
    return Only(KestrinCommand::Action::Headless);
}

std::string KestrinUsage() {
    // The runner's own usage, as the second form of the same command.
    std::string headless = HeadlessUsage();
    headless.replace(0, 6, "      ");
    return "usage: kestrin [--port N] [--connect] [QT-OPTION]...\n" + headless +
           "       kestrin -h | --help | --version\n"
           "the window:\n"
           "  --port N     the Ethernet gateways' TCP server port (default 28877)\n"
           "  --connect    search, connect and discover the nodes at start\n"
           "  QT-OPTION    left to Qt, e.g. -platform offscreen\n"
           "the headless runner (the window's core without a window):\n"
           "  --program-dir DIR  where Language/ and GWParam.cfg live (default: the program's folder)\n"
           "  --lang NAME        use that language, as if setting.ini named it\n"
           "  --lookup KEY       print the text of KEY, then exit\n"
           "  --ip A.B.C.D       search the Ethernet gateway at that address\n"
           "  --port P           the Ethernet gateways' TCP server port\n"
           "  --com N --baud B   search an RS-232 gateway on COM N at B baud\n"
           "  --mask M           the kind mask (1 RS-232, 4 USB-CAN, 8 PCI, 16 Ethernet, 32 UART)\n"
           "  --gateway I        connect entry I of the search result (default 0)\n"
           "  --tick NODE        tick that node's row\n"
           "  --command TEXT     run TEXT as the command box does\n"
           "  --script FILE      run the script file and wait for its last pass\n"
           "  --batch FILE       open the parameter batch writer and import the CSV FILE, then\n"
           "                     --batch-read, --batch-write, --batch-eeprom, --batch-export FILE\n"
           "exit status: 0 it ran, 1 binding, the search or the connection failed, 2 bad arguments\n";
}

}  // namespace norvane::bench
