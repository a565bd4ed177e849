#pragma once
// The traffic table's model: the shown rows of a TrafficLog as columns of text. Rows join in
// batches (one insert per batch) and the oldest leave at the top, so the view stays responsive
// under a flood. User-interface thread only.
#include <QAbstractTableModel>
#include <functional>
#include <vector>

#include "bench/core/language.h"
#include "bench/traffic/traffic_log.h"

namespace norvane::bench {

class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Direction, Identifier, Node, ControlWord, Command, Data, Value, ColumnCount };

    TrafficModel(TrafficLog& log, const Language& language, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// Takes a batch: the rows leaving and the rows joining are announced around the log's change.
    void Append(const std::vector<TrafficRow>& rows);
    /// Runs a change of the log as a whole (filter, pause, clear); the view reads it again.
    void Reload(const std::function<void()>& change);
    /// The text of a cell, as the table shows it.
    QString Cell(int row, int column) const;

private:
    TrafficLog& log_;
    const Language& language_;
    int64_t utcOffset_ = 0;  ///< the local time's offset, taken when rows join
};

}  // namespace norvane::bench
