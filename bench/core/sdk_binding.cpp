#include "bench/core/sdk_binding.h"

namespace norvane::bench {

BindResult SdkLibrary::Bind(const std::string& library) {
    Release();
    BindResult result;
    if (!library_.Load(library)) {
        result.loadError = library_.LastError();
        return result;
    }
    result = FillTable(
        [](void* context, const char* name) {
            return static_cast<platform::DynamicLibrary*>(context)->Symbol(name);
        },
        &library_, table_);
    if (!result.ok) Release();
    return result;
}

void SdkLibrary::Release() {
    FillWithFailingCalls(table_);
    library_.Unload();
}

}  // namespace norvane::bench
