#pragma once
// The history of the command-entry box: every successful panel command's text, at most 30
// entries, shown newest first. Pure; lives on the user-interface thread with the window.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace norvane::bench {

class CommandHistory {
public:
    static constexpr size_t kLimit = 30;
    /// Trims blanks at both ends; an empty text is ignored. Otherwise the text becomes the newest
    /// entry (and the box's edit text), and the oldest goes when there are more than 30.
    void Add(std::string_view text);
    /// Newest first, as the drop-down list shows them.
    const std::deque<std::string>& Entries() const { return entries_; }
    /// The text of the last command added (the edit text of the box).
    const std::string& Latest() const { return latest_; }

private:
    std::deque<std::string> entries_;
    std::string latest_;
};

}  // namespace norvane::bench
