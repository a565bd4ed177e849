#include "bench/panel/command_history.h"

namespace norvane::bench {

void CommandHistory::Add(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return;
    const size_t last = text.find_last_not_of(" \t");
    latest_ = std::string(text.substr(first, last - first + 1));
    entries_.push_front(latest_);
    if (entries_.size() > kLimit) entries_.pop_back();
}

}  // namespace norvane::bench
