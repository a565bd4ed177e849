#pragma once
// The rows of the node list and its ticking rules: single-select keeps one ticked row, multi-select
// allows several of the same model and firmware, and turning multi-select off unticks as the
// window does (a list of two or more rows ends with none ticked). Pure; owned by the window logic
// on the user-interface thread.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace norvane::bench {

struct NodeRow {
    int id = 0;
    std::string model;
    std::string firmware;  ///< decimal, as the list shows it
    bool ticked = false;
};

class NodeList {
public:
    enum class TickResult { Unchanged, Ticked, Refused };

    void Fill(std::vector<NodeRow> rows) { rows_ = std::move(rows); }
    void Clear() { rows_.clear(); }
    const std::vector<NodeRow>& Rows() const { return rows_; }
    size_t Size() const { return rows_.size(); }

    bool MultiSelect() const { return multiSelect_; }
    /// Turning it off unticks, for every row in order, all other rows; returns whether any row
    /// changed.
    bool SetMultiSelect(bool on);

    /// The operator ticks (or selects) row. Single-select: the other rows are unticked.
    /// Multi-select: a row whose model and firmware differ from the ticked ones is refused and
    /// stays unticked.
    TickResult Tick(size_t row);
    /// Unticks row; false when it was not ticked.
    bool Untick(size_t row);
    void UntickAll();

    /// All ticked rows share the text model + firmware (true when fewer than two are ticked).
    bool SameModel() const;
    std::optional<int> FirstTicked() const;
    std::vector<int> TickedIds() const;

private:
    std::vector<NodeRow> rows_;
    bool multiSelect_ = false;
};

}  // namespace norvane::bench
