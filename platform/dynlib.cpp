#include "platform/dynlib.h"

#include <dlfcn.h>

#include <utility>

namespace norvane::platform {

DynamicLibrary::~DynamicLibrary() {
    Unload();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool DynamicLibrary::Load(const std::string& name) {
    Unload();
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        error_ = why != nullptr ? why : "unknown error";
        return false;
    }
    error_.clear();
    return true;
}

void DynamicLibrary::Unload() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

bool LoadBesideOrByName(DynamicLibrary& library, const std::string& name, const void* anchor) {
    if (name.find('/') == std::string::npos) {
        Dl_info info{};
        if (dladdr(anchor, &info) != 0 && info.dli_fname != nullptr) {
            const std::string path = info.dli_fname;
            const size_t slash = path.rfind('/');
            if (slash != std::string::npos && library.Load(path.substr(0, slash + 1) + name)) return true;
        }
    }
    return library.Load(name);
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr || name == nullptr) return nullptr;
    return dlsym(handle_, name);
}

}  // namespace norvane::platform
