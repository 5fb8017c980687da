#include "songsmith/session_rows_model.h"

#include <algorithm>

#include "songsmith/prog_string.h"

int CSessionRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(serials_.size());
}

int CSessionRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kSessionColumnCount;
}

int CSessionRowsModel::SerialAt(int row) const {
    return row >= 0 && row < rowCount() ? serials_[static_cast<std::size_t>(row)] : -1;
}

bool CSessionRowsModel::FactsAt(int row, TSessionRowFacts& facts) const {
    const int serial = SerialAt(row);
    return serial >= 0 && reader_ && reader_(serial, facts);
}

QVariant CSessionRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    TSessionRowFacts facts;
    if (!FactsAt(index.row(), facts)) return {};
    return QString::fromStdString(SessionColumnText(facts, index.column(), index.row()));
}

QVariant CSessionRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const char* key = SessionColumnKey(section);
    return *key == '\0' ? QString() : ProgString(key);
}

void CSessionRowsModel::InsertRow(int row, int serial) {
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    serials_.insert(serials_.begin() + row, serial);
    endInsertRows();
}

void CSessionRowsModel::DeleteRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    serials_.erase(serials_.begin() + row);
    endRemoveRows();
}

void CSessionRowsModel::DeleteAll() {
    beginResetModel();
    serials_.clear();
    endResetModel();
}

void CSessionRowsModel::MoveRow(int from, int to) {
    const int count = rowCount();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) return;
    // The model's destination is the row the moved one goes before.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    const int serial = serials_[static_cast<std::size_t>(from)];
    serials_.erase(serials_.begin() + from);
    serials_.insert(serials_.begin() + to, serial);
    endMoveRows();
}

void CSessionRowsModel::Redraw(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first > last) return;
    emit dataChanged(index(first, 0), index(last, kSessionColumnCount - 1));
}
