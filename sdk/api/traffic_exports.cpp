// The host's traffic callback: every frame the ports send or take in, on the tap's thread.
#include "norvane/NorvaneFunc.h"
#include "sdk/api/export_guard.h"
#include "sdk/core/traffic_tap.h"

using norvane::sdk::Guarded;
using norvane::sdk::TrafficTap;

extern "C" {

NV_API int32_t NvRegTrafficCallBack(KymTrafficCallBack callback, void* context) {
    return Guarded(-1, [&] {
        TrafficTap::Global().Set(callback, context);
        return 1;
    });
}

NV_API int32_t NvGetTrafficCounts(uint64_t* delivered, uint64_t* dropped) {
    const TrafficTap& tap = TrafficTap::Global();
    if (delivered != nullptr) *delivered = tap.Delivered();
    if (dropped != nullptr) *dropped = tap.Dropped();
    return 1;
}

}  // extern "C"
