#pragma once
// A folder tree for choosing a folder: the mounted drives, the home folder
// and optionally the documents and pictures folders at the top; each
// folder's subfolders are read from the disk only when its branch opens, and
// again each time it opens, so the tree shows the disk as it is now.

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Called with the selected folder's path (empty for an entry without one)
// and the user value of the properties.
using TExplorerSelectCallback = void (*)(const char* path, std::uint32_t userValue);

// Option bits of TExplorerTreeProperties::options.
inline constexpr std::uint32_t kExplorerShowNetworkDrives = 1u << 0;
inline constexpr std::uint32_t kExplorerShowRemovableDrives = 1u << 1;
inline constexpr std::uint32_t kExplorerShowCDDrives = 1u << 2;
inline constexpr std::uint32_t kExplorerUseOpenFolderIcon = 1u << 3;
inline constexpr std::uint32_t kExplorerShowDocuments = 1u << 5;
inline constexpr std::uint32_t kExplorerShowPictures = 1u << 6;

// The icons of the tree, by their place in the icon list.
enum TIconIDs {
    kIconFixedDrive = 0,
    kIconCDDrive = 1,
    kIconRemovableDrive = 3,
    kIconClosedFolder = 4,
    kIconOpenFolder = 5,
    kIconNetworkDrive = 6,
    kIconDocuments = 7,
    kIconPictures = 8,
};

struct TExplorerTreeProperties {
    QWidget* parent = nullptr;
    int childId = 0;  // the holder's identifier (objectName) in the parent
    std::uint32_t options = 0;
    // The control's place in the parent; right and bottom are included.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    TExplorerSelectCallback callback = nullptr;
    std::uint32_t userValue = 0;
    std::string startFolder;  // opened and selected after loading
    std::string documentsLabel;
    std::string picturesLabel;
};

// One entry of the tree.
struct TTreeNodeInfo {
    bool hasSubfolders = false;
    bool topLevel = false;
    std::string path;
    std::string name;  // shown instead of the path when not empty
    QTreeWidgetItem* item = nullptr;
};

class CExplorerTree {
public:
    CExplorerTree();
    ~CExplorerTree();
    CExplorerTree(const CExplorerTree&) = delete;
    CExplorerTree& operator=(const CExplorerTree&) = delete;

    // Makes the holder and the tree in the properties' parent and loads the
    // top entries, opening the tree down to the start folder. True when the
    // tree was made.
    bool Create(const TExplorerTreeProperties& properties);

    const char* CurrentSelection() const { return selection_.c_str(); }
    bool ShowNetworkDrives() const { return Option(kExplorerShowNetworkDrives); }
    bool ShowCDDrives() const { return Option(kExplorerShowCDDrives); }
    bool ShowRemovableDrives() const { return Option(kExplorerShowRemovableDrives); }
    bool UseOpenFolderIcon() const { return Option(kExplorerUseOpenFolderIcon); }
    bool ShowMyDocumentsAtRoot() const { return Option(kExplorerShowDocuments); }
    bool ShowMyPicturesAtRoot() const { return Option(kExplorerShowPictures); }
    bool Loaded() const { return loaded_; }

    QWidget* Holder() const { return holder_; }
    QTreeWidget* Tree() const { return tree_; }

    // True when path lies in root or is root (paths compare as the file
    // system does: case counts). False for an empty one or one longer than
    // the system's path limit.
    static bool PathContainsRoot(const std::string& path, const std::string& root);
    // True when the folder holds a folder, hidden ones included.
    static bool HasSubDirectories(const std::string& path);

private:
    bool Option(std::uint32_t bit) const { return (properties_.options & bit) != 0; }

    void Load();
    // Adds a special folder at the top; true when the start folder lies in it.
    bool AddSpecialFolder(const std::string& path, const std::string& label, int icon);
    TTreeNodeInfo* AddNode(const std::string& path, const std::string& name,
                           QTreeWidgetItem* parent, int icon, int selectedIcon, bool hasSubfolders);
    void InsertBlankChild(QTreeWidgetItem* item);
    // Reads the item's subfolders again; returns the child named nameToFind.
    QTreeWidgetItem* ExpandNode(QTreeWidgetItem* item, const std::string& nameToFind);
    void DeleteChildren(QTreeWidgetItem* item);
    void ExpandToStartPosition(QTreeWidgetItem* startItem);

    void OnItemExpanded(QTreeWidgetItem* item);
    void OnSelectionChanged(QTreeWidgetItem* item);

    static TTreeNodeInfo* NodeOf(const QTreeWidgetItem* item);

    TExplorerTreeProperties properties_;
    QPointer<QWidget> holder_;
    QTreeWidget* tree_ = nullptr;
    std::vector<std::unique_ptr<TTreeNodeInfo>> nodes_;
    std::string selection_;
    bool loaded_ = false;
    // Set while the tree opens branches itself, so they are not read twice.
    bool expanding_ = false;
    QTreeWidgetItem* startItem_ = nullptr;
};
