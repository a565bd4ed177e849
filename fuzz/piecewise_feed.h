#pragma once
// Feeds fuzz input into a receive buffer in pieces, the way bytes arrive from a socket. The
// first input byte picks the piece size, the second the buffer capacity (between 8 and
// maxCapacity, in steps of capacityStep), so small buffers are exercised too. After each
// piece drain(buffer, count, capacity) takes what frames it can; a buffer that is still full
// afterwards means the receiver would stall, and aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

template <typename Drain>
void FeedInPieces(const uint8_t* input, size_t size, size_t maxCapacity, size_t capacityStep, Drain drain) {
    const size_t piece = size > 0 ? 1 + input[0] % 64 : 1;
    const size_t capacity = size > 1 ? 8 + (size_t{input[1]} * capacityStep) % maxCapacity : maxCapacity;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
    size_t count = 0;
    size_t offset = 0;
    while (offset < size) {
        const size_t n = std::min({piece, size - offset, capacity - count});
        std::memcpy(buffer.get() + count, input + offset, n);
        count += n;
        offset += n;
        drain(buffer.get(), count, capacity, offset);
        if (count >= capacity) std::abort();
    }
}
