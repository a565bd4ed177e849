#pragma once
// The status bar's line of port health counters for the open gateway. Plain logic: the SDK is
// reached through the bound table only; called on the user-interface thread by a timer.
#include <cstdint>
#include <string>

#include "bench/core/language.h"
#include "bench/core/sdk_table.h"

namespace norvane::bench {

/// The counters of the gateway with handle as one line from the language's "IDS_PORT_COUNTERS"
/// (%1 sent, %2 answers, %3 time-outs, %4 error reports, %5 malformed frames, %6 notices,
/// %7 ring drops, %8 stream bytes dropped, %9 reconnects, %10 unmatched answers; English when the
/// key is missing).
/// Empty when not connected, when the library lacks NvGetPortCounters, or when the call fails.
std::string PortStatusLine(const SdkTable& sdk, const Language& language, bool connected, uint32_t handle);

constexpr size_t kPortCounterValues = 10;

/// Fills the template's %1..%10 with values (other text unchanged).
std::string FillCounterTemplate(const std::string& text, const uint64_t (&values)[kPortCounterValues]);

}  // namespace norvane::bench
