// First-generation motion: jog, point-to-point moves, origin, and PVT (position-velocity-time)
// parameters and points.
#include <chrono>
#include <thread>

#include "sdk/api/config_files.h"
#include "sdk/api/legacy_steps.h"
#include "sdk/api/node_locks.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;
using namespace norvane::sdk::legacy;

namespace {

constexpr int32_t kMaxPvtPoint = 255;

// Clear (1) and store (2) of the PVT table: command 34 index 0.
int PvtTableCommand(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag) {
    KymReply scratch{};
    return SetValue(handle, node, first_gen::kPvtParameters, 0, value, ackFlag, &scratch);
}

}  // namespace

extern "C" {

// ---- jog and point-to-point (commands 29-33) ----

NV_API int32_t SetJogVelocity(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                              KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kJogVelocity, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetJogVelocity(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kJogVelocity, 0, reply);
}
NV_API int32_t SetPTPSpeed(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                           KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPtpSpeed, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPTPSpeed(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPtpSpeed, 0, reply);
}
NV_API int32_t SetPTPRelativePosition(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                      KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPtpRelativePosition, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPTPRelativePosition(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPtpRelativePosition, 0, reply);
}
NV_API int32_t SetPTPAbsolutePosition(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                      KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPtpAbsolutePosition, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPTPAbsolutePosition(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPtpAbsolutePosition, 0, reply);
}
// The controller rewrites its position counters; the pause keeps the next command behind it.
NV_API int32_t SetOriginPosition(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                 KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        const int result = SetValue(handle, node, first_gen::kOriginPosition, 0, value, ackFlag, ackBuffer);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return result;
    });
}

// ---- PVT parameters (command 34) ----

NV_API int32_t SetMotionMode(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPvtParameters, 3, value, ackFlag, ackBuffer);
}
NV_API int32_t GetMotionMode(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPvtParameters, 3, reply);
}
NV_API int32_t SetMPIOConfig(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPvtParameters, 7, value, ackFlag, ackBuffer);
}
NV_API int32_t GetMPIOConfig(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPvtParameters, 7, reply);
}
NV_API int32_t SetPVTFeedForwardFactor(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                       KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPvtParameters, 8, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPVTFeedForwardFactor(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPvtParameters, 8, reply);
}
NV_API int32_t SetPVTDeadGap(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPvtParameters, 9, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPVTDeadGap(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPvtParameters, 9, reply);
}
NV_API int32_t GetPVTNextPosition(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPvtParameters, 6, reply);
}
NV_API int32_t SetPVTPara(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                          KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPvtParameters, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPVTPara(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPvtParameters, index, reply);
}
// Record: {index 1, index 2, index 3, index 5}; index 1 must stay below index 2, so index 2 is
// written first.
NV_API int32_t SetPVTMotionPara(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                                KymReply* ackBuffer) {
    if (record == nullptr || record[0] >= record[1]) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        const int indexes[4] = {2, 1, 3, 5};
        const int words[4] = {1, 0, 2, 3};
        for (int k = 0; k < 4; ++k) {
            if (!steps.Add(SetStep(handle, node, first_gen::kPvtParameters, indexes[k], &record[words[k]],
                                   ackFlag, ackBuffer, k)))
                break;
        }
        return steps.Result();
    });
}
NV_API int32_t GetPVTMotionPara(uint32_t handle, uint32_t node, KymReply* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        const int indexes[4] = {1, 2, 3, 5};
        for (int k = 0; k < 4; ++k) {
            if (!steps.Add(GetStep(handle, node, first_gen::kPvtParameters, indexes[k], out, k))) break;
        }
        return steps.Result();
    });
}
NV_API int32_t ClearPVTPara(uint32_t handle, uint32_t node, int32_t ackFlag) {
    return Guarded(-1, [&] {
        if (config::TraceFlag()) config::FlushTraceFile();
        return PvtTableCommand(handle, node, 1, ackFlag);
    });
}
NV_API int32_t StorePVT(uint32_t handle, uint32_t node, int32_t ackFlag) {
    return Guarded(-1, [&] { return PvtTableCommand(handle, node, 2, ackFlag); });
}

// ---- PVT points (commands 35, 37-43) ----

NV_API int32_t SetPVTStartPoint(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPvtStartPoint, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPVTCurrPoint(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPvtStartPoint, 0, reply);
}
// A point is four components, one command each (37-40), addressed by the point number; the
// record holds them in command order, as GetPVTPoint reads them back.
NV_API int32_t SetPVTPoint(uint32_t handle, uint32_t node, int32_t point, int32_t* record, int32_t ackFlag,
                           KymReply* ackBuffer) {
    if (record == nullptr || point < 0 || point > kMaxPvtPoint) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        for (int k = 0; k < 4; ++k) {
            const auto command = static_cast<uint8_t>(first_gen::kPvtPointComponent + k);
            if (!steps.Add(SetStep(handle, node, command, point, &record[k], ackFlag, ackBuffer, k))) break;
        }
        return steps.Result();
    });
}
NV_API int32_t GetPVTPoint(uint32_t handle, uint32_t node, int32_t point, KymReply* out) {
    if (out == nullptr || point < 0 || point > kMaxPvtPoint) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        for (int k = 0; k < 4; ++k) {
            if (!steps.Add(GetStep(handle, node, static_cast<uint8_t>(first_gen::kPvtPointComponent + k),
                                   point, out, k)))
                break;
        }
        return steps.Result();
    });
}
NV_API int32_t SetUPVTPoint(uint32_t handle, uint32_t node, int32_t point, void* data, int32_t ackFlag,
                            KymReply* ackBuffer) {
    if (point < 0 || point > kMaxPvtPoint) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        return SetData(handle, node, first_gen::kUPvtPoint, point, data, ackFlag, ackBuffer);
    });
}
NV_API int32_t SetQPVTPoint(uint32_t handle, uint32_t node, int32_t index, void* data, int32_t ackFlag,
                            KymReply* ackBuffer) {
    return Guarded(
        -1, [&] { return SetData(handle, node, first_gen::kQPvtPoint, index, data, ackFlag, ackBuffer); });
}

}  // extern "C"
