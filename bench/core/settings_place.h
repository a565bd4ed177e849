#pragma once
// Where Kestrin keeps a settings file (Language/setting.ini, GWParam.cfg). The program's own
// folder holds it while that folder is a build tree or a copy of one; an installed program
// (its folder holds the marker kInstalledMarker, put there by the install rules) never writes
// into its installation, and keeps the file in the user's configuration folder instead, as does
// a program whose folder cannot be written. Plain file access on the calling thread.
#include <optional>
#include <string>

namespace norvane::bench {

/// The file beside an installed kestrin that says so.
inline constexpr const char* kInstalledMarker = "kestrin-installed";

/// $XDG_CONFIG_HOME/kestrin, else $HOME/.config/kestrin; empty when neither variable is set.
std::string UserConfigFolder();

class SettingsPlace {
public:
    /// programDir/relative in the program's folder; the user's copy is UserConfigFolder()/<file
    /// name of relative>.
    SettingsPlace(const std::string& programDir, const std::string& relative);

    /// The user's copy when it exists, else the program's; nothing when neither can be read.
    std::optional<std::string> Read() const;
    /// Replaces the file the choice is kept in: the user's copy when it exists; else the
    /// program's, unless the program is installed or its file cannot be written; else a new
    /// user's copy (its folder created). Returns the path written, or nothing when every place
    /// failed.
    std::optional<std::string> Write(const std::string& text) const;

    const std::string& ProgramPath() const { return program_; }
    const std::string& UserPath() const { return user_; }  ///< empty without a configuration folder
    bool Installed() const { return installed_; }

private:
    std::string program_, user_;
    bool installed_ = false;
};

}  // namespace norvane::bench
