// Command texts a host hands over as they stand, read back by the SDK in both dialects: the
// stream splits into texts that never run past its end, and every text that reads as a message
// gives one of at most 8 data bytes; the same bytes read as UART command packets likewise.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sdk/core/codec/reply_frame.h"
#include "sdk/core/codec/text_dialect.h"

using namespace norvane::sdk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string stream(reinterpret_cast<const char*>(data), size);  // exact-size heap copy
    for (const bool firstGen : {false, true}) {
        std::string_view rest = stream;
        KymCanMsg message{};
        bool known = false;
        while (const size_t length = TakeCommandText(rest, firstGen, message, known)) {
            if (length > rest.size()) __builtin_trap();
            if (known && message.length > 8) __builtin_trap();
            rest.remove_prefix(length);
        }
    }
    for (size_t at = 0; at < size; at += kUartPacketBytes) {
        KymCanMsg message{};
        if (ReadUartPacket(data + at, size - at, message) && message.length > 8) __builtin_trap();
    }
    return 0;
}
