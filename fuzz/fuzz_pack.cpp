// Packers of both generations with caller data in an exact-size 32-byte buffer (or none), and the
// first-generation firmware line with an exact-size NUL-terminated text.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "sdk/core/codec/codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Packing command 46 prints a trace line; keep the fuzzer's output readable.
    std::freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    constexpr size_t kHeader = 4;
    constexpr size_t kDataBytes = 32;
    if (size < kHeader) return 0;
    const uint8_t controlWord = input[0];
    const int index = static_cast<int8_t>(input[1]);
    const uint32_t node = input[2];
    const uint8_t flags = input[3];
    input += kHeader;
    size -= kHeader;

    auto data = std::make_unique<uint8_t[]>(kDataBytes);
    std::memset(data.get(), 0, kDataBytes);
    std::memcpy(data.get(), input, std::min(size, kDataBytes));
    const void* words = flags & 1 ? nullptr : data.get();

    KymCanMsg out;
    if (norvane::sdk::PackSecondGen(node, controlWord, index, words, &out) == 1 && out.length > 8)
        __builtin_trap();
    if (norvane::sdk::PackSecondGenGet(node, controlWord, index, &out) == 1 && out.length > 8)
        __builtin_trap();
    if ((controlWord & 0x7F) != 127) {
        if (norvane::sdk::PackFirstGen(node, controlWord, index, words, &out) == 1 && out.length > 8)
            __builtin_trap();
    } else {
        auto text = std::make_unique<char[]>(size + 1);
        std::memcpy(text.get(), input, size);
        text[size] = '\0';
        if (norvane::sdk::PackFirstGen(node, controlWord, index, text.get(), &out) == 1 && out.length > 8)
            __builtin_trap();
    }
    return 0;
}
