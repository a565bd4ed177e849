// Feeds arbitrary bytes through the reply frame finder in pieces, as a port's receive loop does,
// and decodes every frame found as well as the whole input taken as one frame.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk/core/codec/reply_frame.h"

using namespace norvane::sdk;

namespace {

// Runs the finder on an exact-size copy of buffer[0..length), so that any access beyond the
// valid bytes is caught, and copies the result back.
bool FindExact(uint8_t* buffer, size_t& length, size_t& frameLength) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
    std::memcpy(exact.get(), buffer, length);
    const size_t before = length;
    const bool found = FindReplyFrame(exact.get(), length, frameLength);
    if (length > before || frameLength > length || found != (frameLength != 0)) std::abort();
    if (found && (frameLength < 2 || (exact[frameLength - 1] & 0xFE) != 0xFE)) std::abort();
    std::memcpy(buffer, exact.get(), length);
    return found;
}

void Decode(const uint8_t* frame, size_t length) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
    std::memcpy(exact.get(), frame, length);
    KymCanMsg message;
    uint32_t tag = 0;
    if (DecodeReplyFrame(exact.get(), length, tag, message) && message.length > 8) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    std::memcpy(input.get(), data, size);
    Decode(input.get(), size);

    // The first byte chooses the piece size, the rest is the byte stream.
    if (size == 0) return 0;
    const size_t pieceSize = input[0] % 64 + 1;
    uint8_t buffer[kReplyBufferSize];
    size_t length = 0;
    for (size_t used = 1; used < size;) {
        const size_t count = std::min({pieceSize, size - used, kReplyBufferSize - length});
        std::memcpy(buffer + length, input.get() + used, count);
        length += count;
        used += count;
        size_t frameLength = 0;
        while (length > 0 && FindExact(buffer, length, frameLength)) {
            Decode(buffer, frameLength);
            std::memmove(buffer, buffer + frameLength, length - frameLength);
            length -= frameLength;
        }
    }
    return 0;
}
