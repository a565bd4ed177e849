// First-generation answer decoder over arbitrary answer bytes: command, index, node and gateway kind come
// from the input too. Answer and record live in exact-size heap blocks.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "sdk/core/codec/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    constexpr size_t kHeader = 4;
    if (size < kHeader) return 0;
    static const uint32_t kKinds[] = {1, 256, 2048, 4096, 8192, 32768};
    const uint32_t kind = kKinds[input[0] % 6];
    const uint32_t node = input[1] % 3 == 0 ? 0 : input[1];
    const uint8_t controlWord = input[2];
    const int index = static_cast<int8_t>(input[3]);

    std::vector<uint8_t> bytes(sizeof(KymCanMsg) + sizeof(KymReply), 0);
    std::memcpy(bytes.data(), input + kHeader, std::min(size - kHeader, bytes.size()));
    auto answer = std::make_unique<KymCanMsg>();
    std::memcpy(answer.get(), bytes.data(), sizeof(KymCanMsg));
    auto record = std::make_unique<KymReply>();
    std::memcpy(record.get(), bytes.data() + sizeof(KymCanMsg), sizeof(KymReply));

    const int result =
        norvane::sdk::DecodeFirstGen(kind, node, controlWord, index, answer.get(), record.get());
    if (result != 0 && result != 1) __builtin_trap();
    return 0;
}
