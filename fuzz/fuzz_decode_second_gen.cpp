// Second-generation answer decoder over arbitrary answer bytes: the command, index and
// number of stored answers come from the input too. Answers and record live in exact-size heap blocks.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "sdk/core/codec/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    constexpr size_t kHeader = 5;
    if (size < kHeader) return 0;
    const uint32_t node = input[1];
    const uint8_t controlWord = input[2];
    const int index = static_cast<int8_t>(input[3]);
    const size_t available = 1 + input[4] % 2;

    auto answers = std::make_unique<KymCanMsg[]>(available);
    const size_t body = std::min(size - kHeader, available * sizeof(KymCanMsg) + sizeof(KymReply));
    std::vector<uint8_t> bytes(available * sizeof(KymCanMsg) + sizeof(KymReply), 0);
    std::memcpy(bytes.data(), input + kHeader, body);
    std::memcpy(answers.get(), bytes.data(), available * sizeof(KymCanMsg));
    auto record = std::make_unique<KymReply>();
    std::memcpy(record.get(), bytes.data() + available * sizeof(KymCanMsg), sizeof(KymReply));

    if (norvane::sdk::DecodeSecondGen(node, controlWord, index, answers.get(), available, record.get()) != 1)
        __builtin_trap();
    char name[24];
    norvane::sdk::ModelName(answers[0], name, 1 + input[1] % sizeof name);
    bool report = false;
    norvane::sdk::ErrorReportResult(controlWord, answers[0], &report);
    return 0;
}
