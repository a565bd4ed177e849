// Receive framing of the zone port: any byte stream, fed in pieces of any size, gives only
// well-formed events (accepted nodes 1-125, list bytes within 1-125), never reads beyond what
// was received and never stalls with a full buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "piecewise_feed.h"
#include "sdk/ethernet/zone_frames.h"

using namespace norvane::sdk::zone;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    if (size > 0) std::memcpy(input.get(), data, size);
    FeedInPieces(input.get(), size, kReceiveBufferBytes, 8,
                 [](uint8_t* buffer, size_t& count, size_t capacity, size_t) {
                     int guard = 0;
                     for (FrameEvent event = TakeFrame(buffer, count, capacity);
                          event.kind != FrameKind::None; event = TakeFrame(buffer, count, capacity)) {
                         if (event.kind == FrameKind::Message) {
                             const uint8_t node = event.message.message.node;
                             if (node == 0 || node > 125) std::abort();
                         }
                         if (event.listLength > kMaxListBytes) std::abort();
                         if (event.kind == FrameKind::List)
                             ZoneCountFromList(event.list, std::min<size_t>(event.listLength, 4));
                         if (count > capacity || ++guard > 100000) std::abort();
                     }
                 });
    // The frame builders take any message.
    if (size >= 16) {
        KymCanMsg message;
        std::memcpy(&message, input.get(), sizeof message);
        uint8_t frame[kMessageFrameBytes];
        if (BuildMessageFrame(input[size - 1], message, frame) != kMessageFrameBytes) std::abort();
    }
    return 0;
}
