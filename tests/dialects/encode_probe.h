#pragma once
// Runs a text encoder into a buffer pre-filled with '#', so that any byte written beyond the
// text (or by a refused call) shows up as a test failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane::testing {

struct EncodeResult {
    int status;
    std::string text;
};

template <typename Encoder>
EncodeResult EncodeProbe(Encoder encoder, int32_t node, uint8_t controlWord, uint8_t index, const void* data,
                         size_t dataSize, size_t capacity) {
    std::vector<char> out(capacity + 8, '#');
    size_t length = 999;
    const int status = encoder(node, controlWord, index, data, dataSize, out.data(), capacity, &length);
    if (status == 0) {
        EXPECT_EQ(std::string(out.begin(), out.end()), std::string(capacity + 8, '#'))
            << "refused call wrote";
        return {0, ""};
    }
    EXPECT_EQ(std::string(out.begin() + static_cast<long>(length), out.end()),
              std::string(capacity + 8 - length, '#'))
        << "wrote past the text (a NUL or more)";
    return {status, std::string(out.data(), length)};
}

}  // namespace norvane::testing
