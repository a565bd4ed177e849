// Bytes from a UART gateway: the frame finder with its restoration, fed in pieces into the
// probe's 64-byte buffer. Every reported frame lies inside the buffer and starts and ends with
// its markers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sdk/core/codec/reply_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t buffer[64];
    size_t length = 0;
    size_t used = 0;
    while (used < size) {
        const size_t n = std::min(size - used, sizeof buffer - length);
        std::memcpy(buffer + length, data + used, n);
        length += n;
        used += n;
        size_t frameLength = 0;
        for (;;) {
            norvane::sdk::FindUartReplyFrame(buffer, length, sizeof buffer, 0, frameLength);
            if (frameLength == 0) break;
            if (frameLength > length || (buffer[0] & 0xC0) != 0x80 ||
                (buffer[frameLength - 1] & 0xC0) != 0xC0)
                std::abort();
            std::memmove(buffer, buffer + frameLength, length - frameLength);
            length -= frameLength;
        }
        if (length > sizeof buffer) std::abort();
    }
    return 0;
}
