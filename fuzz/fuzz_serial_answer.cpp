// A serial answer payload (as an Ethernet gateway's 0x24 frame carries it) cut into reply frames:
// every frame handed out is complete and inside the input, and the reported tail fits in it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk/core/codec/reply_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> payload(new uint8_t[size]);
    if (size > 0) std::memcpy(payload.get(), data, size);
    size_t framed = 0;
    const size_t leftOver =
        norvane::sdk::SplitReplyFrames(payload.get(), size, [&](const uint8_t* frame, size_t length) {
            if (length < 2 || (frame[length - 1] & 0xFE) != 0xFE) std::abort();
            framed += length;
            uint32_t tag = 0;
            KymCanMsg message{};
            norvane::sdk::DecodeReplyFrame(frame, length, tag, message);
        });
    if (framed + leftOver > size) std::abort();
    return 0;
}
