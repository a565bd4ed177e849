#pragma once
#include <string>

namespace norvane::platform {

/// Directory of the running executable (from /proc/self/exe), with a trailing '/'.
/// Falls back to "./" when the link cannot be read.
std::string ExecutableDirectory();

}  // namespace norvane::platform
