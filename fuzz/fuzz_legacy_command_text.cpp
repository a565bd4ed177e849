// First-generation command texts as the simulated RS-232 gateway reads them from the line, and
// the legacy reply frames it answers with: whatever a text parses into, its message travels
// back through a legacy reply frame that the host's finder takes whole, restored byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/core/codec/reply_frame.h"
#include "sim/legacy_command_text.h"
#include "sim/reply_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // exact-size heap copy
    for (std::string_view rest = text; !rest.empty();) {
        const size_t length = norvane::sim::CommandTextLength(rest);
        if (length > rest.size()) __builtin_trap();
        if (length == 0) break;
        const auto request = norvane::sim::ParseLegacyCommandText(rest.substr(0, length));
        rest.remove_prefix(length);
        if (!request) continue;
        if (request->length > 8) __builtin_trap();
        auto frame = norvane::sim::EncodeLegacyReplyFrame(request->node, request->controlWord, request->data,
                                                          request->length);
        std::vector<uint8_t> buffer(frame.begin(), frame.end());
        buffer.resize(norvane::sdk::kReplyBufferSize);
        size_t count = frame.size();
        size_t frameLength = 0;
        if (!norvane::sdk::FindLegacyReplyFrame(buffer.data(), count, 0, frameLength)) __builtin_trap();
        if (frameLength != frame.size()) __builtin_trap();
        if (std::memcmp(buffer.data() + 3, request->data, request->length) != 0) __builtin_trap();
    }
    return 0;
}
