#include "utilities/ui/explorer_tree.h"

#include <QApplication>
#include <QImage>
#include <QStyle>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/drive_roots.h"

namespace {

namespace fs = std::filesystem;

TEST(ExplorerPathTest, PathContainsRootComparesWholeFolderNames) {
    struct {
        const char* path;
        const char* root;
        bool contains;
    } const cases[] = {
        {"/home/ann/music", "/home/ann", true},
        {"/home/ann", "/home/ann", true},
        {"/home/ann/", "/home/ann", true},
        {"/home/ann", "/home/ann/", true},
        {"/home/anna", "/home/ann", false},
        {"/home/Ann/music", "/home/ann", false},
        {"/anything", "/", true},
        {"/home", "/home/ann", false},
        {"", "/", false},
        {"/home", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CExplorerTree::PathContainsRoot(c.path, c.root), c.contains)
            << c.path << " in " << c.root;
    }
    EXPECT_FALSE(CExplorerTree::PathContainsRoot("/" + std::string(5000, 'a'), "/"));
}

std::vector<std::pair<std::string, std::uint32_t>> g_selections;

void RecordSelection(const char* path, std::uint32_t user) { g_selections.emplace_back(path, user); }

// A disk of folders mounted at <tmp>/disk, an empty CD at <tmp>/cd, a
// network share at <tmp>/net, a home folder and a documents folder, in a
// mount table of the test's own.
class ExplorerTreeTest : public ::testing::Test {
protected:
    ExplorerTreeTest()
        : home_("HOME", dir_.File("home")), documents_("XDG_DOCUMENTS_DIR", dir_.File("docs")) {}

    void SetUp() override {
        for (const char* folder : {"disk/music/rock/live", "disk/music/Jazz", "disk/.hidden",
                                   "disk/empty", "cd", "net/shared", "home", "docs/letters"}) {
            fs::create_directories(dir_.File(folder));
        }
        testsupport::WriteWholeFile(dir_.File("disk/music/readme.txt"), "not a folder");
        testsupport::WriteWholeFile(
            dir_.File("mounts"), "overlay / overlay rw 0 0\n/dev/sdb1 " + Disk() +
                                     " ext4 rw 0 0\n/dev/sr0 " + dir_.File("cd") +
                                     " iso9660 ro 0 0\nserver:/x " + dir_.File("net") +
                                     " nfs4 rw 0 0\ntmpfs /dev/shm tmpfs rw 0 0\n");
        SetMountTablePath(dir_.File("mounts").c_str());
        g_selections.clear();
        parent_.resize(300, 400);
        parent_.show();
    }
    void TearDown() override { SetMountTablePath(nullptr); }

    std::string Disk() const { return dir_.File("disk"); }

    TExplorerTreeProperties Properties(std::uint32_t options, const std::string& start = {}) {
        TExplorerTreeProperties properties;
        properties.parent = &parent_;
        properties.childId = 1200;
        properties.options = options;
        properties.left = 10;
        properties.top = 20;
        properties.right = 259;
        properties.bottom = 319;
        properties.callback = RecordSelection;
        properties.userValue = 77;
        properties.startFolder = start;
        properties.documentsLabel = "My Documents";
        return properties;
    }

    static std::vector<std::string> TopTexts(const CExplorerTree& tree) {
        std::vector<std::string> texts;
        for (int i = 0; i < tree.Tree()->topLevelItemCount(); ++i) {
            texts.push_back(tree.Tree()->topLevelItem(i)->text(0).toStdString());
        }
        return texts;
    }

    static std::vector<std::string> ChildTexts(const QTreeWidgetItem* item) {
        std::vector<std::string> texts;
        for (int i = 0; i < item->childCount(); ++i) texts.push_back(item->child(i)->text(0).toStdString());
        return texts;
    }

