// Registration of the host's callbacks and the notice record.
#include "norvane/NorvaneFunc.h"
#include "sdk/core/callbacks.h"

using norvane::sdk::GlobalCallbacks;

extern "C" {

// The context argument is not kept: the callback's signature has no place to pass it back.
NV_API int32_t KYMRegRtcnCallBack(int32_t, void*, KymRtcnCallBack callback) {
    GlobalCallbacks().realtime = callback;
    return 0;
}

NV_API int32_t KYMReg753RtcnCallBack(KymMsgCallBack callback) {
    GlobalCallbacks().legacyRealtime = callback;
    return 0;
}

NV_API int32_t KYMRegTranslateCallBack(KymMsgCallBack callback) {
    GlobalCallbacks().translate = callback;
    return 0;
}

NV_API int32_t KYMRegSerialTranslateCallBack(KymSerialCallBack callback) {
    GlobalCallbacks().serialTranslate = callback;
    return 0;
}

NV_API int32_t KYMReg318SerialTranslateCallBack(KymSerialCallBack callback) {
    GlobalCallbacks().serialTranslate318 = callback;
    return 0;
}

NV_API int32_t KYMRegRecordCallBack(void* callback) {
    GlobalCallbacks().record = callback;
    return 0;
}

NV_API int32_t KYMRegNotice(void* record) {
    return norvane::sdk::TakeNoticeRecord(record);
}

}  // extern "C"
