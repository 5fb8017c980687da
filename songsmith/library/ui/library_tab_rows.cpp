// The Library page's rows: each node has a row in the tree control, a song
// a second one under its genre, and every row carries its node. The rows
// are made from the nodes, never the other way round, and only where they
// can be seen: the top rows, and the children of a folder once it has been
// opened (or a row below it was asked for). A library of 100,000 songs so
// shows its page without making 200,000 rows first.
#include <QBrush>
#include <QTreeWidget>
#include <mutex>

#include "filekit/log.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/ui/library_tab.h"

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

// A folder row whose children's rows are not made yet.
bool ChildRowsPending(const QTreeWidgetItem* item) {
    return item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
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
    // A folder's children get rows when it opens; until then its row
    // only shows that it has some.
    if (!genreRow && !node->children.empty()) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
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

bool CLibraryTab::ShowsChildRows(const CLibNode* folder) {
    if (folder == nullptr) return true;
    const auto* item = static_cast<const QTreeWidgetItem*>(folder->treeItem);
    return item != nullptr && !ChildRowsPending(item);
}

void CLibraryTab::FillChildRows(CLibNode* folder) {
    auto* item = static_cast<QTreeWidgetItem*>(folder->treeItem);
    if (item == nullptr || !ChildRowsPending(item)) return;
    CPageLock lock(*this);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    const bool genreRows = HoldsGenreRows(folder);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(folder->children.size()));
    for (CLibNode* child : folder->children) {
        // A row left elsewhere by a move goes: a node has one row of each
        // kind.
        DropRow(child, genreRows);
        rows.append(MakeItem(child, genreRows));
    }
    item->addChildren(rows);
    if (genreRows) return;
    for (CLibNode* child : folder->children)
        if (child->expanded) ExpandRow(child);
}

void CLibraryTab::ExpandRow(CLibNode* folder) {
    auto* item = static_cast<QTreeWidgetItem*>(folder->treeItem);
    if (item == nullptr) return;
    FillChildRows(folder);
    item->setExpanded(true);
}

QTreeWidgetItem* CLibraryTab::EnsureRow(TLibRow row) {
    if (!row) return nullptr;
    if (CLibNode* folder = row.genreRow ? row.node->genre : row.node->parent) {
        if (folder->treeItem == nullptr) EnsureRow(TLibRow{folder, false});
        FillChildRows(folder);
    }
    if (ItemOfRow(row) == nullptr) RefreshNode(row.node);
    return ItemOfRow(row);
}

void CLibraryTab::MakeFolderRow(CLibNode* folder) {
    if (folder == nullptr || folder->treeItem != nullptr) return;
    MakeFolderRow(folder->parent);
    if (ShowsChildRows(folder->parent)) PopulateItem(folder);
}

void CLibraryTab::DropRow(CLibNode* node, bool genreRow) {
    void*& row = genreRow ? node->genreTreeItem : node->treeItem;
    auto* item = static_cast<QTreeWidgetItem*>(row);
    row = nullptr;
    if (item == nullptr) return;
    ForgetRows(item);
    delete item;
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
    // Only the top rows and the rows of open folders are made; a folder
    // makes its children's rows when it opens.
    QList<QTreeWidgetItem*> tops;
    for (CLibNode* top : {nodes_.Trash(), nodes_.ArtistRoot(), nodes_.GenreRoot()}) tops.append(MakeItem(top, false));
    tree_->addTopLevelItems(tops);
    for (CLibNode* top : {nodes_.Trash(), nodes_.ArtistRoot(), nodes_.GenreRoot()})
        if (top->expanded) ExpandRow(top);
    if (QTreeWidgetItem* current = EnsureRow(clicked_)) tree_->scrollToItem(current);
    ShowSongCount();
    populating_ = false;
    tree_->setUpdatesEnabled(true);
    tree_->viewport()->repaint();
}

