#include "songsmith/prefs/ui/list_box_rows.h"

#include <QListWidget>
#include <algorithm>

int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

void SelectRow(QListWidget* list, int row) {
    if (row < 0 || row >= list->count()) {
        list->clearSelection();
        list->setCurrentRow(-1);
        return;
    }
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void DeleteSelectedRow(QListWidget* list) {
    const int row = SelectedRow(list);
    if (row < 0) return;
    delete list->takeItem(row);
    SelectRow(list, std::min(row, list->count() - 1));
}

namespace {

// Where a folder row keeps its path's bytes (the user role is the caller's).
constexpr int kPathRole = Qt::UserRole + 1;

}  // namespace

QListWidgetItem* AppendPathRow(QListWidget* list, const std::string& path) {
    auto* item = new QListWidgetItem(
        QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())), list);
    item->setData(kPathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    return item;
}

std::string RowPath(const QListWidget* list, int row) {
    const QListWidgetItem* item = list->item(row);
    return item == nullptr ? std::string() : item->data(kPathRole).toByteArray().toStdString();
}

bool HasRowPath(const QListWidget* list, const std::string& path) {
    for (int i = 0; i < list->count(); ++i)
        if (RowPath(list, i) == path) return true;
    return false;
}

void SwapRowPaths(QListWidget* list, int a, int b) {
    QListWidgetItem* first = list->item(a);
    QListWidgetItem* second = list->item(b);
    if (first == nullptr || second == nullptr) return;
    const QString text = first->text();
    const QVariant path = first->data(kPathRole);
    first->setText(second->text());
    first->setData(kPathRole, second->data(kPathRole));
    second->setText(text);
    second->setData(kPathRole, path);
}
