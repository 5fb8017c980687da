// The Library page's rows: each node has a row in the tree control, a song
// a second one under its genre, and every row carries its node. The rows
// are made from the nodes, never the other way round.
#include <QBrush>
#include <QTreeWidget>
#include <mutex>

#include "filekit/log.h"
#include "songsmith/core/keyed_format.h"
#include "songsmith/library_tab.h"

namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr int kGenreRowRole = Qt::UserRole + 1;

// Rows are inserted and deleted under the page lock, which the import
// thread takes around the page's shared state.
class CPageLock {
public:
    explicit CPageLock(CTabPage& page) : page_(page) { page_.Lock(); }
    ~CPageLock() { page_.Unlock(); }
    CPageLock(const CPageLock&) = delete;
    CPageLock& operator=(const CPageLock&) = delete;

private:
    CTabPage& page_;
};

void SpecialLog(const char* step) { LogFmt("\nSpecial log from %s [%ld]\n", step, 0L); }

bool HoldsGenreRows(const CLibNode* folder) {
    return folder->kind == kLibNodeGenre || folder->kind == kLibNodeNoGenre;
}

// Zeroes the row pointers of the nodes of item's descendants, which go
// with it.
void ForgetRows(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (CLibNode* node = CLibraryTab::NodeOfItem(child)) {
            if (CLibraryTab::IsGenreRow(child))
                node->genreTreeItem = nullptr;
            else
                node->treeItem = nullptr;
        }
        ForgetRows(child);
    }
}

}  // namespace

CLibNode* CLibraryTab::NodeOfItem(const QTreeWidgetItem* item) {
    if (item == nullptr) return nullptr;
    return reinterpret_cast<CLibNode*>(item->data(0, kNodeRole).value<quintptr>());
}

bool CLibraryTab::IsGenreRow(const QTreeWidgetItem* item) {
    return item != nullptr && item->data(0, kGenreRowRole).toBool();
}

QTreeWidgetItem* CLibraryTab::ItemOfRow(TLibRow row) {
    if (!row) return nullptr;
    return static_cast<QTreeWidgetItem*>(row.genreRow ? row.node->genreTreeItem : row.node->treeItem);
}

QTreeWidgetItem* CLibraryTab::MakeItem(CLibNode* node, bool genreRow) {
    auto* item = new QTreeWidgetItem();
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    // Main rows carry no flag of their own: a large library has many rows.
    if (genreRow) item->setData(0, kGenreRowRole, true);
    // The page sets marks itself (through the undo of its checks), never
    // the control.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (genreRow)
        node->genreTreeItem = item;
    else
        node->treeItem = item;
    UpdateItem(item);
    return item;
}

void CLibraryTab::UpdateItem(QTreeWidgetItem* item) {
    CLibNode* node = NodeOfItem(item);
    if (node == nullptr) return;
    QString text = QString::fromStdString(node->name);
    if (IsGenreRow(item)) {
        if (const CLibNode* artist = CLibraryNodes::ArtistOfSong(node))
            text = QString::fromStdString(node->name + " (" + artist->name + ")");
    }
    item->setText(0, text);
    if (node->kind >= kLibNodeArtist && node->kind <= kLibNodeSong)
        item->setCheckState(0, node->checked ? Qt::Checked : Qt::Unchecked);
    // Checked rows are blue, songs in the trash grey; a row that never
    // differed from black keeps the control's own colour.
    const QColor colour = node->inTrash ? QColor(128, 128, 128) : node->checked ? QColor(0, 0, 255) : QColor(0, 0, 0);
    if (colour != QColor(0, 0, 0) || item->data(0, Qt::ForegroundRole).isValid())
        item->setForeground(0, QBrush(colour));
    if (node == playing_) {
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
    } else if (item->font(0).bold()) {
        QFont plain = item->font(0);
        plain.setBold(false);
        item->setFont(0, plain);
    }
}

void CLibraryTab::InsertChildRows(CLibNode* folder, QTreeWidgetItem* item) {
    const bool genreRows = HoldsGenreRows(folder);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(folder->children.size()));
    for (CLibNode* child : folder->children) {
        QTreeWidgetItem* row = MakeItem(child, genreRows);
        if (!genreRows) InsertChildRows(child, row);
        rows.append(row);
    }
    item->addChildren(rows);
}

void CLibraryTab::ApplyExpansion(CLibNode* node) {
    if (auto* item = static_cast<QTreeWidgetItem*>(node->treeItem)) {
        if (node->expanded) item->setExpanded(true);
    }
    for (CLibNode* child : node->children)
        if (child->parent == node && !child->children.empty()) ApplyExpansion(child);
}

