#pragma once
// Start-up of the program's core: the language table first (so every later message is in the
// chosen language), then the SDK binding. Main thread, before any worker exists.
#include <string>

#include "bench/core/language.h"
#include "bench/core/sdk_binding.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

/// Binds the SDK; on failure shows the language text of "IDS_LOAD_DLL_FAIL" under the program's
/// title and returns false (the program then ends without its window).
bool BindSdkOrExplain(SdkLibrary& sdk, const Language& language, UserMessages& messages,
                      const std::string& library = kSdkLibraryName);

}  // namespace norvane::bench
