// Receive framing of the zone port: any byte stream, fed in pieces of any size, gives only
// well-formed events (accepted nodes 1-125, list bytes within 1-125), never reads beyond what
// was received and never stalls with a full buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk/ethernet/zone_frames.h"

using namespace norvane::sdk::zone;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    if (size > 0) std::memcpy(input.get(), data, size);
    // The first bytes pick the piece size and the capacity, so small buffers are exercised too.
    const size_t piece = size > 0 ? 1 + input[0] % 64 : 1;
    const size_t capacity = size > 1 ? 8 + (size_t{input[1]} * 8) % kReceiveBufferBytes : kReceiveBufferBytes;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
    size_t count = 0;
    size_t offset = 0;
    while (offset < size) {
        const size_t n = std::min({piece, size - offset, capacity - count});
        std::memcpy(buffer.get() + count, input.get() + offset, n);
        count += n;
        offset += n;
        int guard = 0;
        for (FrameEvent event = TakeFrame(buffer.get(), count, capacity); event.kind != FrameKind::None;
             event = TakeFrame(buffer.get(), count, capacity)) {
            if (event.kind == FrameKind::Message) {
                const uint8_t node = event.message.message.node;
                if (node == 0 || node > 125) std::abort();
            }
            if (event.listLength > kMaxListBytes) std::abort();
            if (event.kind == FrameKind::List) ZoneCountFromList(event.list, std::min<size_t>(event.listLength, 4));
            if (count > capacity || ++guard > 100000) std::abort();
        }
        if (count >= capacity) std::abort();  // a full buffer must have been cleared or consumed
    }
    // The frame builders take any message.
    if (size >= 16) {
        KymCanMsg message;
        std::memcpy(&message, input.get(), sizeof message);
        uint8_t frame[kMessageFrameBytes];
        if (BuildMessageFrame(input[size - 1], message, frame) != kMessageFrameBytes) std::abort();
    }
    return 0;
}
