// First-generation encoder, limit and I/O settings, and the I/O output exports that serve both
// generations.
#include "sdk/api/legacy_steps.h"
#include "sdk/api/node_locks.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;
using namespace norvane::sdk::legacy;

namespace {

// The I/O module's 16-bit DVA register value holds the bytes 0 and 2 of the caller's word.
void SplitBytes(int32_t value, KymReply* out) {
    auto* halves = reinterpret_cast<uint16_t*>(out->field);
    halves[0] = static_cast<uint16_t>(value & 0xFF);
    halves[1] = static_cast<uint16_t>((value >> 8) & 0xFF);
}

int SetIoOutput(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer) {
    const uint32_t kind = KindOf(handle);
    if (IsFirstGenFormKind(kind))
        return SetData(handle, node, first_gen::kDigitalValues, 1, data, ackFlag, ackBuffer);
    if (!IsSecondGenKind(kind)) return -1;
    if (node == 1) return SetData(handle, 1, kIoOutput, 0, data, ackFlag, ackBuffer);
    if (data == nullptr) return -1;
    const auto word = *static_cast<const uint32_t*>(data);
    const int32_t dva = static_cast<int32_t>((word & 0xFF) | (((word >> 16) & 0xFF) << 8));
    KymReply answer{};
    const bool acked = ackFlag != 0 && ackBuffer != nullptr;
    const int result = SetValue(handle, node, kDvaInfo, 1, dva, acked ? 1 : 0, &answer);
    if (acked && result == 1) SplitBytes(answer.field[0], ackBuffer);
    return result;
}

int GetIoOutput(uint32_t handle, uint32_t node, KymReply* out) {
    const uint32_t kind = KindOf(handle);
    if (IsFirstGenFormKind(kind)) return DispatchGetAnswer(handle, node, first_gen::kDigitalValues, 1, out);
    if (!IsSecondGenKind(kind)) return -1;
    if (node == 1) return DispatchGetAnswer(handle, 1, kIoOutput, 0, out);
    if (out == nullptr) return -1;
    KymReply answer{};
    const int result = DispatchGetAnswer(handle, node, kDvaInfo, 1, &answer);
    if (result == 1) SplitBytes(answer.field[0], out);
    return result;
}

}  // namespace

extern "C" {

// ---- limits (command 44) ----

NV_API int32_t SetLimit(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                        KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kLimits, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetLimit(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kLimits, index, reply);
}
NV_API int32_t SetPositionErrorLimit(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kLimits, 6, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPositionErrorLimit(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kLimits, 6, reply);
}
NV_API int32_t SetMoveLimitCfg(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                               KymReply* ackBuffer) {
    if (record == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        for (int index = 0; index < 3; ++index) {
            if (!steps.Add(SetStep(handle, node, first_gen::kLimits, index, &record[index], ackFlag,
                                   ackBuffer, index)))
                break;
        }
        return steps.Result();
    });
}
NV_API int32_t GetMoveLimitCfg(uint32_t handle, uint32_t node, KymReply* out) {
    if (out == nullptr) return 0;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        for (int index = 0; index < 3; ++index) {
            if (!steps.Add(GetStep(handle, node, first_gen::kLimits, index, out, index))) break;
        }
        return steps.Result();
    });
}

// ---- encoder (command 61) ----

NV_API int32_t SetEncoderCfg(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                             KymReply* ackBuffer) {
    if (record == nullptr || record[0] < 5 || record[0] > 16000 || record[1] < 200) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        if (steps.Add(SetStep(handle, node, first_gen::kEncoder, 0, &record[0], ackFlag, ackBuffer, 0))) {
            steps.Add(SetStep(handle, node, first_gen::kEncoder, 1, &record[1], ackFlag, ackBuffer, 1));
        }
        return steps.Result();
    });
}
NV_API int32_t GetEncoderCfg(uint32_t handle, uint32_t node, KymReply* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        if (steps.Add(GetStep(handle, node, first_gen::kEncoder, 0, out, 0)))
            steps.Add(GetStep(handle, node, first_gen::kEncoder, 1, out, 1));
        return steps.Result();
    });
}
NV_API int32_t SetEncoderType(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                              KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kEncoder, 2, value, ackFlag, ackBuffer);
}
NV_API int32_t GetEncoderType(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kEncoder, 2, reply);
}
NV_API int32_t GetBatteryStatus(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kEncoder, 3, reply);
}
NV_API int32_t SetQES(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                      KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kEncoder, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetQES(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kEncoder, index, reply);
}

// ---- I/O configuration, sensors, analog and digital values (commands 51-55) ----

NV_API int32_t SetIOConfig(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                           KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kIoConfig, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetIOConfig(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kIoConfig, index, reply);
}
NV_API int32_t SetSensorActionCfg(uint32_t handle, uint32_t node, int32_t index, int32_t value,
                                  int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kSensorAction, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetSensorActionCfg(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kSensorAction, index, reply);
}
NV_API int32_t SetSensorTriggerCfg(uint32_t handle, uint32_t node, int32_t index, int32_t value,
                                   int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kSensorTrigger, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetSensorTriggerCfg(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kSensorTrigger, index, reply);
}
NV_API int32_t GetAnalogValue(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kAnalogValue, index, reply);
}
NV_API int32_t SetDigitalValue(uint32_t handle, uint32_t node, void* data, int32_t ackFlag,
                               KymReply* ackBuffer) {
    return Guarded(
        -1, [&] { return SetData(handle, node, first_gen::kDigitalValues, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetDigitalValue(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kDigitalValues, 0, reply);
}
NV_API int32_t SetServoDigitalValue(uint32_t handle, uint32_t node, void* data, int32_t ackFlag,
                                    KymReply* ackBuffer) {
    return Guarded(
        -1, [&] { return SetData(handle, node, first_gen::kDigitalValues, 2, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetServoDigitalValue(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kDigitalValues, 2, reply);
}

// ---- I/O outputs of both generations ----

NV_API int32_t SetIOOutput(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetIoOutput(handle, node, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetIOOutput(uint32_t handle, uint32_t node, KymReply* out) {
    return Guarded(-1, [&] { return GetIoOutput(handle, node, out); });
}
NV_API int32_t SetGWIOOutput(uint32_t handle, void* data, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetIoOutput(handle, 1, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetGWIOOutput(uint32_t handle, KymReply* out) {
    return Guarded(-1, [&] { return GetIoOutput(handle, 1, out); });
}

}  // extern "C"
