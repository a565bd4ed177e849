// kestrin: the evaluation program. This build runs its core without a window:
// kestrin --headless [options] (see the README).
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "bench/headless/headless_options.h"
#include "bench/headless/headless_runner.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool headless = false;
    for (const std::string& arg : args) headless = headless || arg == "--headless";
    if (!headless) {
        std::cerr << "kestrin: this build has no window yet; run it with --headless\n"
                  << norvane::bench::HeadlessUsage();
        return 2;
    }
    return norvane::bench::RunHeadless(args, norvane::platform::ExecutableDirectory(), std::cout, std::cerr);
}
