#include "bench/widgets/traffic_model.h"

#include <QDateTime>

namespace norvane::bench {

namespace {
constexpr const char* kHeaderKeys[TrafficModel::ColumnCount] = {
    "IDS_TRAFFIC_COL_TIME",    "IDS_TRAFFIC_COL_DIRECTION", "IDS_TRAFFIC_COL_ID",   "IDS_TRAFFIC_COL_NODE",
    "IDS_TRAFFIC_COL_CONTROL", "IDS_TRAFFIC_COL_COMMAND",   "IDS_TRAFFIC_COL_DATA", "IDS_TRAFFIC_COL_VALUE",
};
}  // namespace

TrafficModel::TrafficModel(TrafficLog& log, const Language& language, QObject* parent)
    : QAbstractTableModel(parent), log_(log), language_(language) {
    utcOffset_ = QDateTime::currentDateTime().offsetFromUtc();
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(log_.Shown().size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrafficModel::Cell(int row, int column) const {
    if (row < 0 || static_cast<size_t>(row) >= log_.Shown().size()) return {};
    const TrafficRow& r = log_.Shown()[static_cast<size_t>(row)];
    switch (column) {
        case Time:
            return QString::fromStdString(TimeOfDayText(r.frame.timeMicros, utcOffset_));
        case Direction:
            return QString::fromStdString(
                language_.Lookup(r.received ? "IDS_TRAFFIC_RECEIVED" : "IDS_TRAFFIC_SENT"));
        case Identifier:
            return QString::fromStdString(IdentifierText(r.frame));
        case Node:
            return r.node < 0 ? QString() : QString::number(r.node);
        case ControlWord:
            return QString::fromStdString(ControlWordText(r));
        case Command:
            return QString::fromStdString(r.command);
        case Data:
            return QString::fromStdString(DataText(r.frame));
        case Value:
            return QString::fromStdString(r.value);
        default:
            return {};
    }
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return Cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Node || index.column() == Value))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(language_.Lookup(kHeaderKeys[section]));
}

void TrafficModel::Append(const std::vector<TrafficRow>& rows) {
    if (rows.empty()) return;
    utcOffset_ = QDateTime::currentDateTime().offsetFromUtc();
    const TrafficLog::Change change = log_.Plan(rows);
    if (change.removedFront > 0) {
        beginRemoveRows({}, 0, static_cast<int>(change.removedFront) - 1);
        log_.DropShownFront(change.removedFront);
        endRemoveRows();
    }
    if (change.added == 0) {
        log_.Append(rows);
        return;
    }
    const int first = static_cast<int>(log_.Shown().size());
    beginInsertRows({}, first, first + static_cast<int>(change.added) - 1);
    log_.Append(rows);
    endInsertRows();
}

void TrafficModel::Reload(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
}

}  // namespace norvane::bench
