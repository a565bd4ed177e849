// Replies of a USB-CAN adapter as the host parses them: any bytes give at most the frames asked
// for and delivered, only slots whose bytes arrived, lengths within a frame record; the pending
// count and transmit replies give a count or the bad-reply result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk/can/usb_protocol.h"

using namespace norvane::sdk::can;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint32_t max = data[0] % 8;
    // An exact-size copy, so that any read past the reply is seen.
    const size_t length = std::min<size_t>(size - 1, 64);
    std::unique_ptr<uint8_t[]> reply(new uint8_t[length == 0 ? 1 : length]);
    std::memcpy(reply.get(), data + 1, length);
    const int n = static_cast<int>(length);
    KymCanFrame records[8];
    const uint32_t taken = usb::FetchReply(reply.get(), n, max, records);
    if (taken > max || (length >= 2 && taken > reply[1])) std::abort();
    if (taken > 0 && length < 2 + usb::kSlotBytes * (taken - 1) + usb::kSlotUsedBytes) std::abort();
    for (uint32_t i = 0; i < taken; ++i) {
        if (records[i].length > 15 || records[i].extended > 1 || records[i].remote > 1) std::abort();
    }
    const int pending = usb::PendingReply(reply.get(), n);
    if (pending != usb::kBadReply && (pending < 0 || pending > 0xFFFF)) std::abort();
    const int transmitted = usb::TransmitReply(reply.get(), n);
    if (transmitted != usb::kBadReply && (transmitted < 0 || transmitted > 255)) std::abort();
    return 0;
}
