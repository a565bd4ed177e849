#include "bench/core/language.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/core/file_text.h"
#include "bench/core/profile_text.h"

namespace norvane::bench {

namespace {

constexpr size_t kMaxTextCharacters = 999;

bool IsIniFile(const std::filesystem::path& path) {
    std::string extension = profile::FoldKey(path.extension().string());
    return extension == ".INI";
}

}  // namespace

std::string LanguageFolder(const std::string& programDir) {
    return JoinPath(programDir, "Language");
}
std::string SettingsFile(const std::string& programDir) {
    return JoinPath(LanguageFolder(programDir), "setting.ini");
}

std::string UserSettingsFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return JoinPath(JoinPath(config, "kestrin"), "setting.ini");
    const char* home = std::getenv("HOME");
    if (home && *home) return JoinPath(JoinPath(home, ".config/kestrin"), "setting.ini");
    return {};
}

std::string FinishText(std::string_view raw) {
    std::string out;
    size_t characters = 0;
    for (size_t i = 0; i < raw.size() && characters < kMaxTextCharacters;) {
        if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n') {
            out += '\n';
            i += 2;
            ++characters;
            continue;
        }
        // One character: a lead byte and its continuation bytes.
        size_t j = i + 1;
        while (j < raw.size() && (static_cast<unsigned char>(raw[j]) & 0xC0) == 0x80) ++j;
        out.append(raw.substr(i, j - i));
        i = j;
        ++characters;
    }
    return out;
}

void Language::LoadText(std::string_view text) {
    texts_.clear();
    for (auto& [key, value] : profile::ReadSection(text, "String")) texts_.emplace(key, FinishText(value));
}

bool Language::Load(const std::string& programDir, const Options& options, UserMessages& messages) {
    texts_.clear();
    file_.clear();
    name_ = options.requested;
    const std::string installed = SettingsFile(programDir), user = UserSettingsFile();
    const auto userText = user.empty() ? std::nullopt : ReadFileText(user);
    const auto settingsText = userText ? userText : ReadFileText(installed);
    if (name_.empty()) {
        name_ = "English";
        if (settingsText) {
            if (auto named = profile::ReadValue(*settingsText, "Setting", "Language")) name_ = *named;
        }
    }

    // The settings file is not a language file; the rest are examined in name order, so the
    // choice does not depend on the directory's order.
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    std::filesystem::directory_iterator it(LanguageFolder(programDir), error), end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_regular_file(kindError) || !IsIniFile(it->path())) continue;
        if (profile::FoldKey(it->path().filename().string()) == "SETTING.INI") continue;
        candidates.push_back(it->path());
    }
    std::sort(candidates.begin(), candidates.end());
    for (const auto& path : candidates) {
        const auto text = ReadFileText(path.string());
        if (!text) continue;
        const auto declared = profile::ReadValue(*text, "Setting", "Language");
        if (!declared || declared->empty() || *declared != name_) continue;
        file_ = path.string();
        LoadText(*text);
        break;
    }
    if (file_.empty()) messages.Show(kApplicationTitle, kLoadLanguageFailed);

    if (options.writeBack) {
        const std::string updated =
            profile::WriteValue(settingsText.value_or(""), "Setting", "Language", name_);
        if (!settingsText || updated != *settingsText) {
            // The file that was read keeps the choice; a read-only installation hands it over to
            // the user's configuration folder.
            if (userText) {
                WriteFileText(user, updated);
            } else if (!WriteFileText(installed, updated) && !user.empty()) {
                std::error_code ignored;
                std::filesystem::create_directories(std::filesystem::path(user).parent_path(), ignored);
                WriteFileText(user, updated);
            }
        }
    }
    return !file_.empty();
}

std::string Language::Lookup(std::string_view key) const {
    const auto it = texts_.find(profile::FoldKey(key));
    return it == texts_.end() ? std::string(kNotFound) : it->second;
}

bool Language::Has(std::string_view key) const {
    return texts_.count(profile::FoldKey(key)) != 0;
}

}  // namespace norvane::bench
