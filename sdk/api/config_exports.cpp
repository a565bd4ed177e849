// Configuration exports over Para.ini.
#include "norvane/NorvaneFunc.h"
#include "sdk/api/config_files.h"
#include "sdk/api/export_guard.h"

namespace config = norvane::sdk::config;
using norvane::sdk::Guarded;

extern "C" {

NV_API int32_t InitSDKConfig(void) {
    return Guarded(1, [] { return config::Init(); });
}

NV_API int32_t GetSDKConfigParam(const char* key, int32_t* value) {
    return Guarded(-1, [&] { return config::Get(key, value); });
}

NV_API int32_t SetSDKConfigParam(const char* key, int32_t value) {
    return Guarded(-1, [&] { return config::Set(key, value); });
}

NV_API int32_t DeInitSDKConfig(void) {
    return Guarded(1, [] { return config::DeInit(); });
}

}  // extern "C"
