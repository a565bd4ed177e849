#include "bench/core/port_status.h"

namespace norvane::bench {
namespace {

constexpr const char* kKey = "IDS_PORT_COUNTERS";
constexpr const char* kEnglish =
    "Sent %1  Answers %2  Time-outs %3  Error reports %4  Malformed %5  Notices %6  Ring drops %7  "
    "Stream bytes dropped %8  Reconnects %9  Unmatched answers %10";

}  // namespace

std::string FillCounterTemplate(const std::string& text, const uint64_t (&values)[kPortCounterValues]) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            size_t number = static_cast<size_t>(text[i + 1] - '0');
            ++i;
            // Two digits where the second still names a value (%10).
            if (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9' &&
                number * 10 + static_cast<size_t>(text[i + 1] - '0') <= kPortCounterValues) {
                number = number * 10 + static_cast<size_t>(text[i + 1] - '0');
                ++i;
            }
            out += std::to_string(values[number - 1]);
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string PortStatusLine(const SdkTable& sdk, const Language& language, bool connected, uint32_t handle) {
    if (!connected || !sdk.present[static_cast<size_t>(SdkFunction::NvGetPortCounters)]) return {};
    KymPortCounters c{};
    if (sdk.NvGetPortCounters(handle, &c) != 1) return {};
    const uint64_t values[kPortCounterValues] = {
        c.requestsSent,     c.answers,     c.timeouts,           c.errorReports, c.malformedFrames,
        c.noticesDelivered, c.ringDropped, c.streamBytesDropped, c.reconnects,   c.unmatchedAnswers};
    return FillCounterTemplate(language.Has(kKey) ? language.Lookup(kKey) : kEnglish, values);
}

}  // namespace norvane::bench
