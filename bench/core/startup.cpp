#include "bench/core/startup.h"

namespace norvane::bench {

bool BindSdkOrExplain(SdkLibrary& sdk, const Language& language, UserMessages& messages,
                      const std::string& library) {
    if (sdk.Bind(library).ok) return true;
    messages.Show(kApplicationTitle, language.Lookup("IDS_LOAD_DLL_FAIL"));
    return false;
}

}  // namespace norvane::bench
