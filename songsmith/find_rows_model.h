#pragma once
// The Find page's list model: the found rows in the order they arrived, or
// the four placeholder rows shown while a search waits for new songs.

#include <QAbstractTableModel>
#include <vector>

#include "songsmith/core/find_columns.h"

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
    // Which row plays (-1: none).
    void SetPlayingRow(int row) { playingRow_ = row; }
    int PlayingRow() const { return playingRow_; }

    const std::vector<TFoundRow>& Rows() const { return rows_; }

private:
    std::vector<TFoundRow> rows_;
    bool placeholder_ = false;
    int playingRow_ = -1;
};
