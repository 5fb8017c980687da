#include "utilities/ui/explorer_tree.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unordered_set>

#include "filekit/log.h"
#include "platform/ascii_case.h"
#include "utilities/shell_folders.h"
#include "utilities/drive_roots.h"

namespace {

namespace fs = std::filesystem;

// An icon list place that shows no icon (the blank children).
constexpr int kNoIcon = 9;

QIcon IconFor(int id) {
    QStyle* style = QApplication::style();
    switch (id) {
        case kIconFixedDrive: return style->standardIcon(QStyle::SP_DriveHDIcon);
        case kIconCDDrive: return style->standardIcon(QStyle::SP_DriveCDIcon);
        case kIconRemovableDrive: return style->standardIcon(QStyle::SP_DriveFDIcon);
        case kIconClosedFolder: return style->standardIcon(QStyle::SP_DirClosedIcon);
        case kIconOpenFolder: return style->standardIcon(QStyle::SP_DirOpenIcon);
        case kIconNetworkDrive: return style->standardIcon(QStyle::SP_DriveNetIcon);
        case kIconDocuments: return style->standardIcon(QStyle::SP_DirHomeIcon);
        case kIconPictures: return style->standardIcon(QStyle::SP_DirIcon);
        default: return {};
    }
}

// The icon, showing selectedIcon while the entry is selected.
QIcon ItemIcon(int icon, int selectedIcon) {
    QIcon normal = IconFor(icon);
    if (selectedIcon == icon || normal.isNull()) return normal;
    QIcon both;
    const QIcon selected = IconFor(selectedIcon);
    QList<QSize> sizes = normal.availableSizes();
    if (sizes.isEmpty()) sizes.push_back(QSize(16, 16));  // a drawn icon: the tree's size
    for (const QSize& size : sizes) {
        both.addPixmap(normal.pixmap(size), QIcon::Normal);
        both.addPixmap(selected.pixmap(size), QIcon::Selected);
    }
    return both;
}

int DriveIcon(TDriveKind kind) {
    switch (kind) {
        case TDriveKind::kCD: return kIconCDDrive;
        case TDriveKind::kRemovable: return kIconRemovableDrive;
        case TDriveKind::kNetwork: return kIconNetworkDrive;
        default: return kIconFixedDrive;
    }
}

std::string WithSeparator(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return {};
    std::string path = home;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Calls visit with the name of each subfolder of path, hidden ones included,
// until it returns false. Unreadable folders and entries are passed over.
template <typename Visit>
void ForEachSubfolder(const std::string& path, Visit visit) {
    std::error_code error;
    for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && !visit(it->path().filename().string())) return;
    }
}

// The subfolder names of path, sorted as the tree shows them (letters'
// case folded, then byte order).
std::vector<std::string> SubfolderNames(const std::string& path) {
    std::vector<std::string> names;
    ForEachSubfolder(path, [&names](std::string name) {
        names.push_back(std::move(name));
        return true;
    });
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = AsciiCompareNoCase(a, b);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

// The folder names of path behind root, in order; runs of '/' count as one.
std::vector<std::string> ComponentsBehind(const std::string& path, const std::string& root) {
    std::vector<std::string> components;
    const std::string rest = path.size() > root.size() ? path.substr(root.size()) : std::string();
    std::size_t at = 0;
    while (at < rest.size()) {
        const std::size_t end = std::min(rest.find('/', at), rest.size());
        if (end > at) components.push_back(rest.substr(at, end - at));
        at = end + 1;
    }
    return components;
}

}  // namespace

CExplorerTree::CExplorerTree() = default;

CExplorerTree::~CExplorerTree() {
    // The holder belongs to the parent window, which may outlive the tree.
    delete holder_;
}

bool CExplorerTree::Create(const TExplorerTreeProperties& properties) {
    properties_ = properties;
    Log("CExplorerTree::Create: entered");
    holder_ = new QWidget(properties_.parent);
    holder_->setObjectName(QString::number(properties_.childId));
    holder_->setGeometry(properties_.left, properties_.top,
                         properties_.right - properties_.left + 1,
                         properties_.bottom - properties_.top + 1);
    auto* layout = new QVBoxLayout(holder_);
    layout->setContentsMargins(0, 0, 0, 0);
    tree_ = new QTreeWidget(holder_);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setColumnCount(1);
    layout->addWidget(tree_);
    QObject::connect(tree_, &QTreeWidget::itemExpanded, tree_,
                     [this](QTreeWidgetItem* item) { OnItemExpanded(item); });
    QObject::connect(tree_, &QTreeWidget::currentItemChanged, tree_,
                     [this](QTreeWidgetItem* item, QTreeWidgetItem*) { OnSelectionChanged(item); });
    holder_->show();
    Load();
    Log("CExplorerTree::Create: exited");
    return true;
}

