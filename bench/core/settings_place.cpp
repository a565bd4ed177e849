#include "bench/core/settings_place.h"

#include <cstdlib>
#include <filesystem>

#include "bench/core/file_text.h"

namespace norvane::bench {

std::string UserConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return JoinPath(config, "kestrin");
    const char* home = std::getenv("HOME");
    if (home && *home) return JoinPath(home, ".config/kestrin");
    return {};
}

SettingsPlace::SettingsPlace(const std::string& programDir, const std::string& relative)
    : program_(JoinPath(programDir, relative)) {
    const std::string folder = UserConfigFolder();
    if (!folder.empty()) user_ = JoinPath(folder, std::filesystem::path(relative).filename().string());
    std::error_code ignored;
    installed_ = std::filesystem::exists(JoinPath(programDir, kInstalledMarker), ignored);
}

std::optional<std::string> SettingsPlace::Read() const {
    if (!user_.empty())
        if (auto text = ReadFileText(user_)) return text;
    return ReadFileText(program_);
}

std::optional<std::string> SettingsPlace::Write(const std::string& text) const {
    std::error_code ignored;
    const bool userCopy = !user_.empty() && std::filesystem::exists(user_, ignored);
    if (!userCopy && !installed_ && WriteFileText(program_, text)) return program_;
    if (user_.empty()) return std::nullopt;
    std::filesystem::create_directories(std::filesystem::path(user_).parent_path(), ignored);
    if (WriteFileText(user_, text)) return user_;
    return std::nullopt;
}

}  // namespace norvane::bench
