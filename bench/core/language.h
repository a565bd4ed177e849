#pragma once
// The language table: every user-visible text is looked up by key in the current language file
// (Language/<name>.ini, section "String"), chosen at start-up by the name in Language/setting.ini,
// or in the user's own copy of that file when there is one (an installed program's folder is
// read-only, so the choice is kept in the user's configuration folder instead).
// Loaded once on the main thread before anything else runs; Lookup is then read-only and safe
// from any thread.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/core/user_messages.h"

namespace norvane::bench {

inline constexpr const char* kNotFound = "Not found";
inline constexpr const char* kLoadLanguageFailed =
    "Load language file failed, please reinstall the application!";

class Language {
public:
    struct Options {
        std::string requested;  ///< language name; empty = the name in setting.ini ("English" when absent)
        bool writeBack = true;  ///< store the name in a settings file afterwards (headless runs do not)
    };
    /// programDir: the folder that holds Language/. Looks for the language file whose
    /// [Setting] Language equals the name exactly; the settings file itself is never taken for
    /// one, and the files are examined in name order. No match: shows the fixed failure message
    /// and every lookup gives "Not found". Returns whether a file was found.
    bool Load(const std::string& programDir, const Options& options, UserMessages& messages);

    /// Text of key with every backslash-n pair turned into a line break, at most 999 characters;
    /// "Not found" for a missing key or when no language file was found.
    std::string Lookup(std::string_view key) const;
    bool Has(std::string_view key) const;

    const std::string& Name() const { return name_; }  ///< the requested name
    const std::string& File() const { return file_; }  ///< full path of the current file, or empty

    /// Loads texts directly from one file's text (tests, fuzzing).
    void LoadText(std::string_view text);

private:
    std::string name_;
    std::string file_;
    std::map<std::string, std::string> texts_;  ///< upper-cased key -> finished text
};

/// The program directory's Language folder and settings file.
std::string LanguageFolder(const std::string& programDir);
std::string SettingsFile(const std::string& programDir);
/// The user's settings file: $XDG_CONFIG_HOME/kestrin/setting.ini, else
/// $HOME/.config/kestrin/setting.ini; empty when neither variable is set. Read before the
/// program's own; written when it exists, when the program is installed or when the program's
/// own cannot be written (SettingsPlace).
std::string UserSettingsFile();

/// The names ([Setting] Language) of the language files in programDir's Language folder, in
/// file-name order; files without a name are left out.
std::vector<std::string> AvailableLanguages(const std::string& programDir);
/// Writes name as the language of the next start into the settings file where Kestrin keeps it
/// (SettingsPlace). The path written, or nothing when it could not be written.
std::optional<std::string> SaveLanguageChoice(const std::string& programDir, const std::string& name);

/// Turns backslash-n pairs into line breaks and cuts the text to 999 characters (not bytes),
/// never inside a UTF-8 sequence.
std::string FinishText(std::string_view raw);

}  // namespace norvane::bench
