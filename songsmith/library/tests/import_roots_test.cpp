// Where the library import looks: the roots read from a mount table, the
// folder patterns, and the import flags built from the preferences.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "songsmith/library/import_roots.h"
#include "songsmith/library/library_import.h"
#include "songsmith/prefs/preferences.h"
#include "songvault/import_types.h"
#include "testsupport/temp_dir.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteWholeFile;

class ImportRootsTest : public ::testing::Test {
protected:
    void TearDown() override { SetMountTablePath(nullptr); }
    void UseMountTable(const std::string& table) {
        WriteWholeFile(dir_.File("mounts"), table);
        SetMountTablePath(dir_.File("mounts").c_str());
    }
    TempDir dir_;
};

const char* UseName(EImportRootUse use) {
    switch (use) {
        case EImportRootUse::kLocal: return "local";
        case EImportRootUse::kNetwork: return "network";
        default: return "never";
    }
}

TEST_F(ImportRootsTest, RootsAreTheHomeAndTheMountsThatHoldUserFiles) {
    UseMountTable(
        "/dev/sda1 / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sdb1 /mnt/data ext4 rw 0 0\n"
        "/dev/sdc1 /media/usb vfat rw 0 0\n"
        "/dev/sr0 /mnt/cd iso9660 ro 0 0\n"
        "server:/music /net/music nfs rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sdd1 /mnt/my\\040songs ext4 rw 0 0\n"
        "/dev/sda1 /mnt/data ext4 rw 0 0\n");
    struct TRow {
        std::string path;
        const char* use;
        bool walk;
    };
    std::vector<TRow> rows;
    for (const TImportRoot& root : ListImportRoots("/home/ann"))
        rows.push_back({root.path, UseName(ImportRootUse(root.kind)), root.walk});
    const std::vector<TRow> expected = {
        // The home folder lies on the /home disk, whose walk covers it.
        {"/home/ann/", "local", false}, {"/proc/", "never", true},     {"/home/", "local", true},
        {"/mnt/data/", "local", true},  {"/media/usb/", "never", true}, {"/mnt/cd/", "local", true},
        {"/net/music/", "network", true}, {"/tmp/", "never", true},    {"/mnt/my songs/", "local", true},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(rows[i].path, expected[i].path);
        EXPECT_STREQ(rows[i].use, expected[i].use);
        EXPECT_EQ(rows[i].walk, expected[i].walk);
    }
}

TEST_F(ImportRootsTest, TheRootFileSystemAloneLeavesOnlyTheHome) {
    UseMountTable("overlay / overlay rw 0 0\n/dev/sda1 /home/ann ext4 rw 0 0\n");
    const std::vector<TImportRoot> roots = ListImportRoots("/home/ann");
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0].path, "/home/ann/");
    EXPECT_TRUE(roots[0].walk);
    // Without a home of its own the root file system is still never a root.
    EXPECT_TRUE(ListImportRoots("/").size() == 1u && ListImportRoots("/")[0].path == "/home/ann/");
}

TEST(ImportFolderPatterns, StarMatchesWithinOneNameWithoutCase) {
    struct TCase {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*Music*", "Music", true},         {"*Music*", "my music files", true}, {"*MP3*", "mp3s", true},
        {"*download*", "Downloads", true},  {"*rip*", "Tripods", true},          {"*Song*", "Sonnet", false},
        {"*Music*", "Musi", false},         {"*WAV*", "", false},                {"*", "anything", true},
        {"*Burn*", "CD burns", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.name);
        EXPECT_EQ(MatchesFolderPattern(c.pattern, c.name), c.matches);
    }
    // The table has no rows for another system's program folders.
    for (std::string_view pattern : ImportFolderPatterns()) EXPECT_EQ(pattern.find('\\'), std::string_view::npos);
}

TEST(ImportFolderPatterns, MatchingFoldersSkipHiddenFilesAndLinksGoingNowhere) {
    TempDir dir;
    namespace fs = std::filesystem;
    for (const char* folder : {"Music", ".music", "Old MUSIC", "Pictures"}) fs::create_directories(dir.File(folder));
    WriteWholeFile(dir.File("music.txt"), "a file");
    fs::create_directory_symlink(dir.File("loop"), dir.File("loop"));
    fs::create_directory_symlink(dir.File("gone"), dir.File("music link"));
    EXPECT_EQ(MatchingFolders(dir.Path() + "/", "*Music*"),
              (std::vector<std::string>{dir.File("Music") + "/", dir.File("Old MUSIC") + "/"}));
    EXPECT_TRUE(MatchingFolders(dir.File("missing") + "/", "*").empty());
}

TEST(ImportFlags, KindsAndTheirMinimumsAtTheirShifts) {
    struct TCase {
        int mp3, wav, wma, minMp3, minWav, minWma;
        std::uint32_t flags;
    } cases[] = {
        {1, 1, 1, 1, 3, 2, 0x23107},
        {1, 0, 0, 2, 3, 3, 0x201},  // a kind off carries no minimum
        {0, 1, 0, 3, 1, 3, 0x1002},
        {0, 0, 1, 0, 0, 3, 0x30004},
        {0, 0, 0, 3, 3, 3, 0},
    };
    for (const TCase& c : cases) {
        CPreferences prefs;
        prefs.ImportMp3 = c.mp3;
        prefs.ImportWav = c.wav;
        prefs.ImportWma = c.wma;
        prefs.ImportMinMp3 = c.minMp3;
        prefs.ImportMinWav = c.minWav;
        prefs.ImportMinWma = c.minWma;
        EXPECT_EQ(BuildImportFlags(prefs), c.flags);
    }
}

}  // namespace
