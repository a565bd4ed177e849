#pragma once
// Where the core shows message boxes: the window shows them as dialogs, the headless runner
// writes them to standard error. Callers may be on any thread; implementations serialise.
#include <string>

namespace norvane::bench {

/// The program's title, used as the caption of the fixed-text messages.
inline constexpr const char* kApplicationTitle = "Kestrin";

/// The buttons a question offers and the one chosen.
enum class Answer { Yes, No, Cancel };

class UserMessages {
public:
    virtual ~UserMessages() = default;
    /// An information/error box with an OK button; returns when the user has seen it.
    virtual void Show(const std::string& caption, const std::string& body) = 0;
    /// A box without an icon (a success note); shown as Show unless the view tells them apart.
    virtual void Inform(const std::string& caption, const std::string& body) { Show(caption, body); }
    /// A question with Yes and No (and Cancel when withCancel). Where nobody can answer (the
    /// headless runner) the question is shown and answered Yes.
    virtual Answer Ask(const std::string& caption, const std::string& body, bool withCancel = false) {
        (void)withCancel;
        Show(caption, body);
        return Answer::Yes;
    }
};

}  // namespace norvane::bench
