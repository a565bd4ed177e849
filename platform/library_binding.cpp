#include "platform/library_binding.h"

#include <vector>

namespace norvane::platform {

void KeepLoaded(DynamicLibrary library) {
    static std::mutex lock;
    static auto* kept = new std::vector<DynamicLibrary>();  // never destroyed: never unloaded
    std::lock_guard guard(lock);
    kept->push_back(std::move(library));
}

}  // namespace norvane::platform
