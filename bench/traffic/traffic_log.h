#pragma once
// The traffic view's rows without a display: every row taken (the newest `capacity`), the rows
// the filter lets through (likewise bounded), the nodes and commands seen (the filters' choices),
// pause and clear. Owned and used by the user-interface thread only; no locks, no I/O.
#include <cstddef>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bench/traffic/traffic_row.h"

namespace norvane::bench {

struct TrafficFilter {
    std::optional<int> node;     ///< only rows of this node; none: every node
    std::optional<int> command;  ///< only rows of this command number (control word bits 0-6)
    bool Accepts(const TrafficRow& row) const;
};

class TrafficLog {
public:
    static constexpr size_t kDefaultCapacity = 10000;
    explicit TrafficLog(size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    /// How an append changes the shown rows: first `removedFront` rows leave at the top (the
    /// oldest, beyond the capacity), then `added` rows join at the bottom. A view announces the
    /// two changes in that order (see Append).
    struct Change {
        size_t removedFront = 0;
        size_t added = 0;
    };
    /// What appending rows would do to the shown rows (nothing while paused).
    Change Plan(const std::vector<TrafficRow>& rows) const;
    /// Takes rows: kept in every row taken; shown when the filter lets them through and the log
    /// is not paused. Returns the change Plan gave for them.
    Change Append(const std::vector<TrafficRow>& rows);
    /// Removes the oldest count shown rows. A view that must announce a removal before it
    /// happens calls this with Plan's removedFront, then Append (which then removes nothing).
    void DropShownFront(size_t count);

    /// Paused, rows are still taken but the shown rows stay as they are; resuming shows the rows
    /// taken meanwhile (the shown rows are built again: Rebuild's caller resets its view).
    void SetPaused(bool paused);
    bool Paused() const { return paused_; }
    /// Changing the filter builds the shown rows again from every row taken.
    void SetFilter(const TrafficFilter& filter);
    const TrafficFilter& Filter() const { return filter_; }
    void Clear();

    const std::deque<TrafficRow>& Shown() const { return shown_; }
    size_t Taken() const { return all_.size(); }
    /// Node numbers and command numbers (with their names) seen since the last Clear, ascending.
    const std::set<int>& Nodes() const { return nodes_; }
    const std::set<std::pair<int, std::string>>& Commands() const { return commands_; }
    /// The shown rows as a candump log.
    std::string CandumpText() const;

private:
    void Rebuild();
    size_t capacity_;
    TrafficFilter filter_;
    bool paused_ = false;
    std::deque<TrafficRow> all_;
    std::deque<TrafficRow> shown_;
    std::set<int> nodes_;
    std::set<std::pair<int, std::string>> commands_;
};

}  // namespace norvane::bench
