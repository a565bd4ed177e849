// kestrin: the evaluation program. Without --headless it opens its window (kestrin [--port N],
// N the Ethernet gateways' server port); kestrin --headless [options] runs the same core without
// one (see the README).
#include <cstdio>
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
        std::optional<uint16_t> port;
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "--port") port = static_cast<uint16_t>(std::stoul("0" + args[i + 1]) & 0xFFFF);
        return norvane::bench::RunWindow(argc, argv, norvane::platform::ExecutableDirectory(), port);
    }
    return norvane::bench::RunHeadless(args, norvane::platform::ExecutableDirectory(), std::cout, std::cerr);
}
