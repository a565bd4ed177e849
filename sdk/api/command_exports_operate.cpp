// Operation commands (command 82): flash programming of I/O modules and the RFID reader's
// antenna and card operations. The data block is a count word followed by the operation bytes.
#include <algorithm>
#include <cstring>

#include "sdk/api/command_args.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

namespace {

constexpr int32_t kMaxOperationPayload = 5;  // 7 data bytes of a frame less the two operation bytes

struct OperationBlock {
    int32_t count = 0;
    uint8_t bytes[8] = {};
};

OperationBlock Block(std::initializer_list<uint8_t> bytes) {
    OperationBlock block;
    block.count = static_cast<int32_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.bytes);
    return block;
}

// The decoded answer holds the two operation bytes at bytes 0-1, the payload length in word 1 and
// the payload from byte 8: the operation record's own layout.
void CopyAnswer(const KymReply& answer, KymOperation& out) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(answer.field);
    out.code[0] = bytes[0];
    out.code[1] = bytes[1];
    out.length = answer.field[1];
    std::memcpy(out.payload, bytes + 8, kMaxOperationPayload);
}

// Sends an operation; with an acknowledgement asked for and a record given, the answer is put
// into that record.
int SendOperation(uint32_t handle, uint32_t node, const OperationBlock& block, int32_t ackFlag,
                  KymOperation* out) {
    if (ackFlag == 0 || out == nullptr) return DispatchSet(handle, node, kOperate, 0, &block, nullptr);
    KymReply answer{};
    const int result = DispatchSetAck(handle, node, kOperate, 0, &block, 1, &answer);
    if (result == 1) CopyAnswer(answer, *out);
    return result;
}

// RFID operations answer into the caller's reply as decoded (status in byte 9).
int SendRfid(uint32_t handle, uint32_t node, const OperationBlock& block, int32_t ackFlag, KymReply* reply) {
    return DispatchSetAck(handle, node, kOperate, 0, &block, ackFlag, reply);
}

}  // namespace

extern "C" {

NV_API int32_t Operate(uint32_t handle, uint32_t node, const KymOperation* in, int32_t ackFlag,
                       KymOperation* out) {
    if (in == nullptr || out == nullptr) return -1;
    if (in->length < 0 || in->length > kMaxOperationPayload) return -1;
    return Guarded(-1, [&] {
        OperationBlock block;
        block.count = in->length + 2;
        block.bytes[0] = in->code[0];
        block.bytes[1] = in->code[1];
        std::memcpy(block.bytes + 2, in->payload, static_cast<size_t>(in->length));
        return SendOperation(handle, node, block, ackFlag, out);
    });
}

NV_API int32_t OPR_FillDMA(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                           KymOperation* out) {
    return Guarded(-1, [&] {
        return SendOperation(handle, node, Block({0x00, 0x01, static_cast<uint8_t>(value)}), ackFlag, out);
    });
}
NV_API int32_t OPR_ClearFlash(uint32_t handle, uint32_t node, int32_t ackFlag, KymOperation* out) {
    return Guarded(-1, [&] { return SendOperation(handle, node, Block({0x00, 0x02}), ackFlag, out); });
}
NV_API int32_t OPR_BurnFlash(uint32_t handle, uint32_t node, int32_t line, int32_t ackFlag,
                             KymOperation* out) {
    return Guarded(-1, [&] {
        const auto lo = static_cast<uint8_t>(line), hi = static_cast<uint8_t>(line >> 8);
        return SendOperation(handle, node, Block({0x00, 0x03, lo, hi}), ackFlag, out);
    });
}
// The line comes back as stream data; an acknowledgement, when asked for, is only waited for.
NV_API int32_t OPR_ReadLine(uint32_t handle, uint32_t node, int32_t line, int32_t ackFlag) {
    return Guarded(-1, [&] {
        const auto lo = static_cast<uint8_t>(line), hi = static_cast<uint8_t>(line >> 8);
        KymOperation scratch{};
        return SendOperation(handle, node, Block({0x00, 0x04, lo, hi}), ackFlag, &scratch);
    });
}
NV_API int32_t OPR_ReadCurrPtr(uint32_t handle, uint32_t node, int32_t ackFlag, KymOperation* out) {
    return Guarded(-1, [&] { return SendOperation(handle, node, Block({0x00, 0x05}), ackFlag, out); });
}

NV_API int32_t OPR_OpenAntenna(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply) {
    return Guarded(-1, [&] { return SendRfid(handle, node, Block({0x01, 0x04}), ackFlag, reply); });
}
NV_API int32_t OPR_CloseAntenna(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply) {
    return Guarded(-1, [&] { return SendRfid(handle, node, Block({0x01, 0x03}), ackFlag, reply); });
}
NV_API int32_t OPR_FindRFID(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply) {
    return Guarded(-1, [&] { return SendRfid(handle, node, Block({0x01, 0x0B}), ackFlag, reply); });
}
NV_API int32_t OPR_CloseRFID(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply) {
    return Guarded(-1, [&] { return SendRfid(handle, node, Block({0x01, 0x0A}), ackFlag, reply); });
}
// Card block read/write with key A or key B: the block number follows the operation bytes.
NV_API int32_t OPR_RFIDRead(uint32_t handle, uint32_t node, int32_t ackFlag, int32_t keyA, int32_t block,
                            KymReply* reply) {
    return Guarded(-1, [&] {
        const uint8_t operation = keyA != 0 ? 12 : 13;
        return SendRfid(handle, node, Block({0x01, operation, static_cast<uint8_t>(block)}), ackFlag, reply);
    });
}
NV_API int32_t OPR_RFIDWrite(uint32_t handle, uint32_t node, int32_t ackFlag, int32_t keyA, int32_t block,
                             KymReply* reply) {
    return Guarded(-1, [&] {
        const uint8_t operation = keyA != 0 ? 14 : 15;
        return SendRfid(handle, node, Block({0x01, operation, static_cast<uint8_t>(block)}), ackFlag, reply);
    });
}

}  // extern "C"
