// Receive framing of the Ethernet port: any byte stream, fed in pieces of any size, must give
// only complete frames inside the buffer, never read beyond what was received, never stall.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "piecewise_feed.h"
#include "sdk/core/codec/reply_frame.h"
#include "sdk/ethernet/ethernet_frames.h"

using namespace norvane::sdk::eth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    if (size > 0) std::memcpy(input.get(), data, size);
    FeedInPieces(
        input.get(), size, kReceiveBufferBytes, 4,
        [](uint8_t* buffer, size_t& count, size_t capacity, size_t offset) {
            size_t length = 0;
            int guard = 0;
            while (ParseFrame(buffer, count, offset % 3 == 0 ? 0 : 0xC1, length, capacity) || length > 0) {
                if (length > count || length < kHeaderBytes + 1) std::abort();
                ReceivedFrame frame;
                if (!SplitFrame(buffer, length, frame)) std::abort();
                KymCanMsg message;
                DecodeCanPayload(frame.payload, frame.payloadLength, message);
                uint8_t ids[126];
                norvane::sdk::NodeListIds(frame.payload, frame.payloadLength, ids, sizeof ids);
                DropFront(buffer, count, length);
                if (++guard > 100000) std::abort();
            }
        });
    return 0;
}
