#pragma once
// The session list's rows for its table view: one row per track, each
// holding only the track's serial, in the session list's row order. What a
// cell shows is read from the track list (under its lock) when the cell is
// drawn, so a track the loader changes shows its new state at the next draw.

#include <QAbstractTableModel>
#include <functional>
#include <vector>

#include "songsmith/session/session_columns.h"

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
    // The facts of the track in row, valid until the rows change or control
    // goes back to the event loop; null outside the rows or for a gone track.
    const TSessionRowFacts* FactsAt(int row) const;

    // Moves come in runs (a sort or a shuffle moves every row): the first
    // move of a run starts one layout change, which EndMoves ends, so the
    // views and the selection follow once per run, not once per row.
    // started is called when a run starts.
    void SetMovesStarted(std::function<void()> started) { movesStarted_ = std::move(started); }
    bool Moving() const { return moving_; }
    void EndMoves();

    void InsertRow(int row, int serial);
    void DeleteRow(int row);
    void DeleteAll();
    // The row at from now stands at to.
    void MoveRow(int from, int to);
    void Redraw(int first, int last);

private:
    void Forget() const { cachedSerial_ = -1; }

    TFactsReader reader_;
    std::vector<int> serials_;
    std::function<void()> movesStarted_;
    bool moving_ = false;
    // The persistent indexes when the run started, and their tracks.
    QModelIndexList movedFrom_;
    std::vector<int> movedSerials_;
    // The facts last read: a row's cells are drawn one after another, so
    // one copy serves them all. Dropped when control goes back to the event
    // loop and whenever the rows change, so a track's change shows at the
    // next draw.
    mutable int cachedSerial_ = -1;
    mutable TSessionRowFacts cached_;
    mutable bool dropQueued_ = false;
};
