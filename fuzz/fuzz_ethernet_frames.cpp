// Receive framing of the Ethernet port: any byte stream, fed in pieces of any size, must give
// only complete frames inside the buffer, never read beyond what was received, never stall.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk/ethernet/ethernet_frames.h"

using namespace norvane::sdk::eth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    if (size > 0) std::memcpy(input.get(), data, size);
    // The first byte picks the piece size and the capacity, so small buffers are exercised too.
    const size_t piece = size > 0 ? 1 + input[0] % 64 : 1;
    const size_t capacity = size > 1 ? 8 + (size_t{input[1]} * 4) % kReceiveBufferBytes : kReceiveBufferBytes;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
    size_t count = 0;
    size_t offset = 0;
    while (offset < size) {
        const size_t n = std::min({piece, size - offset, capacity - count});
        std::memcpy(buffer.get() + count, input.get() + offset, n);
        count += n;
        offset += n;
        size_t length = 0;
        int guard = 0;
        while (ParseFrame(buffer.get(), count, offset % 3 == 0 ? 0 : 0xC1, length, capacity) || length > 0) {
            if (length > count || length < kHeaderBytes + 1) std::abort();
            ReceivedFrame frame;
            if (!SplitFrame(buffer.get(), length, frame)) std::abort();
            KymCanMsg message;
            DecodeCanPayload(frame.payload, frame.payloadLength, message);
            uint8_t ids[126];
            NodeListIds(frame.payload, frame.payloadLength, ids, sizeof ids);
            DropFront(buffer.get(), count, length);
            if (++guard > 100000) std::abort();
        }
        if (count >= capacity) std::abort();  // a full buffer must have been cleared or consumed
    }
    return 0;
}
