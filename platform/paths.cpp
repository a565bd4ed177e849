#include "platform/paths.h"

#include <unistd.h>

#include <climits>

namespace norvane::platform {

std::string ExecutableDirectory() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    std::string full(path, static_cast<size_t>(n));
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? std::string("./") : full.substr(0, slash + 1);
}

}  // namespace norvane::platform