void CLibraryTab::PopulateTree() {
    if (tree_ == nullptr) return;
    CPageLock lock(*this);
    populating_ = true;
    tree_->setUpdatesEnabled(false);
    tree_->clear();
    for (CLibNode* node : nodes_.All()) {
        node->treeItem = nullptr;
        node->genreTreeItem = nullptr;
    }
    QList<QTreeWidgetItem*> tops;
    for (CLibNode* top : {nodes_.Trash(), nodes_.ArtistRoot(), nodes_.GenreRoot()}) {
        QTreeWidgetItem* item = MakeItem(top, false);
        InsertChildRows(top, item);
        tops.append(item);
    }
    tree_->addTopLevelItems(tops);
    for (CLibNode* top : {nodes_.Trash(), nodes_.ArtistRoot(), nodes_.GenreRoot()}) ApplyExpansion(top);
    if (QTreeWidgetItem* current = ItemOfRow(clicked_)) tree_->scrollToItem(current);
    ShowSongCount();
    populating_ = false;
    tree_->setUpdatesEnabled(true);
    tree_->viewport()->repaint();
}

void CLibraryTab::PopulateItem(CLibNode* node) {
    if (tree_ == nullptr || node == nullptr) return;
    CPageLock lock(*this);
    if (node->parent != nullptr && node->parent->treeItem == nullptr) PopulateItem(node->parent);
    if (node->genre != nullptr && node->genre->treeItem == nullptr) PopulateItem(node->genre);
    // Stale rows (a node that moved) go first.
    UnpopulateItem(node);
    if (node->parent != nullptr) node->indent = node->inTrash && node->parent == nodes_.Trash() ? 0 : node->parent->indent + 1;
    QTreeWidgetItem* item = MakeItem(node, false);
    if (node->parent == nullptr) {
        tree_->addTopLevelItem(item);
    } else if (auto* parentItem = static_cast<QTreeWidgetItem*>(node->parent->treeItem)) {
        parentItem->addChild(item);
    } else {
        SpecialLog("_PopulateItem|1");
        delete item;
        node->treeItem = nullptr;
        return;
    }
    if (node->IsSong() && node->genre != nullptr) {
        if (auto* genreItem = static_cast<QTreeWidgetItem*>(node->genre->treeItem)) {
            genreItem->addChild(MakeItem(node, true));
        } else {
            SpecialLog("_PopulateItem|2");
        }
    }
    if (node->expanded) item->setExpanded(true);
}

void CLibraryTab::UnpopulateItem(CLibNode* node) {
    if (node == nullptr) return;
    CPageLock lock(*this);
    for (void** row : {&node->treeItem, &node->genreTreeItem}) {
        auto* item = static_cast<QTreeWidgetItem*>(*row);
        *row = nullptr;
        if (item == nullptr) continue;
        ForgetRows(item);
        delete item;
    }
}

void CLibraryTab::RefreshNode(CLibNode* node) {
    if (node == nullptr || tree_ == nullptr) return;
    auto* item = static_cast<QTreeWidgetItem*>(node->treeItem);
    const auto* parentItem = node->parent != nullptr ? static_cast<QTreeWidgetItem*>(node->parent->treeItem) : nullptr;
    const bool genreRowMissing = node->IsSong() && node->genre != nullptr && node->genreTreeItem == nullptr;
    const bool genreRowStale =
        node->IsSong() && node->genreTreeItem != nullptr &&
        (node->genre == nullptr ||
         static_cast<QTreeWidgetItem*>(node->genreTreeItem)->parent() != node->genre->treeItem);
    if (item == nullptr || item->parent() != parentItem || genreRowMissing || genreRowStale) {
        PopulateItem(node);
    } else {
        // Rows that exist are only redrawn.
        UpdateItem(item);
        if (auto* genreItem = static_cast<QTreeWidgetItem*>(node->genreTreeItem)) UpdateItem(genreItem);
    }
    if (HoldsGenreRows(node)) return;
    for (CLibNode* child : node->children) RefreshNode(child);
}

void CLibraryTab::RedrawRows(CLibNode* node) {
    if (node == nullptr) return;
    for (void* row : {node->treeItem, node->genreTreeItem})
        if (row != nullptr) UpdateItem(static_cast<QTreeWidgetItem*>(row));
}

void CLibraryTab::OnItemExpanded(QTreeWidgetItem* item, bool expanded) {
    if (populating_) return;
    if (CLibNode* node = NodeOfItem(item)) node->expanded = expanded;
}
