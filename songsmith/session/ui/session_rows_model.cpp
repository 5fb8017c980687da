#include "songsmith/session/ui/session_rows_model.h"

#include <QTimer>
#include <algorithm>
#include <unordered_map>

#include "songsmith/app/ui/prog_string.h"

int CSessionRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(serials_.size());
}

int CSessionRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kSessionColumnCount;
}

int CSessionRowsModel::SerialAt(int row) const {
    return row >= 0 && row < rowCount() ? serials_[static_cast<std::size_t>(row)] : -1;
}

const TSessionRowFacts* CSessionRowsModel::FactsAt(int row) const {
    const int serial = SerialAt(row);
    if (serial < 0 || !reader_) return nullptr;
    if (serial != cachedSerial_) {
        if (!reader_(serial, cached_)) {
            Forget();
            return nullptr;
        }
        cachedSerial_ = serial;
        if (!dropQueued_) {
            dropQueued_ = true;
            QTimer::singleShot(0, this, [this] {
                dropQueued_ = false;
                Forget();
            });
        }
    }
    return &cached_;
}

QVariant CSessionRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const TSessionRowFacts* facts = FactsAt(index.row());
    if (facts == nullptr) return {};
    return QString::fromStdString(SessionColumnText(*facts, index.column(), index.row()));
}

QVariant CSessionRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const char* key = SessionColumnKey(section);
    return *key == '\0' ? QString() : ProgString(key);
}

void CSessionRowsModel::EndMoves() {
    if (!moving_) return;
    moving_ = false;
    std::unordered_map<int, int> rowOf;
    for (int row = 0; row < rowCount(); ++row) rowOf[serials_[static_cast<std::size_t>(row)]] = row;
    QModelIndexList movedTo;
    for (int i = 0; i < movedFrom_.size(); ++i) {
        const auto found = rowOf.find(movedSerials_[static_cast<std::size_t>(i)]);
        movedTo.push_back(found == rowOf.end() ? QModelIndex() : index(found->second, movedFrom_[i].column()));
    }
    changePersistentIndexList(movedFrom_, movedTo);
    movedFrom_.clear();
    movedSerials_.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CSessionRowsModel::InsertRow(int row, int serial) {
    EndMoves();
    Forget();
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    serials_.insert(serials_.begin() + row, serial);
    endInsertRows();
}

void CSessionRowsModel::DeleteRow(int row) {
    EndMoves();
    Forget();
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    serials_.erase(serials_.begin() + row);
    endRemoveRows();
}

void CSessionRowsModel::DeleteAll() {
    EndMoves();
    Forget();
    beginResetModel();
    serials_.clear();
    endResetModel();
}

void CSessionRowsModel::MoveRow(int from, int to) {
    Forget();
    const int count = rowCount();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) return;
    if (!moving_) {
        moving_ = true;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        movedFrom_ = persistentIndexList();
        for (const QModelIndex& moved : movedFrom_) movedSerials_.push_back(SerialAt(moved.row()));
        if (movesStarted_) movesStarted_();
    }
    const int serial = serials_[static_cast<std::size_t>(from)];
    serials_.erase(serials_.begin() + from);
    serials_.insert(serials_.begin() + to, serial);
}

void CSessionRowsModel::Redraw(int first, int last) {
    Forget();
    // A run of moves ends in a layout change, which draws every row.
    if (moving_) return;
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first > last) return;
    emit dataChanged(index(first, 0), index(last, kSessionColumnCount - 1));
}
