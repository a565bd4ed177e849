// Feeds arbitrary bytes through the legacy reply frame finder in pieces, restoring and decoding
// every frame found, and restores the whole input taken as one frame.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk/core/codec/reply_frame.h"

using namespace norvane::sdk;

namespace {

// Runs the finder on an exact-size copy of buffer[0..length) and copies the result back.
bool FindExact(uint8_t* buffer, size_t& length, int expectedControlWord, size_t& frameLength) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
    std::memcpy(exact.get(), buffer, length);
    const size_t before = length;
    const bool valid = FindLegacyReplyFrame(exact.get(), length, expectedControlWord, frameLength);
    if (length > before || frameLength > length || (valid && frameLength < 4)) std::abort();
    std::memcpy(buffer, exact.get(), length);
    return valid;
}

void Decode(const uint8_t* frame, size_t length) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
    std::memcpy(exact.get(), frame, length);
    KymCanMsg message;
    if (DecodeLegacyReplyFrame(exact.get(), length, message) && message.length > 8) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    std::memcpy(input.get(), data, size);
    RestoreLegacyFrame(size, input.get());
    std::memcpy(input.get(), data, size);

    // Byte 0 chooses the piece size, byte 1 the expected control word; the rest is the stream.
    if (size < 2) return 0;
    const size_t pieceSize = input[0] % 64 + 1;
    const int expectedControlWord = (input[1] & 0x80) ? 0 : input[1];
    uint8_t buffer[kReplyBufferSize];
    size_t length = 0;
    for (size_t used = 2; used < size;) {
        const size_t count = std::min({pieceSize, size - used, kReplyBufferSize - length});
        std::memcpy(buffer + length, input.get() + used, count);
        length += count;
        used += count;
        size_t frameLength = 0;
        for (;;) {
            const bool valid = length > 0 && FindExact(buffer, length, expectedControlWord, frameLength);
            if (length == 0 || frameLength == 0) break;
            if (valid) Decode(buffer, frameLength);
            std::memmove(buffer, buffer + frameLength, length - frameLength);
            length -= frameLength;
        }
    }
    return 0;
}
