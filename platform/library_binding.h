#pragma once
// Binding a library's entry points at run time: the library is loaded by name (beside the
// anchor's object first, see LoadBesideOrByName), its entry points are looked up into a table,
// and table and library are kept for the rest of the process, once per name.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/dynlib.h"

namespace norvane::platform {

/// Keeps library loaded until the process ends (its entry points stay valid).
void KeepLoaded(DynamicLibrary library);

/// Looks the symbol name up into entry (a function pointer); false when it is missing.
template <typename T>
bool LookUp(const DynamicLibrary& library, const char* name, T& entry) {
    entry = reinterpret_cast<T>(library.Symbol(name));
    return entry != nullptr;
}

/// The entry table of the library called name: loaded and filled by fill (false: incomplete) on
/// the first call for that name, then the same table; null while the library cannot be loaded or
/// fill fails (tried again on the next call). Thread-safe.
template <typename Entries>
std::shared_ptr<const Entries> BindOnce(const std::string& name, const void* anchor,
                                        bool (*fill)(const DynamicLibrary& library, Entries& entries)) {
    static std::mutex lock;
    static auto* bound = new std::map<std::string, std::shared_ptr<const Entries>>();
    std::lock_guard guard(lock);
    auto& entry = (*bound)[name];
    if (!entry) {
        DynamicLibrary library;
        auto entries = std::make_shared<Entries>();
        if (LoadBesideOrByName(library, name, anchor) && fill(library, *entries)) {
            KeepLoaded(std::move(library));
            entry = std::move(entries);
        }
    }
    return entry;
}

}  // namespace norvane::platform
