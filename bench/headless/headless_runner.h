#pragma once
// The headless runner: the program's core without a window, for automation and tests. It loads
// the language, binds the SDK, searches and connects a gateway, discovers its nodes, runs command
// box lines, a script, the batch writer and a recording, and closes the gateway. Log lines go to
// out (one per line, oldest first), message boxes to err as "[caption] body". Runs on the calling
// (main) thread; SIGINT or SIGTERM end a running SLEEP, the script and a recording at once.
#include <ostream>
#include <string>
#include <vector>

#include "bench/headless/headless_options.h"

namespace norvane::bench {

/// Exit status: 0 it ran, 1 binding, the search or the connection failed (or, with --record, a
/// sample failed or a row was not written), 2 bad arguments.
int RunHeadless(const std::vector<std::string>& args, const std::string& executableDir, std::ostream& out,
                std::ostream& err);

}  // namespace norvane::bench
