#pragma once
// Building blocks of the first-generation exports: the USB kind test, the steps of the multi-step
// exports (each step's answer lands in one word of the caller's record) and the operation
// data block of command 81. No state, no lock of their own; they block as long as the
// gateway's request does.
#include <cstdint>
#include <cstring>

#include "norvane/NorvaneFunc.h"
#include "sdk/api/command_args.h"
#include "sdk/api/dispatch.h"

namespace norvane::sdk::legacy {

inline bool IsUsbKind(uint32_t kind) {
    return GatewaySlotOf(kind) == GatewaySlot::Usb;
}

/// Result of a run of steps: a negative step result ends the run with that result; otherwise
/// the run reports the first step that did not succeed (0), or the last result.
class Steps {
public:
    /// False once a step failed with a negative result: the caller stops.
    bool Add(int result) {
        if (result < 0) {
            result_ = result;
            return false;
        }
        if (result_ > 0) result_ = result;
        return true;
    }
    int Result() const { return result_; }

private:
    int result_ = 1;
};

/// One set step: with an acknowledgement its answer's field 0 goes to ackBuffer->field[word]
/// (decoded into a scratch record first, so no step writes beyond its own word).
inline int SetStep(uint32_t handle, uint32_t node, uint8_t command, int index, const void* data,
                   int32_t ackFlag, KymReply* ackBuffer, int word) {
    if (ackFlag == 0 || ackBuffer == nullptr) return DispatchSet(handle, node, command, index, data, nullptr);
    KymReply scratch{};
    scratch.field[0] = ackBuffer->field[word];
    const int result =
        DispatchSet(handle, node, static_cast<uint8_t>(command | cmd::kAnswerBit), index, data, &scratch);
    ackBuffer->field[word] = scratch.field[0];
    return result;
}

/// One get step into out->field[word] (unchanged when nothing was decoded).
inline int GetStep(uint32_t handle, uint32_t node, uint8_t command, int index, KymReply* out, int word) {
    KymReply scratch{};
    scratch.field[0] = out->field[word];
    const int result = DispatchGetAnswer(handle, node, command, index, &scratch);
    out->field[word] = scratch.field[0];
    return result;
}

/// Data block of an operation command (81): group, code, the count of extra bytes and up to
/// six extra bytes. The answer decodes into the same layout.
struct OperationBlock {
    uint8_t group = 0;
    uint8_t code = 0;
    uint8_t zero[2] = {0, 0};
    uint32_t count = 0;
    uint8_t extra[8] = {};
};
static_assert(sizeof(OperationBlock) == 16);

inline OperationBlock MakeOperation(uint8_t group, uint8_t code, const uint8_t* extra = nullptr,
                                    uint32_t count = 0) {
    OperationBlock block;
    block.group = group;
    block.code = code;
    if (count > 6) count = 6;
    block.count = count;
    if (count > 0) std::memcpy(block.extra, extra, count);
    return block;
}

/// Bytes 8... of a decoded operation answer.
inline const uint8_t* AnswerExtra(const KymReply& reply) {
    return reinterpret_cast<const uint8_t*>(reply.field) + 8;
}

}  // namespace norvane::sdk::legacy