bool CExplorerTree::PathContainsRoot(const std::string& path, const std::string& root) {
    if (path.empty() || root.empty() || path.size() >= PATH_MAX || root.size() >= PATH_MAX) {
        return false;
    }
    const std::string fullPath = WithSeparator(path);
    const std::string fullRoot = WithSeparator(root);
    return fullPath.compare(0, fullRoot.size(), fullRoot) == 0;
}

bool CExplorerTree::HasSubDirectories(const std::string& path) {
    bool found = false;
    ForEachSubfolder(path, [&found](const std::string&) {
        found = true;
        return false;
    });
    return found;
}

TTreeNodeInfo* CExplorerTree::NodeOf(const QTreeWidgetItem* item) {
    if (item == nullptr) return nullptr;
    return reinterpret_cast<TTreeNodeInfo*>(item->data(0, Qt::UserRole).value<quintptr>());
}

TTreeNodeInfo* CExplorerTree::AddNode(const std::string& path, const std::string& name,
                                      QTreeWidgetItem* parent, int icon, int selectedIcon,
                                      bool hasSubfolders) {
    if (path.empty() || tree_ == nullptr) return nullptr;
    auto node = std::make_unique<TTreeNodeInfo>();
    node->hasSubfolders = hasSubfolders;
    node->topLevel = parent == nullptr;
    node->path = path;
    node->name = name;
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, QString::fromStdString(name.empty() ? path : name));
    item->setIcon(0, ItemIcon(icon, selectedIcon));
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(node.get())));
    node->item = item;
    // Top entries are never read in advance: each gets an expand button.
    if (node->topLevel || hasSubfolders) InsertBlankChild(item);
    nodes_.push_back(std::move(node));
    return nodes_.back().get();
}

void CExplorerTree::InsertBlankChild(QTreeWidgetItem* item) {
    auto* blank = new QTreeWidgetItem(item);
    blank->setIcon(0, IconFor(kNoIcon));
}

bool CExplorerTree::AddSpecialFolder(const std::string& folder, const std::string& label, int icon) {
    std::string path = folder;
    if (path.empty() || path == "/") return false;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    TTreeNodeInfo* node = AddNode(path, label, nullptr, icon, icon, true);
    if (node == nullptr || startItem_ != nullptr) return false;
    if (!PathContainsRoot(properties_.startFolder, path)) return false;
    startItem_ = node->item;
    return true;
}

void CExplorerTree::Load() {
    Log("CExplorerTree::Load: entering");
    startItem_ = nullptr;
    char folder[PATH_MAX];
    if (ShowMyDocumentsAtRoot() && GetMyDocumentsPath(folder, sizeof folder, true)) {
        AddSpecialFolder(folder, properties_.documentsLabel, kIconDocuments);
    }
    if (ShowMyPicturesAtRoot() && GetMyPicturesPath(folder, sizeof folder, true)) {
        AddSpecialFolder(folder, properties_.picturesLabel, kIconPictures);
    }
    std::vector<TDriveRoot> roots;
    const std::string home = HomeFolder();
    if (!home.empty()) roots.push_back({home, TDriveKind::kFixed, {}, {}});
    for (TDriveRoot& root : ListDriveRoots()) {
        if (root.path != home) roots.push_back(std::move(root));  // a home of its own disk: once
    }

    // The start folder opens from the innermost file system holding it, and
    // only when that one is shown: a folder on a hidden CD stays closed
    // although "/" holds its mount point too.
    const TDriveRoot* startRoot = nullptr;
    for (const TDriveRoot& root : roots) {
        if (PathContainsRoot(properties_.startFolder, root.path) &&
            (startRoot == nullptr || root.path.size() > startRoot->path.size())) {
            startRoot = &root;
        }
    }
    TTreeNodeInfo* startDrive = nullptr;
    for (const TDriveRoot& root : roots) {
        const bool shown = root.kind == TDriveKind::kFixed ||
                           (root.kind == TDriveKind::kCD && ShowCDDrives()) ||
                           (root.kind == TDriveKind::kNetwork && ShowNetworkDrives()) ||
                           (root.kind == TDriveKind::kRemovable && ShowRemovableDrives());
        if (!shown) continue;
        const int icon = DriveIcon(root.kind);
        TTreeNodeInfo* node = AddNode(root.path, std::string(), nullptr, icon, icon, true);
        if (node != nullptr && &root == startRoot) startDrive = node;
    }
    if (startItem_ == nullptr && startDrive != nullptr) startItem_ = startDrive->item;
    if (startItem_ != nullptr) ExpandToStartPosition(startItem_);
    loaded_ = true;
    Log("CExplorerTree::Load: exiting");
}

