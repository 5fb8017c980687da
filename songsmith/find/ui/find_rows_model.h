#pragma once
// The Find page's list model: the found rows in the order they arrived, or
// the four placeholder rows shown while a search waits for new songs.

#include <QAbstractTableModel>
#include <vector>

#include "songsmith/find/find_columns.h"

struct TFindSortOrder;

inline constexpr int kFindPlaceholderRows = 4;

class CFoundRowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Appends rows as one insert.
    void Append(std::vector<TFoundRow> rows);
    void Clear();
    void SetPlaceholder(bool on);
    bool Placeholder() const { return placeholder_; }
    // Marks the rows with this path (case ignored) in or out of the session.
    void SetInSession(const char* path, bool inSession);
    // The row the player plays, by its entry's serial (-1: none), so that
    // it stays the same row through sorts and removals.
    void SetPlayingSerial(long serial) { playingSerial_ = serial; }
    long PlayingSerial() const { return playingSerial_; }
    int PlayingRow() const { return RowOfSerial(playingSerial_); }

    const std::vector<TFoundRow>& Rows() const { return rows_; }
    // The row at index; null outside the rows.
    TFoundRow* RowAt(int row);
    // The row of the entry with serial, or of the first entry with path
    // (case ignored); -1 when none.
    int RowOfSerial(long serial) const;
    int RowOfPath(const char* path) const;
    // A row's look changed: the view draws it again.
    void RowChanged(int row);
    void RemoveRow(int row);
    // Puts the rows in order, as one layout change.
    void Sort(const TFindSortOrder& order);

private:
    std::vector<TFoundRow> rows_;
    bool placeholder_ = false;
    long playingSerial_ = -1;
};
