// Version, process-wide switches and the exports that do nothing by design.
#include "norvane/NorvaneFunc.h"
#include "sdk/core/switches.h"

using norvane::sdk::GlobalSwitches;

extern "C" {

NV_API const char* KYMSDKGetVersion(void) { return "1.5.0"; }

NV_API int32_t SetSerialTransmissision(int32_t value) {
    GlobalSwitches().serialTransmission = value != 0 ? 1 : 0;
    return GlobalSwitches().serialTransmission;
}
NV_API int32_t GetSerialTransmissision(void) { return GlobalSwitches().serialTransmission; }

NV_API int32_t SetNorvaneSDKUFQ(int32_t value) {
    GlobalSwitches().ufqMode = value != 0 ? 1 : 0;
    return GlobalSwitches().ufqMode;
}
NV_API int32_t GetNorvaneSDKUFQ(void) { return GlobalSwitches().ufqMode; }

NV_API void SetEthernetServerPort(uint32_t port) { GlobalSwitches().ethernetServerPort = port; }
NV_API uint32_t GetEthernetServerPort(void) { return GlobalSwitches().ethernetServerPort; }

// Queue and batch exports of older SDKs: accepted and ignored.
NV_API int32_t ClearQue(uint32_t, uint32_t) { return 1; }
NV_API int32_t SndBatchCmd(uint32_t, uint32_t) { return 1; }
NV_API int32_t ClrLastErr(uint32_t, uint32_t) { return 0; }
NV_API int32_t Get318LastErr(uint32_t, uint32_t, KymReply*) { return 0; }
NV_API int32_t ListQue(uint32_t, uint32_t) { return 0; }
NV_API int32_t RecvBuf(uint32_t, uint32_t, void*, int32_t) { return 0; }
NV_API int32_t OPR_SetRFIDKey(uint32_t, uint32_t, void*, int32_t, KymReply*) { return 0; }

}  // extern "C"
