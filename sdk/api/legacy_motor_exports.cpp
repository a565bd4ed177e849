// First-generation motor settings: motor parameters, RGB light, motor power, motion start and
// stop, the acceleration profile, backlash and temperature.
#include <chrono>
#include <thread>

#include "sdk/api/legacy_steps.h"
#include "sdk/api/node_locks.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;
using namespace norvane::sdk::legacy;

namespace {

// Motor parameters are command 16 with one index per record word.
int SetMotorIndexes(uint32_t handle, uint32_t node, const int32_t* record, int first, int last,
                    int32_t ackFlag, KymReply* ackBuffer) {
    NodeLockGuard lock(node);
    Steps steps;
    for (int index = first, word = 0; index <= last; ++index, ++word) {
        if (!steps.Add(SetStep(handle, node, first_gen::kMotorParameters, index, &record[word], ackFlag,
                               ackBuffer, word)))
            break;
    }
    return steps.Result();
}

int GetMotorIndexes(uint32_t handle, uint32_t node, KymReply* out, int first, int last) {
    NodeLockGuard lock(node);
    Steps steps;
    for (int index = first, word = 0; index <= last; ++index, ++word) {
        if (!steps.Add(GetStep(handle, node, first_gen::kMotorParameters, index, out, word))) break;
    }
    return steps.Result();
}

}  // namespace

extern "C" {

// ---- motor parameters (command 16) ----

NV_API int32_t SetMT(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kMotorParameters, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetMT(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kMotorParameters, index, reply);
}
NV_API int32_t SetMotorPara(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                            KymReply* ackBuffer) {
    if (record == nullptr) return -1;
    return Guarded(-1, [&] { return SetMotorIndexes(handle, node, record, 0, 3, ackFlag, ackBuffer); });
}
NV_API int32_t GetMotorPara(uint32_t handle, uint32_t node, KymReply* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] { return GetMotorIndexes(handle, node, out, 0, 3); });
}
NV_API int32_t UFQSetMotorPara(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                               KymReply* ackBuffer) {
    if (record == nullptr) return -1;
    return Guarded(-1, [&] { return SetMotorIndexes(handle, node, record, 1, 2, ackFlag, ackBuffer); });
}
NV_API int32_t UFQGetMotorPara(uint32_t handle, uint32_t node, KymReply* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] { return GetMotorIndexes(handle, node, out, 1, 2); });
}

// ---- RGB light (command 20) ----

NV_API int32_t SetRgb(uint32_t handle, uint32_t node, int32_t colour, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kRgbLight, 0, colour & 0xFFFFFF, ackFlag, ackBuffer);
}
NV_API int32_t GetRgb(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kRgbLight, 0, reply);
}
NV_API int32_t SetQickRgb(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1,
                   [&] { return SetData(handle, node, first_gen::kRgbLight, 1, data, ackFlag, ackBuffer); });
}

// ---- motor power and motion (commands 21-23) ----

// The controller needs a moment to power the motor before the next command.
NV_API int32_t SetMotorOn(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                          KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        const int result = SetValue(handle, node, first_gen::kMotorOn, 0, value, ackFlag, ackBuffer);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return result;
    });
}
NV_API int32_t GetMotorOn(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kMotorOn, 0, reply);
}
NV_API int32_t BeginMotion(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1,
                   [&] { return SetPlain(handle, node, first_gen::kBeginMotion, 0, ackFlag, ackBuffer); });
}
NV_API int32_t StopMotion(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetPlain(handle, node, first_gen::kStopMotion, 0, ackFlag, ackBuffer); });
}

// ---- motion format and acceleration profile (commands 24-28) ----

NV_API int32_t SetMotionFormatSwitch(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kMotionFormat, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetMotionFormatSwitch(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kMotionFormat, 0, reply);
}
NV_API int32_t SetAcceleration(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kAcceleration, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetAcceleration(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kAcceleration, 0, reply);
}
NV_API int32_t SetDeceleration(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kDeceleration, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetDeceleration(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kDeceleration, 0, reply);
}
NV_API int32_t SetStartingSpeed(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kStartingSpeed, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetStartingSpeed(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kStartingSpeed, 0, reply);
}
NV_API int32_t SetServoPreAction(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1,
                   [&] { return SetPlain(handle, node, first_gen::kStartingSpeed, 0, ackFlag, ackBuffer); });
}
NV_API int32_t SetStopDeceleration(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                   KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kStopDeceleration, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetStopDeceleration(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kStopDeceleration, 0, reply);
}

// ---- backlash (command 45) and temperature (commands 46, 58) ----

NV_API int32_t SetBacklashComp(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kBacklash, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetBacklashComp(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kBacklash, 0, reply);
}
NV_API int32_t GetmMDS(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kBacklash, 0, reply);
}
NV_API int32_t GetDesiredValues(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kDesiredValues, index, reply);
}
NV_API int32_t GetTemperatureLimit(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kDesiredValues, 5, reply);
}
NV_API int32_t SetTemperatureLimit(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                   KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kTemperature, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetSQT(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kTemperature, 0, reply);
}
NV_API int32_t GetCurrTemperature(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kTemperature, 0, reply);
}

}  // extern "C"
