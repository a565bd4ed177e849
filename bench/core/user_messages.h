#pragma once
// Where the core shows message boxes: the window shows them as dialogs, the headless runner
// writes them to standard error. Callers may be on any thread; implementations serialise.
#include <string>

namespace norvane::bench {

/// The program's title, used as the caption of the fixed-text messages.
inline constexpr const char* kApplicationTitle = "Kestrin";

class UserMessages {
public:
    virtual ~UserMessages() = default;
    /// An information/error box with an OK button; returns when the user has seen it.
    virtual void Show(const std::string& caption, const std::string& body) = 0;
};

}  // namespace norvane::bench
