// Global (node-less) commands: sent with node 0 to every controller behind the gateway, never
// answered.
#include "sdk/api/command_args.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

extern "C" {

NV_API int32_t SetgOFF(uint32_t handle) {
    return Guarded(-1, [&] { return SetGlobal(handle, 22, nullptr); });
}
NV_API int32_t SetgCUR(uint32_t handle) {
    return Guarded(-1, [&] { return SetGlobal(handle, 29, nullptr); });
}
NV_API int32_t SetgORG(uint32_t handle) {
    return Guarded(-1, [&] { return SetGlobal(handle, 23, nullptr); });
}
// Same command as gORG; the value gives the direction.
NV_API int32_t SetgDIR(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 23, &value); });
}
NV_API int32_t SetgSPD(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 27, &value); });
}
NV_API int32_t SetgSTP(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 30, &value); });
}
NV_API int32_t SetgPOS(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 31, &value); });
}
NV_API int32_t SetgQEC(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 32, &value); });
}
NV_API int32_t SetgMCS(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 28, &value); });
}
NV_API int32_t SetgDOUT(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 24, &value); });
}
NV_API int32_t SetgACR(uint32_t handle, int32_t value) {
    return Guarded(-1, [&] { return SetGlobal(handle, 26, &value); });
}

}  // extern "C"