    static QTreeWidgetItem* TopItem(const CExplorerTree& tree, const std::string& text) {
        const auto found =
            tree.Tree()->findItems(QString::fromStdString(text), Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.front();
    }

    testsupport::TempDir dir_;
    testsupport::CScopedEnv home_;
    testsupport::CScopedEnv documents_;
    QWidget parent_;
};

TEST_F(ExplorerTreeTest, TheTopHoldsTheHomeFolderAndTheDrivesTheOptionsAllow) {
    struct {
        std::uint32_t options;
        std::vector<std::string> tops;
    } const cases[] = {
        {0, {dir_.File("home"), "/", Disk()}},
        {kExplorerShowCDDrives, {dir_.File("home"), "/", Disk(), dir_.File("cd")}},
        {kExplorerShowNetworkDrives | kExplorerShowRemovableDrives,
         {dir_.File("home"), "/", Disk(), dir_.File("net")}},
        {kExplorerShowDocuments, {"My Documents", dir_.File("home"), "/", Disk()}},
    };
    for (const auto& c : cases) {
        CExplorerTree tree;
        ASSERT_TRUE(tree.Create(Properties(c.options)));
        EXPECT_TRUE(tree.Loaded());
        EXPECT_EQ(TopTexts(tree), c.tops) << "options " << c.options;
        // Every top entry shows an expand button before anything is read.
        for (int i = 0; i < tree.Tree()->topLevelItemCount(); ++i) {
            EXPECT_EQ(tree.Tree()->topLevelItem(i)->childCount(), 1);
        }
    }
    CExplorerTree tree;
    tree.Create(Properties(0));
    EXPECT_EQ(tree.Holder()->objectName(), "1200");
    EXPECT_EQ(tree.Holder()->geometry(), QRect(10, 20, 250, 300));
    EXPECT_EQ(std::string(tree.CurrentSelection()), "");
    EXPECT_TRUE(g_selections.empty());
}

TEST_F(ExplorerTreeTest, BranchesAreReadFromTheDiskEachTimeTheyOpen) {
    CExplorerTree tree;
    tree.Create(Properties(0));
    QTreeWidgetItem* disk = TopItem(tree, Disk());
    ASSERT_NE(disk, nullptr);
    disk->setExpanded(true);
    // Sorted with case folded; hidden folders count; files do not.
    EXPECT_EQ(ChildTexts(disk), (std::vector<std::string>{".hidden", "empty", "music"}));
    QTreeWidgetItem* music = disk->child(2);
    EXPECT_EQ(music->childCount(), 1) << "a folder with subfolders gets an expand button";
    EXPECT_EQ(disk->child(1)->childCount(), 0) << "an empty folder gets none";
    music->setExpanded(true);
    EXPECT_EQ(ChildTexts(music), (std::vector<std::string>{"Jazz", "rock"}));

    fs::create_directories(dir_.File("disk/added"));
    fs::remove(dir_.File("disk/empty"));
    disk->setExpanded(false);
    disk->setExpanded(true);
    EXPECT_EQ(ChildTexts(disk), (std::vector<std::string>{".hidden", "added", "music"}));

    // An empty top entry keeps its expand button after opening.
    CExplorerTree withCD;
    withCD.Create(Properties(kExplorerShowCDDrives));
    QTreeWidgetItem* cd = TopItem(withCD, dir_.File("cd"));
    ASSERT_NE(cd, nullptr);
    cd->setExpanded(true);
    ASSERT_EQ(cd->childCount(), 1);
    EXPECT_EQ(cd->child(0)->text(0), "");
}

TEST_F(ExplorerTreeTest, OpensDownToTheStartFolderAndReportsIt) {
    const std::string start = Disk() + "/music//rock/live/";
    CExplorerTree tree;
    tree.Create(Properties(0, start));
    const std::string live = Disk() + "/music/rock/live";
    EXPECT_EQ(std::string(tree.CurrentSelection()), live);
    ASSERT_NE(tree.Tree()->currentItem(), nullptr);
    EXPECT_EQ(tree.Tree()->currentItem()->text(0), "live");
    EXPECT_TRUE(TopItem(tree, Disk())->isExpanded());
    EXPECT_EQ(g_selections, (std::vector<std::pair<std::string, std::uint32_t>>{{live, 77}}));
    testsupport::SaveWidgetPng(&parent_, QStringLiteral("explorer_tree"));

    // The user's choice is reported as it changes.
    g_selections.clear();
    QTreeWidgetItem* rock = tree.Tree()->currentItem()->parent();
    tree.Tree()->setCurrentItem(rock);
    EXPECT_EQ(std::string(tree.CurrentSelection()), Disk() + "/music/rock");
    EXPECT_EQ(g_selections.back(), std::make_pair(Disk() + "/music/rock", 77u));
    // Folders show the open-folder icon while selected only when asked to.
    for (const bool openIcon : {false, true}) {
        CExplorerTree icons;
        icons.Create(Properties(openIcon ? kExplorerUseOpenFolderIcon : 0, start));
        const QIcon icon = icons.Tree()->currentItem()->icon(0);
        ASSERT_FALSE(icon.isNull());
        const QImage open =
            QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16).toImage();
        EXPECT_EQ(icon.pixmap(16, QIcon::Selected).toImage() == open, openIcon);
    }
    // The documents entry is preferred when it holds the start folder.
    g_selections.clear();
    CExplorerTree docs;
    docs.Create(Properties(kExplorerShowDocuments, dir_.File("docs/letters")));
    EXPECT_EQ(docs.Tree()->currentItem()->parent()->text(0), "My Documents");
    EXPECT_EQ(std::string(docs.CurrentSelection()), dir_.File("docs/letters"));
}

TEST_F(ExplorerTreeTest, StopsAtTheFirstMissingFolderAndSkipsHiddenDrives) {
    CExplorerTree tree;
    tree.Create(Properties(0, Disk() + "/music/pop/new"));
    EXPECT_EQ(std::string(tree.CurrentSelection()), Disk() + "/music");

    g_selections.clear();
    CExplorerTree hiddenCD;
    hiddenCD.Create(Properties(0, dir_.File("cd")));
    EXPECT_EQ(hiddenCD.Tree()->currentItem(), nullptr);
    EXPECT_EQ(std::string(hiddenCD.CurrentSelection()), "");
    EXPECT_TRUE(g_selections.empty());
}

}  // namespace
