// Encodes arbitrary commands and data words with both text dialects into exact-size output
// buffers, so that any write past the stated capacity or read past the data is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sdk/core/codec/text_dialect.h"

using namespace norvane::sdk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Header: node (4 bytes), control word, index, output capacity, data-present flag.
    if (size < 8) return 0;
    int32_t node;
    std::memcpy(&node, data, 4);
    const uint8_t controlWord = data[4];
    const uint8_t index = data[5];
    const size_t capacity = data[6];
    const bool withData = data[7] & 1;
    const size_t dataSize = size - 8;
    std::unique_ptr<uint8_t[]> words(new uint8_t[dataSize]);
    std::memcpy(words.get(), data + 8, dataSize);
    const void* dataPointer = withData ? words.get() : nullptr;

    for (int dialect = 0; dialect < 2; ++dialect) {
        std::unique_ptr<char[]> out(new char[capacity]);
        size_t length = 0;
        const int status = dialect == 0 ? EncodeText(node, controlWord, index, dataPointer, dataSize,
                                                     out.get(), capacity, &length)
                                        : EncodeTextLegacy(node, controlWord, index, dataPointer, dataSize,
                                                           out.get(), capacity, &length);
        if (status != 0 && status != 1) std::abort();
        if (status == 1 && (length > capacity || length > kMaxCommandText)) std::abort();
    }
    return 0;
}
