#include "bench/core/language.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/core/file_text.h"
#include "bench/core/profile_text.h"
#include "bench/core/settings_place.h"

namespace norvane::bench {

namespace {

constexpr size_t kMaxTextCharacters = 999;

bool IsIniFile(const std::filesystem::path& path) {
    std::string extension = profile::FoldKey(path.extension().string());
    return extension == ".INI";
}

// The language files of the folder in name order, so the choice does not depend on the
// directory's order; the settings file is not one of them.
std::vector<std::filesystem::path> LanguageFiles(const std::string& programDir) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    std::filesystem::directory_iterator it(LanguageFolder(programDir), error), end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_regular_file(kindError) || !IsIniFile(it->path())) continue;
        if (profile::FoldKey(it->path().filename().string()) == "SETTING.INI") continue;
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::vector<std::string> AvailableLanguages(const std::string& programDir) {
    std::vector<std::string> names;
    for (const auto& path : LanguageFiles(programDir)) {
        const auto text = ReadFileText(path.string());
        if (!text) continue;
        const auto name = profile::ReadValue(*text, "Setting", "Language");
        if (name && !name->empty()) names.push_back(*name);
    }
    return names;
}

std::optional<std::string> SaveLanguageChoice(const std::string& programDir, const std::string& name) {
    const SettingsPlace settings(programDir, "Language/setting.ini");
    return settings.Write(profile::WriteValue(settings.Read().value_or(""), "Setting", "Language", name));
}

std::string LanguageFolder(const std::string& programDir) {
    return JoinPath(programDir, "Language");
}
std::string SettingsFile(const std::string& programDir) {
    return JoinPath(LanguageFolder(programDir), "setting.ini");
}

std::string UserSettingsFile() {
    const std::string folder = UserConfigFolder();
    return folder.empty() ? folder : JoinPath(folder, "setting.ini");
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
    const SettingsPlace settings(programDir, "Language/setting.ini");
    const auto settingsText = settings.Read();
    if (name_.empty()) {
        name_ = "English";
        if (settingsText) {
            if (auto named = profile::ReadValue(*settingsText, "Setting", "Language")) name_ = *named;
        }
    }

    for (const auto& path : LanguageFiles(programDir)) {
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
        // The user's copy keeps the choice once it exists; an installation is never written.
        if (!settingsText || updated != *settingsText) settings.Write(updated);
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
