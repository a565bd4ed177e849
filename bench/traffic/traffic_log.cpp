#include "bench/traffic/traffic_log.h"

#include <algorithm>

namespace norvane::bench {

bool TrafficFilter::Accepts(const TrafficRow& row) const {
    if (node && row.node != *node) return false;
    if (command && (row.controlWord < 0 || (row.controlWord & 0x7F) != *command)) return false;
    return true;
}

TrafficLog::Change TrafficLog::Plan(const std::vector<TrafficRow>& rows) const {
    Change change;
    if (paused_) return change;
    const auto accepted = static_cast<size_t>(std::count_if(
        rows.begin(), rows.end(), [this](const TrafficRow& row) { return filter_.Accepts(row); }));
    // Rows beyond the capacity never show: only the newest `capacity_` of them join.
    change.added = std::min(accepted, capacity_);
    const size_t total = shown_.size() + change.added;
    change.removedFront = total > capacity_ ? total - capacity_ : 0;
    return change;
}

TrafficLog::Change TrafficLog::Append(const std::vector<TrafficRow>& rows) {
    const Change change = Plan(rows);
    for (const TrafficRow& row : rows) {
        all_.push_back(row);
        if (row.node >= 0) nodes_.insert(row.node);
        if (row.controlWord >= 0) commands_.emplace(row.controlWord & 0x7F, row.command);
    }
    while (all_.size() > capacity_) all_.pop_front();
    if (paused_) return change;
    shown_.erase(shown_.begin(), shown_.begin() + static_cast<std::ptrdiff_t>(change.removedFront));
    for (const TrafficRow& row : rows) {
        if (filter_.Accepts(row)) shown_.push_back(row);
    }
    // More rows than the capacity in one batch: only the newest of them stay.
    while (shown_.size() > capacity_) shown_.pop_front();
    return change;
}

void TrafficLog::DropShownFront(size_t count) {
    shown_.erase(shown_.begin(),
                 shown_.begin() + static_cast<std::ptrdiff_t>(std::min(count, shown_.size())));
}

void TrafficLog::SetPaused(bool paused) {
    if (paused_ == paused) return;
    paused_ = paused;
    if (!paused_) Rebuild();
}

void TrafficLog::SetFilter(const TrafficFilter& filter) {
    filter_ = filter;
    Rebuild();
}

void TrafficLog::Clear() {
    all_.clear();
    shown_.clear();
    nodes_.clear();
    commands_.clear();
}

void TrafficLog::Rebuild() {
    shown_.clear();
    for (const TrafficRow& row : all_) {
        if (filter_.Accepts(row)) shown_.push_back(row);
    }
}

std::string TrafficLog::CandumpText() const {
    std::string text;
    for (const TrafficRow& row : shown_) text += CandumpLine(row);
    return text;
}

}  // namespace norvane::bench
