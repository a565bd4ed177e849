// Version, process-wide switches and the exports that do nothing by design.
#include "norvane/NorvaneFunc.h"
#include "norvane_version.h"
#include "sdk/api/dispatch.h"
#include "sdk/api/export_guard.h"
#include "sdk/core/switches.h"

using norvane::sdk::DispatchGet;
using norvane::sdk::DispatchSet;
using norvane::sdk::GlobalSwitches;
using norvane::sdk::Guarded;
using norvane::sdk::cmd::kAnswerBit;
using norvane::sdk::cmd::kErrorReport;

extern "C" {

NV_API const char* KYMSDKGetVersion(void) {
    return NORVANE_VERSION;
}

// The caller's control word passes unchanged unless an acknowledgement is asked for with a
// record to put it in.
NV_API int32_t SingleCommandSet(uint32_t handle, uint32_t node, uint32_t controlWord, int32_t index,
                                void* data, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        if (ackFlag != 0 && ackBuffer != nullptr) {
            return DispatchSet(handle, node, static_cast<uint8_t>((controlWord | kAnswerBit) & 0xFF), index,
                               data, ackBuffer);
        }
        return DispatchSet(handle, node, static_cast<uint8_t>(controlWord), index, data, nullptr);
    });
}

NV_API int32_t SingleCommandGet(uint32_t handle, uint32_t node, uint32_t controlWord, int32_t index,
                                KymReply* answer) {
    return Guarded(-1, [&] {
        return DispatchGet(handle, node, static_cast<uint8_t>((controlWord | kAnswerBit) & 0xFF), index,
                           answer);
    });
}

NV_API int32_t GetLastErr(uint32_t handle, uint32_t node, KymReply* answer) {
    return Guarded(-1, [&] { return DispatchGet(handle, node, kErrorReport | kAnswerBit, 0, answer); });
}

NV_API int32_t GetMissingErr(uint32_t handle, uint32_t node, int32_t which, KymReply* answer) {
    if (which < 1 || which > 4) return -1;
    return Guarded(-1, [&] { return DispatchGet(handle, node, kErrorReport | kAnswerBit, which, answer); });
}

NV_API int32_t SetSerialTransmissision(int32_t value) {
    GlobalSwitches().serialTransmission = value != 0 ? 1 : 0;
    return GlobalSwitches().serialTransmission;
}
NV_API int32_t GetSerialTransmissision(void) {
    return GlobalSwitches().serialTransmission;
}

NV_API int32_t SetNorvaneSDKUFQ(int32_t value) {
    GlobalSwitches().ufqMode = value != 0 ? 1 : 0;
    return GlobalSwitches().ufqMode;
}
NV_API int32_t GetNorvaneSDKUFQ(void) {
    return GlobalSwitches().ufqMode;
}

NV_API void SetEthernetServerPort(uint32_t port) {
    GlobalSwitches().ethernetServerPort = port;
}
NV_API uint32_t GetEthernetServerPort(void) {
    return GlobalSwitches().ethernetServerPort;
}

// Queue and batch exports of older SDKs: accepted and ignored.
NV_API int32_t ClearQue(uint32_t, uint32_t) {
    return 1;
}
NV_API int32_t SndBatchCmd(uint32_t, uint32_t) {
    return 1;
}
NV_API int32_t ClrLastErr(uint32_t, uint32_t) {
    return 0;
}
NV_API int32_t Get318LastErr(uint32_t, uint32_t, KymReply*) {
    return 0;
}
NV_API int32_t ListQue(uint32_t, uint32_t) {
    return 0;
}
NV_API int32_t RecvBuf(uint32_t, uint32_t, void*, int32_t) {
    return 0;
}
NV_API int32_t OPR_SetRFIDKey(uint32_t, uint32_t, void*, int32_t, KymReply*) {
    return 0;
}

}  // extern "C"
