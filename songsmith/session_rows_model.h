#pragma once
// The session list's rows for its table view: one row per track, each
// holding only the track's serial, in the session list's row order. What a
// cell shows is read from the track list (under its lock) when the cell is
// drawn, so a track the loader changes shows its new state at the next draw.

#include <QAbstractTableModel>
#include <functional>
#include <vector>

#include "songsmith/core/session_columns.h"

class CSessionRowsModel final : public QAbstractTableModel {
public:
    // Reads a track's row facts by serial; false when the track is gone.
    using TFactsReader = std::function<bool(int serial, TSessionRowFacts& facts)>;

    explicit CSessionRowsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void SetFactsReader(TFactsReader reader) { reader_ = std::move(reader); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int SerialAt(int row) const;
    // The facts of the track in row; false outside the rows or for a gone
    // track.
    bool FactsAt(int row, TSessionRowFacts& facts) const;

    void InsertRow(int row, int serial);
    void DeleteRow(int row);
    void DeleteAll();
    // The row at from now stands at to.
    void MoveRow(int from, int to);
    void Redraw(int first, int last);

private:
    TFactsReader reader_;
    std::vector<int> serials_;
};
