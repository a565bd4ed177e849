// kestrin: the evaluation program. Without --headless it opens its window (kestrin [--port N]
// [--connect]: the Ethernet gateways' server port; search, connect and discover at start);
// kestrin --headless [options] runs the same core without one (see the README).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bench/headless/headless_options.h"
#include "bench/headless/headless_runner.h"
#include "bench/widgets/main_window.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool headless = false;
    for (const std::string& arg : args) headless = headless || arg == "--headless";
    if (!headless) {
        norvane::bench::WindowOptions options;
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--connect") options.connect = true;
            if (args[i] == "--port" && i + 1 < args.size())
                options.ethernetPort = static_cast<uint16_t>(std::strtoul(args[i + 1].c_str(), nullptr, 10));
        }
        return norvane::bench::RunWindow(argc, argv, norvane::platform::ExecutableDirectory(), options);
    }
    return norvane::bench::RunHeadless(args, norvane::platform::ExecutableDirectory(), std::cout, std::cerr);
}
