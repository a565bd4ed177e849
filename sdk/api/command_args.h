#pragma once
// Shapes shared by the second-generation command exports: every export reduces to one or more
// of these calls, so the answer-bit rule and the scratch records live in one place.
// No state, no lock; the calls block as long as the gateway's request does.
#include <cstdint>
#include <cstring>

#include "norvane/NorvaneFunc.h"
#include "sdk/api/dispatch.h"
#include "sdk/api/export_guard.h"
#include "sdk/core/codec/commands.h"

namespace norvane::sdk::cmd {

/// A record word with this value skips its step in the composite exports.
constexpr int32_t kSkip = -1;

/// Set with one 32-bit value passed by value; the packer reads the export's own copy.
inline int SetValue(uint32_t handle, uint32_t node, uint8_t command, int index, int32_t value,
                    int32_t ackFlag, KymReply* ackBuffer) {
    return DispatchSetAck(handle, node, command, index, &value, ackFlag, ackBuffer);
}

/// Set whose caller-owned data structure goes to the packer unchanged.
inline int SetData(uint32_t handle, uint32_t node, uint8_t command, int index, const void* data,
                   int32_t ackFlag, KymReply* ackBuffer) {
    return DispatchSetAck(handle, node, command, index, data, ackFlag, ackBuffer);
}

/// Set without data.
inline int SetPlain(uint32_t handle, uint32_t node, uint8_t command, int index, int32_t ackFlag,
                    KymReply* ackBuffer) {
    return DispatchSetAck(handle, node, command, index, nullptr, ackFlag, ackBuffer);
}

/// Set with a value and an answer into a scratch record (steps whose answer nobody reads).
inline int SetValueAcked(uint32_t handle, uint32_t node, uint8_t command, int index, int32_t value) {
    KymReply scratch{};
    return SetValue(handle, node, command, index, value, 1, &scratch);
}

/// Get of a value: the answer's field 0 goes to *out when the request succeeded.
inline int GetValue(uint32_t handle, uint32_t node, uint8_t command, int index, int32_t* out) {
    KymReply reply{};
    const int result = DispatchGetAnswer(handle, node, command, index, &reply);
    if (result == 1) *out = reply.field[0];
    return result;
}

/// The whole body of a set export of one value: SetValue, failing with -1 should anything throw.
inline int SetValueExport(uint32_t handle, uint32_t node, uint8_t command, int index, int32_t value,
                          int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetValue(handle, node, command, index, value, ackFlag, ackBuffer); });
}

/// The whole body of a get export whose answer is decoded into the caller's record.
inline int GetReplyExport(uint32_t handle, uint32_t node, uint8_t command, int index, KymReply* reply) {
    return Guarded(-1, [&] { return DispatchGetAnswer(handle, node, command, index, reply); });
}

/// Global command: node 0, never an answer.
inline int SetGlobal(uint32_t handle, uint8_t command, const int32_t* value) {
    return DispatchSet(handle, 0, command, 0, value, nullptr);
}

/// Second-generation ACR index: 1 for the on/off forms (0 or 1), else 0; it only selects the
/// decoding of the answer.
constexpr int AcrIndex(int32_t value) {
    return value == 0 || value == 1 ? 1 : 0;
}

}  // namespace norvane::sdk::cmd
