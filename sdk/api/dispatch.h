#pragma once
// Routes handle-addressed set and get requests to the gateway object of the handle's kind.
// No lock, no state: any host thread may call. Results are the gateway's, unchanged, or -1
// for a kind outside the table, a rejected kind, or a gateway object that does not exist.
#include <cstdint>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/gateway_kind.h"

namespace norvane::sdk {

int DispatchSet(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                KymReply* answer);
int DispatchGet(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* answer);

/// The calling convention of set exports: the answer bit and record are passed only when
/// the caller asked for an acknowledgement and gave a record.
inline int DispatchSetAck(uint32_t handle, uint32_t node, uint8_t command, int index, const void* data,
                          int32_t ackFlag, KymReply* ackBuffer) {
    if (ackFlag != 0 && ackBuffer != nullptr) {
        return DispatchSet(handle, node, static_cast<uint8_t>(command | cmd::kAnswerBit), index, data,
                           ackBuffer);
    }
    return DispatchSet(handle, node, command, index, data, nullptr);
}

/// Get exports always ask for an answer.
inline int DispatchGetAnswer(uint32_t handle, uint32_t node, uint8_t command, int index, KymReply* answer) {
    return DispatchGet(handle, node, static_cast<uint8_t>(command | cmd::kAnswerBit), index, answer);
}

}  // namespace norvane::sdk
