// RFID block data (command 83): the reader keeps a card block in its DMA memory at addresses
// 24-39; the host reads and writes it six bytes at a time.
#include <cstring>

#include "sdk/api/command_args.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

namespace {

constexpr uint8_t kDma = 83;
constexpr uint8_t kBlockAddress[3] = {24, 30, 36};
constexpr size_t kChunk[3] = {6, 6, 4};  // 16 bytes of a card block
constexpr uint8_t kCardNumberAddress = 0;

// byte 0 the address, bytes 4-9 the data, word 3 non-zero for a write (a read sends the address only).
struct DmaBlock {
    uint8_t address = 0;
    uint8_t pad[3] = {};
    uint8_t bytes[8] = {};
    int32_t write = 0;
};
static_assert(sizeof(DmaBlock) == 16);

// Reads six bytes at an address; the answer holds them at record bytes 4-9.
int ReadDma(uint32_t handle, uint32_t node, uint8_t address, KymReply& answer) {
    DmaBlock block;
    block.address = address;
    answer = KymReply{};
    return DispatchSetAck(handle, node, kDma, 0, &block, 1, &answer);
}

const uint8_t* AnswerData(const KymReply& answer) { return reinterpret_cast<const uint8_t*>(answer.field) + 4; }

}  // namespace

extern "C" {

NV_API int32_t OPR_GetRFIDBlkData(uint32_t handle, uint32_t node, uint8_t* out16) {
    if (out16 == nullptr) return -1;
    return Guarded(-1, [&] {
        KymReply answers[3];
        for (int k = 0; k < 3; ++k) {
            const int result = ReadDma(handle, node, kBlockAddress[k], answers[k]);
            if (result != 1) return result;
        }
        size_t offset = 0;
        for (int k = 0; k < 3; ++k) {
            std::memcpy(out16 + offset, AnswerData(answers[k]), kChunk[k]);
            offset += kChunk[k];
        }
        return 1;
    });
}

NV_API int32_t OPR_SetRFIDBlkData(uint32_t handle, uint32_t node, const uint8_t* in16) {
    if (in16 == nullptr) return -1;
    return Guarded(-1, [&] {
        size_t offset = 0;
        for (int k = 0; k < 3; ++k) {
            DmaBlock block;
            block.address = kBlockAddress[k];
            block.write = 1;
            std::memcpy(block.bytes, in16 + offset, kChunk[k]);
            offset += kChunk[k];
            KymReply scratch{};
            const int result = DispatchSetAck(handle, node, kDma, 0, &block, 1, &scratch);
            if (result != 1) return result;
        }
        return 1;
    });
}

NV_API int32_t OPR_GetRFIDCardNum(uint32_t handle, uint32_t node, uint8_t* out4) {
    if (out4 == nullptr) return -1;
    return Guarded(-1, [&] {
        KymReply answer;
        const int result = ReadDma(handle, node, kCardNumberAddress, answer);
        if (result == 1) std::memcpy(out4, AnswerData(answer), 4);
        return result;
    });
}

}  // extern "C"
