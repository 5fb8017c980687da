#include "songsmith/find/ui/find_rows_model.h"

#include <strings.h>

#include <QBrush>
#include <string>

#include "songsmith/find/find_sort.h"
#include "songsmith/app/ui/prog_string.h"

int CFoundRowsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return placeholder_ ? kFindPlaceholderRows : static_cast<int>(rows_.size());
}

int CFoundRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFindColumnCount;
}

QVariant CFoundRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (placeholder_) {
        if (role == Qt::DisplayRole && index.column() == 0) {
            const std::string key = "FindTab_Empty" + std::to_string(index.row() + 1);
            return ProgString(key.c_str());
        }
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        if (role == Qt::ForegroundRole) return QBrush(QColor(0, 0, 0));
        return {};
    }
    const std::size_t row = static_cast<std::size_t>(index.row());
    if (row >= rows_.size()) return {};
    const TFoundRow& found = rows_[row];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(FindColumnText(found, index.column()));
        case Qt::ForegroundRole:
            // Rows in the session are blue.
            return QBrush(found.inSession ? QColor(0, 0, 255) : QColor(0, 0, 0));
        default:
            return {};
    }
}

QVariant CFoundRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return ProgString(FindColumn(section).key);
}

void CFoundRowsModel::Append(std::vector<TFoundRow> rows) {
    if (rows.empty()) return;
    if (placeholder_) SetPlaceholder(false);
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (TFoundRow& row : rows) rows_.push_back(std::move(row));
    endInsertRows();
}

void CFoundRowsModel::Clear() {
    beginResetModel();
    rows_.clear();
    placeholder_ = false;
    playingSerial_ = -1;
    endResetModel();
}

void CFoundRowsModel::SetPlaceholder(bool on) {
    if (on == placeholder_) return;
    beginResetModel();
    placeholder_ = on;
    endResetModel();
}

void CFoundRowsModel::SetInSession(const char* path, bool inSession) {
    if (path == nullptr) return;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (strcasecmp(rows_[i].entry.path, path) != 0) continue;
        rows_[i].inSession = inSession;
        const int row = static_cast<int>(i);
        emit dataChanged(index(row, 0), index(row, kFindColumnCount - 1));
    }
}

TFoundRow* CFoundRowsModel::RowAt(int row) {
    if (placeholder_ || row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

int CFoundRowsModel::RowOfSerial(long serial) const {
    if (serial < 0) return -1;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (static_cast<long>(rows_[i].entry.serial) == serial) return static_cast<int>(i);
    return -1;
}

int CFoundRowsModel::RowOfPath(const char* path) const {
    if (path == nullptr) return -1;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (strcasecmp(rows_[i].entry.path, path) == 0) return static_cast<int>(i);
    return -1;
}

void CFoundRowsModel::RowChanged(int row) {
    if (row < 0 || row >= rowCount()) return;
    emit dataChanged(index(row, 0), index(row, kFindColumnCount - 1));
}

void CFoundRowsModel::RemoveRow(int row) {
    if (placeholder_ || row < 0 || row >= static_cast<int>(rows_.size())) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void CFoundRowsModel::Sort(const TFindSortOrder& order) {
    if (placeholder_) return;
    emit layoutAboutToBeChanged();
    SortFoundRows(rows_, order);
    emit layoutChanged();
}
