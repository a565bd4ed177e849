#include "bench/core/file_text.h"

#include <fstream>
#include <sstream>

namespace norvane::bench {

std::optional<std::string> ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return bytes.str();
}

bool WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

std::string JoinPath(const std::string& path, const std::string& name) {
    if (path.empty()) return name;
    return path.back() == '/' ? path + name : path + "/" + name;
}

}  // namespace norvane::bench