void CLibraryTab::PopulateItem(CLibNode* node) {
    if (tree_ == nullptr || node == nullptr) return;
    CPageLock lock(*this);
    MakeFolderRow(node->parent);
    if (node->IsSong()) MakeFolderRow(node->genre);
    // Stale rows (a node that moved) go first.
    UnpopulateItem(node);
    if (node->parent != nullptr) node->indent = node->inTrash && node->parent == nodes_.Trash() ? 0 : node->parent->indent + 1;
    // Rows go only where their folder shows its children; a folder that
    // has not been opened makes them when it opens.
    QTreeWidgetItem* item = nullptr;
    if (node->parent == nullptr) {
        item = MakeItem(node, false);
        tree_->addTopLevelItem(item);
    } else if (ShowsChildRows(node->parent)) {
        item = MakeItem(node, false);
        static_cast<QTreeWidgetItem*>(node->parent->treeItem)->addChild(item);
    } else if (node->parent->treeItem == nullptr) {
        SpecialLog("_PopulateItem|1");
    }
    if (node->IsSong() && node->genre != nullptr) {
        if (ShowsChildRows(node->genre)) {
            static_cast<QTreeWidgetItem*>(node->genre->treeItem)->addChild(MakeItem(node, true));
        } else if (node->genre->treeItem == nullptr) {
            SpecialLog("_PopulateItem|2");
        }
    }
    if (item != nullptr && node->expanded) ExpandRow(node);
}

void CLibraryTab::UnpopulateItem(CLibNode* node) {
    if (node == nullptr) return;
    CPageLock lock(*this);
    DropRow(node, false);
    DropRow(node, true);
}

void CLibraryTab::RefreshNode(CLibNode* node) {
    if (node == nullptr || tree_ == nullptr) return;
    MakeFolderRow(node->parent);
    if (node->IsSong()) MakeFolderRow(node->genre);
    // A node has a row under its folder while that folder shows its
    // children's rows, and a song a second one under its genre likewise.
    auto* item = static_cast<QTreeWidgetItem*>(node->treeItem);
    const bool mainWanted = ShowsChildRows(node->parent);
    const auto* parentItem = node->parent != nullptr ? static_cast<QTreeWidgetItem*>(node->parent->treeItem) : nullptr;
    const bool mainStale = item != nullptr && item->parent() != parentItem;
    auto* genreItem = static_cast<QTreeWidgetItem*>(node->genreTreeItem);
    const bool genreWanted = node->IsSong() && node->genre != nullptr && ShowsChildRows(node->genre);
    const bool genreStale =
        genreItem != nullptr && (node->genre == nullptr || genreItem->parent() != node->genre->treeItem);
    if ((mainWanted && (item == nullptr || mainStale)) || (genreWanted && (genreItem == nullptr || genreStale))) {
        PopulateItem(node);
    } else {
        if (item != nullptr && (!mainWanted || mainStale)) DropRow(node, false);
        if (genreItem != nullptr && (!genreWanted || genreStale)) DropRow(node, true);
        // Rows that exist are only redrawn.
        RedrawRows(node);
    }
    if (HoldsGenreRows(node)) return;
    // Below a folder that has not been opened only rows left by a move
    // are looked at.
    const bool childRows = node->treeItem != nullptr && ShowsChildRows(node);
    for (CLibNode* child : node->children)
        if (childRows || child->treeItem != nullptr || child->genreTreeItem != nullptr) RefreshNode(child);
}

void CLibraryTab::RedrawRows(CLibNode* node) {
    if (node == nullptr) return;
    for (void* row : {node->treeItem, node->genreTreeItem})
        if (row != nullptr) UpdateItem(static_cast<QTreeWidgetItem*>(row));
}

void CLibraryTab::OnItemExpanded(QTreeWidgetItem* item, bool expanded) {
    CLibNode* node = NodeOfItem(item);
    if (node == nullptr) return;
    if (expanded && !IsGenreRow(item)) FillChildRows(node);
    if (!populating_) node->expanded = expanded;
}
