// Port health counters: read and reset the counters a port keeps, by gateway handle.
#include "norvane/NorvaneFunc.h"
#include "sdk/api/export_guard.h"
#include "sdk/core/gateway_registry.h"
#include "sdk/core/port.h"
#include "sdk/core/traffic_recorder.h"

namespace norvane::sdk {
namespace {

std::shared_ptr<CNvCallBackFunc> PortOfHandle(uint32_t handle) {
    const auto slot = GatewaySlotOf(KindOf(handle));
    if (!slot) return nullptr;
    const auto gateway = GatewayAt(*slot);
    return gateway ? gateway->PortOf(handle) : nullptr;
}

}  // namespace
}  // namespace norvane::sdk

using namespace norvane::sdk;

extern "C" {

NV_API int32_t NvGetPortCounters(uint32_t handle, KymPortCounters* counters) {
    return Guarded(-1, [&] {
        if (counters == nullptr) return -1;
        const auto port = PortOfHandle(handle);
        if (!port) return 0;
        port->counters.Fill(*counters);
        counters->logLinesDropped = TrafficRecorder::Global().Dropped();
        return 1;
    });
}

NV_API int32_t NvResetPortCounters(uint32_t handle) {
    return Guarded(-1, [&] {
        const auto port = PortOfHandle(handle);
        if (!port) return 0;
        port->counters.Reset();
        return 1;
    });
}

}  // extern "C"
