// What crosses the simulated adapter's socket and its bulk pipe: any bytes decode into whole
// requests and answers with bounded payloads (or need more, or are refused), and the adapter
// model takes any bulk write and hands back a reply no longer than the read asked for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/usb_adapter_model.h"
#include "sim/usb_link_messages.h"

using namespace norvane::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    size_t at = 0;
    usblink::Request request;
    while (at < bytes.size()) {
        size_t used = 0;
        if (usblink::DecodeRequest(bytes.data() + at, bytes.size() - at, request, used) !=
            usblink::Decoded::Complete)
            break;
        if (used == 0 || request.payload.size() > usblink::kMaxPayload) std::abort();
        at += used;
    }
    usblink::Answer answer;
    size_t used = 0;
    if (usblink::DecodeAnswer(bytes.data(), bytes.size(), answer, used) == usblink::Decoded::Complete &&
        (used > bytes.size() || answer.payload.size() > usblink::kMaxPayload))
        std::abort();

    // The same bytes as bulk writes of up to 16 bytes, each followed by a read.
    size_t sent = 0;
    UsbAdapterModel adapter(0, 1, [&sent](const CanFrame& frame) {
        if (frame.length > 8) std::abort();
        ++sent;
    });
    adapter.FromBus(CanFrame{});
    for (size_t offset = 0; offset < size;) {
        const size_t length = std::min<size_t>(1 + data[offset] % 16, size - offset);
        adapter.Write(data + offset, length);
        uint8_t reply[64];
        const size_t want = 1 + data[offset] % 64;
        const int n = adapter.Read(reply, want);
        if (n > static_cast<int>(want)) std::abort();
        offset += length;
    }
    return 0;
}
