#pragma once
// The order of the Find page's rows when a column title is clicked: the
// comparison of two rows by column, the direction a click chooses, and the
// sort itself.

#include <vector>

#include "songsmith/find/find_columns.h"

// Negative when first goes before second in the column's ascending order,
// positive when after, 0 when the column does not tell them apart. The
// text columns (title, album, artist, location) and the genre and type
// columns compare the second row's text with the first's, so their first
// click lists Z to A; the length, date and size columns put the larger
// value first; the format column lists A to Z; column 0 puts the rows in
// the session after the others.
int CompareFoundRows(int column, const TFoundRow& first, const TFoundRow& second);

// The column the rows were last sorted by and its direction.
struct TFindSortOrder {
    int column = -1;  // none yet
    bool descending = false;
    // A click on column: descending when the same column is clicked again
    // while descending was off; the column becomes the sort column.
    void Click(int clicked) {
        descending = clicked == column && !descending;
        column = clicked;
    }
};

// Sorts rows by the order's column, each pair swapped when descending; rows
// the column does not tell apart keep their order.
void SortFoundRows(std::vector<TFoundRow>& rows, const TFindSortOrder& order);
