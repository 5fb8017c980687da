#pragma once
// Row handling the preference pages' folder lists share: the one selected
// row, and deleting it so that the selection stays where the user was.

#include <string>

class QListWidget;
class QListWidgetItem;

// The selected row; -1 when none is.
int SelectedRow(const QListWidget* list);
// Selects row alone; -1 (or a row past the end) clears the selection.
void SelectRow(QListWidget* list, int row);
// Deletes the selected row. The selection stays at the same position, moves
// to the new last row when the last one went, and is cleared when the list
// is empty. Nothing without a selection.
void DeleteSelectedRow(QListWidget* list);

// Folder rows keep their path's bytes beside the text shown, so a name that
// is not valid UTF-8 comes back as it was chosen.
QListWidgetItem* AppendPathRow(QListWidget* list, const std::string& path);
std::string RowPath(const QListWidget* list, int row);
// Whether a row holds path, byte for byte.
bool HasRowPath(const QListWidget* list, const std::string& path);
// Exchanges the folders of two rows; anything else a row holds stays.
void SwapRowPaths(QListWidget* list, int a, int b);
