// Global (node-less) commands: sent with node 0 to every controller behind the gateway, never
// answered.
#include "sdk/api/command_args.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

extern "C" {

NV_API int32_t SetgOFF(uint32_t handle) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGOff, nullptr); });
}
NV_API int32_t SetgCUR(uint32_t handle) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGCur, nullptr); });
}
NV_API int32_t SetgORG(uint32_t handle) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGOrg, nullptr); });
}
// Same command as gORG; the value gives the direction.
NV_API int32_t SetgDIR(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGOrg, &value); });
}
NV_API int32_t SetgSPD(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGSpd, &value); });
}
NV_API int32_t SetgSTP(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGStp, &value); });
}
NV_API int32_t SetgPOS(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGPos, &value); });
}
NV_API int32_t SetgQEC(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGQec, &value); });
}
NV_API int32_t SetgMCS(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGMcs, &value); });
}
NV_API int32_t SetgDOUT(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGDout, &value); });
}
NV_API int32_t SetgACR(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, kGAcr, &value); });
}

}  // extern "C"
