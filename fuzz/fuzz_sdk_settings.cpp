// SDKParameter.cfg key lines and pause values over arbitrary text: never read out of bounds,
// and every pause or answer spin accepted stays within its limit (a pause names a known kind).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sdk/core/sdk_settings.h"
#include "sdk/core/traffic_line.h"

using namespace norvane::sdk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that any read past the text shows up.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const SdkSettings settings = ParseSdkParameterText(text, "/d/");
    if (!settings.canLog.empty() && settings.canLog.front() != '/') std::abort();
    for (const auto& pauses : {ParseSendPauses(text), settings.pauses}) {
        if (!pauses) continue;
        if (pauses->all && *pauses->all > kMaxSendPauseMs) std::abort();
        for (const auto& [kind, ms] : pauses->byKind) {
            if (ms > kMaxSendPauseMs || KindOfShortName(KindShortName(kind)) != kind) std::abort();
        }
    }
    for (const auto& spin : {ParseAnswerSpinUs(text), settings.answerSpinUs}) {
        if (spin && *spin > kMaxAnswerSpinUs) std::abort();
    }
    return 0;
}