void CExplorerTree::DeleteChildren(QTreeWidgetItem* item) {
    const QList<QTreeWidgetItem*> children = item->takeChildren();
    std::unordered_set<const QTreeWidgetItem*> gone;
    for (QTreeWidgetItem* child : children) {
        std::vector<QTreeWidgetItem*> pending{child};
        while (!pending.empty()) {
            QTreeWidgetItem* next = pending.back();
            pending.pop_back();
            gone.insert(next);
            for (int i = 0; i < next->childCount(); ++i) pending.push_back(next->child(i));
        }
    }
    // The records of entries read earlier go with their entries, so opening
    // a branch again and again does not pile them up.
    std::erase_if(nodes_, [&](const std::unique_ptr<TTreeNodeInfo>& node) {
        return gone.count(node->item) != 0;
    });
    qDeleteAll(children);
}

QTreeWidgetItem* CExplorerTree::ExpandNode(QTreeWidgetItem* item, const std::string& nameToFind) {
    Log("CExplorerTree::ExpandNode: entering");
    TTreeNodeInfo* parent = NodeOf(item);
    if (parent == nullptr) return nullptr;
    DeleteChildren(item);
    Log("CExplorerTree::ExpandNode: deleted children");
    const int selectedIcon = UseOpenFolderIcon() ? kIconOpenFolder : kIconClosedFolder;
    const std::string base = WithSeparator(parent->path);
    QTreeWidgetItem* found = nullptr;
    for (const std::string& name : SubfolderNames(parent->path)) {
        const std::string path = base + name;
        const bool hasSubfolders = HasSubDirectories(path);
        LogFmt("CExplorerTree::ExpandNode: looping, findStr = <%s>", path.c_str());
        TTreeNodeInfo* child =
            AddNode(path, name, item, kIconClosedFolder, selectedIcon, hasSubfolders);
        if (child != nullptr && found == nullptr && !nameToFind.empty() && name == nameToFind) {
            found = child->item;
        }
    }
    if (item->childCount() == 0 && parent->topLevel) InsertBlankChild(item);
    Log("CExplorerTree::ExpandNode: added subdirectories");
    Log("CExplorerTree::ExpandNode: exiting");
    return found;
}

void CExplorerTree::ExpandToStartPosition(QTreeWidgetItem* startItem) {
    Log("CExplorerTree::ExpandToStartPosition: entered");
    const TTreeNodeInfo* start = NodeOf(startItem);
    if (start == nullptr) {
        Log("CExplorerTree::ExpandToStartPosition: exiting, can't get root item");
        return;
    }
    const std::vector<std::string> components = ComponentsBehind(properties_.startFolder, start->path);
    if (components.empty()) {
        Log("CExplorerTree::ExpandToStartPosition: exiting, no string to find");
        return;
    }
    QTreeWidgetItem* current = startItem;
    expanding_ = true;
    for (const std::string& component : components) {
        QTreeWidgetItem* child = ExpandNode(current, component);
        if (child == nullptr) break;
        current->setExpanded(true);
        current = child;
    }
    expanding_ = false;
    tree_->setCurrentItem(current);
    tree_->setFocus();
    // The selection reported to the caller is also the one the tree keeps.
    selection_ = NodeOf(current)->path;
    if (properties_.callback != nullptr) {
        properties_.callback(selection_.c_str(), properties_.userValue);
    }
    Log("CExplorerTree::ExpandToStartPosition: exiting");
}

void CExplorerTree::OnItemExpanded(QTreeWidgetItem* item) {
    if (!loaded_ || expanding_ || NodeOf(item) == nullptr) return;
    ExpandNode(item, std::string());
}

void CExplorerTree::OnSelectionChanged(QTreeWidgetItem* item) {
    if (!loaded_) return;
    const TTreeNodeInfo* node = NodeOf(item);
    selection_ = node != nullptr ? node->path : std::string();
    if (properties_.callback != nullptr) {
        properties_.callback(selection_.c_str(), properties_.userValue);
    }
}
