// RFID block data (command 83). The reader exposes a data window: a card-number find or a block
// read loads it, and each data-less read returns its next six bytes; a block is written into the
// window at addresses 24, 30 and 36 before the write operation stores it on the card.
#include <cstring>

#include "sdk/api/command_args.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

namespace {

constexpr uint8_t kBlockAddress[3] = {24, 30, 36};
constexpr size_t kChunk[3] = {6, 6, 4};  // 16 bytes of a card block

// byte 0 the window address, bytes 4-9 the data, word 3 non-zero so that all six bytes go out.
struct DmaWrite {
    uint8_t address = 0;
    uint8_t pad[3] = {};
    uint8_t bytes[8] = {};
    int32_t longForm = 1;
};
static_assert(sizeof(DmaWrite) == 16);

// The chunk's bytes sit at record bytes 4-9 of a decoded answer.
const uint8_t* ChunkBytes(const KymReply& answer) {
    return reinterpret_cast<const uint8_t*>(answer.field) + 4;
}

}  // namespace

extern "C" {

// Only a complete block is handed out: a failed read leaves out16 as it was.
NV_API int32_t OPR_GetRFIDBlkData(uint32_t handle, uint32_t node, uint8_t* out16) {
    if (out16 == nullptr) return -1;
    return Guarded(-1, [&] {
        KymReply answers[3] = {};
        for (KymReply& answer : answers) {
            const int result = DispatchGetAnswer(handle, node, kDma, 0, &answer);
            if (result != 1) return result;
        }
        size_t offset = 0;
        for (int k = 0; k < 3; ++k) {
            std::memcpy(out16 + offset, ChunkBytes(answers[k]), kChunk[k]);
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
            DmaWrite block;
            block.address = kBlockAddress[k];
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
        KymReply answer{};
        const int result = DispatchGetAnswer(handle, node, kDma, 0, &answer);
        if (result == 1) std::memcpy(out4, ChunkBytes(answer), 4);
        return result;
    });
}

}  // extern "C"
