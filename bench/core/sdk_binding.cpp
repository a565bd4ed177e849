#include "bench/core/sdk_binding.h"

#include <dlfcn.h>

#include "platform/paths.h"

namespace norvane::bench {

BindResult SdkLibrary::Bind(const std::string& library) {
    Release();
    BindResult result;
    // A bare name is found next to the program through its RUNPATH ($ORIGIN). Sanitizer
    // runtimes intercept dlopen, which hides the program's RUNPATH from the loader, so the
    // program's own folder is also tried directly: the same place $ORIGIN names.
    if (!library_.Load(library) && (library.find('/') != std::string::npos ||
                                    !library_.Load(platform::ExecutableDirectory() + library))) {
        result.loadError = library_.LastError();
        return result;
    }
    result = FillTable(
        [](void* context, const char* name) {
            return static_cast<platform::DynamicLibrary*>(context)->Symbol(name);
        },
        &library_, table_);
    if (!result.ok) {
        Release();
        return result;
    }
    // The SDK's gateway objects and threads live until the process ends, so its code must stay
    // mapped after the program releases it: mark the loaded library as never to be unloaded.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(table_.KymENA), &info) != 0 && info.dli_fname != nullptr) {
        if (void* pin = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(pin);
    }
    return result;
}

void SdkLibrary::Release() {
    FillWithFailingCalls(table_);
    library_.Unload();
}

}  // namespace norvane::bench
