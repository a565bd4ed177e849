#include "bench/core/node_list.h"

namespace norvane::bench {

bool NodeList::SetMultiSelect(bool on) {
    multiSelect_ = on;
    if (on) return false;
    bool changed = false;
    for (size_t keep = 0; keep < rows_.size(); ++keep)
        for (size_t i = 0; i < rows_.size(); ++i)
            if (i != keep) changed = Untick(i) || changed;
    return changed;
}

NodeList::TickResult NodeList::Tick(size_t row) {
    if (row >= rows_.size() || rows_[row].ticked) return TickResult::Unchanged;
    rows_[row].ticked = true;
    if (!multiSelect_) {
        for (size_t i = 0; i < rows_.size(); ++i)
            if (i != row) rows_[i].ticked = false;
        return TickResult::Ticked;
    }
    if (SameModel()) return TickResult::Ticked;
    rows_[row].ticked = false;
    return TickResult::Refused;
}

bool NodeList::Untick(size_t row) {
    if (row >= rows_.size() || !rows_[row].ticked) return false;
    rows_[row].ticked = false;
    return true;
}

void NodeList::UntickAll() {
    for (NodeRow& row : rows_) row.ticked = false;
}

bool NodeList::SameModel() const {
    std::optional<std::string> reference;
    for (const NodeRow& row : rows_) {
        if (!row.ticked) continue;
        const std::string text = row.model + row.firmware;
        if (!reference)
            reference = text;
        else if (*reference != text)
            return false;
    }
    return true;
}

std::optional<int> NodeList::FirstTicked() const {
    for (const NodeRow& row : rows_)
        if (row.ticked) return row.id;
    return std::nullopt;
}

std::vector<int> NodeList::TickedIds() const {
    std::vector<int> ids;
    for (const NodeRow& row : rows_)
        if (row.ticked) ids.push_back(row.id);
    return ids;
}

}  // namespace norvane::bench
