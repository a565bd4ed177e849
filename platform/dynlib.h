#pragma once
// Dynamic loading of a shared library by file name, and symbol lookup by name.
#include <string>

namespace norvane::platform {

/// Owns one dlopen handle. Move-only; unloads on destruction.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    /// Loads by name through the normal loader search (a name without '/') or by path.
    /// false when it cannot be loaded; LastError() then says why.
    bool Load(const std::string& name);
    void Unload();
    bool IsLoaded() const { return handle_ != nullptr; }
    /// Address of the symbol, or nullptr.
    void* Symbol(const char* name) const;
    const std::string& LastError() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

/// Loads name into library: a bare file name (no '/') first from the directory of the object
/// that contains anchor (the SDK's own library, so a library shipped beside it wins), then
/// through the loader's search; a path as it stands. false when neither loads.
bool LoadBesideOrByName(DynamicLibrary& library, const std::string& name, const void* anchor);

}  // namespace norvane::platform
