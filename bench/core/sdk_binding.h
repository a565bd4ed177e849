#pragma once
// Loads libNorvaneFunc.so by name and binds the SDK function table. Owned by the program's
// start-up; Bind and Release run on the main thread before workers start and after they ended.
#include <string>

#include "bench/core/sdk_table.h"
#include "platform/dynlib.h"

namespace norvane::bench {

/// The library file the program binds; found next to the program through RUNPATH $ORIGIN.
inline constexpr const char* kSdkLibraryName = "libNorvaneFunc.so";

class SdkLibrary {
public:
    /// Clears the table, loads the library (a name goes through the loader's search, a path is
    /// taken as is) and resolves every name. ok when every required name was found; otherwise
    /// the library is released again and the table holds failing stand-ins only.
    BindResult Bind(const std::string& library = kSdkLibraryName);
    /// Clears the table (every entry then fails) and drops the library handle. The library itself
    /// stays mapped until the process ends: the SDK's objects and threads outlive any release.
    void Release();
    const SdkTable& Table() const { return table_; }

private:
    platform::DynamicLibrary library_;
    SdkTable table_;
};

}  // namespace norvane::bench
