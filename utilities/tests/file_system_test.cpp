#include "utilities/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <regex>
#include <string>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "platform/user_folders.h"
#include "testsupport/temp_dir.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

TEST(FileSystemTest, CreateMultiLevelDirMakesTheLevelsThatEndWithASeparator) {
    testsupport::TempDir dir;
    const std::string base = dir.Path() + "/";
    EXPECT_EQ(CreateMultiLevelDir((base + "one/two").c_str()), 1);
    EXPECT_TRUE(IsFolder(base + "one"));
    EXPECT_FALSE(IsFolder(base + "one/two")) << "the last level has no trailing '/'";
    EXPECT_EQ(CreateMultiLevelDir((base + "one/two/three/").c_str()), 1);
    EXPECT_TRUE(IsFolder(base + "one/two/three"));
    EXPECT_EQ(CreateMultiLevelDir((base + "one/two/three/").c_str()), 1) << "all there already";

    EXPECT_EQ(CreateMultiLevelDir("relative/path/"), 0);
    EXPECT_FALSE(IsFolder("relative"));
    EXPECT_EQ(CreateMultiLevelDir(""), 0);
    EXPECT_EQ(CreateMultiLevelDir(nullptr), 0);

    // A file in the way stops the walk with the reason.
    testsupport::WriteWholeFile(base + "file", "x");
    SetLastError(0);
    EXPECT_EQ(CreateMultiLevelDir((base + "file/sub/").c_str()), 0);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_FALSE(IsFolder(base + "file/sub"));
}

TEST(FileSystemTest, HasSubDirSkipsFilesAndHiddenFolders) {
    testsupport::TempDir dir;
    char name[16] = "x";
    EXPECT_EQ(HasSubDir(dir.Path().c_str(), name), 0) << "empty folder";
    EXPECT_STREQ(name, "");
    testsupport::WriteWholeFile(dir.File("file"), "x");
    CreateMultiLevelDir((dir.Path() + "/.hidden/").c_str());
    EXPECT_EQ(HasSubDir((dir.Path() + "/").c_str(), name), 0) << "only a file and a hidden folder";
    CreateMultiLevelDir((dir.Path() + "/Music/").c_str());
    EXPECT_EQ(HasSubDir((dir.Path() + "/").c_str(), name), 1);
    EXPECT_STREQ(name, "Music");
    char small[3] = "x";
    EXPECT_EQ(HasSubDir(dir.Path().c_str(), small), 1);
    EXPECT_STREQ(small, "") << "never a cut name";
    EXPECT_EQ(HasSubDir(dir.File("missing").c_str(), name), 0);
    EXPECT_EQ(HasSubDir(dir.File("file").c_str(), name), 0);
    EXPECT_EQ(HasSubDir(nullptr, name), 0);
}

TEST(FileSystemTest, IsValidDirectory) {
    testsupport::TempDir dir;
    testsupport::WriteWholeFile(dir.File("file"), "x");
    EXPECT_EQ(IsValidDirectory(dir.Path().c_str()), 1);
    EXPECT_EQ(IsValidDirectory((dir.Path() + "/").c_str()), 1);
    EXPECT_EQ(IsValidDirectory(dir.File("file").c_str()), 0);
    EXPECT_EQ(IsValidDirectory(dir.File("missing").c_str()), 0);
    EXPECT_EQ(IsValidDirectory(""), 0);
}

TEST(FileSystemTest, GetExeDirectoryAndLongNames) {
    char out[PATH_MAX];
    ASSERT_EQ(GetExeDirectory(out, sizeof(out)), 1);
    EXPECT_EQ(std::string(out), GetExecutableDir());
    EXPECT_EQ(out[std::strlen(out) - 1], '/');
    char small[2] = "x";
    EXPECT_EQ(GetExeDirectory(small, sizeof(small)), 0) << "never a cut folder";
    EXPECT_STREQ(small, "");
    EXPECT_EQ(GetExeDirectory(nullptr, 10), 0);

    testsupport::TempDir dir;
    CreateMultiLevelDir((dir.Path() + "/a/").c_str());
    const struct {
        std::string in;
        int size;
        std::string out;
    } cases[] = {
        {dir.Path() + "/a", PATH_MAX, dir.Path() + "/a/"},
        {dir.Path() + "/a/", PATH_MAX, dir.Path() + "/a/"},
        {dir.Path() + "/missing/a", PATH_MAX, ""},
        {dir.Path() + "/a", static_cast<int>(dir.Path().size()) + 3, ""},
    };
    for (const auto& c : cases) {
        char result[PATH_MAX] = "x";
        GetLongPathNameSafe(c.in.c_str(), result, c.size);
        EXPECT_EQ(std::string(result), c.out) << c.in;
    }
}

TEST(FileSystemTest, FreeSpaceOfAFolderNotYetMadeIsThatOfItsParent) {
    testsupport::TempDir dir;
    const double parent = GetKBFree(dir.Path().c_str());
    EXPECT_GT(parent, 0.0);
    const double child = GetKBFree((dir.Path() + "/rip/Artist - Album/").c_str());
    EXPECT_GT(child, 0.0) << "a folder about to be made is not a full disk";
    // Other programs write meanwhile; the two must still be the same disk.
    EXPECT_NEAR(child, parent, parent * 0.01 + 100000);
    EXPECT_EQ(GetKBFree(""), 0.0);
    EXPECT_EQ(GetKBFree(nullptr), 0.0);
}

TEST(FileSystemTest, IsOnLocalHardDrive) {
    testsupport::TempDir dir;
    EXPECT_EQ(IsOnLocalHardDrive(dir.Path().c_str()), 1);
    EXPECT_EQ(IsOnLocalHardDrive((dir.Path() + "/not/yet").c_str()), 1);
    EXPECT_EQ(IsOnLocalHardDrive("/proc/self"), 1);
    EXPECT_EQ(IsOnLocalHardDrive(""), 0);
}

namespace {

// The type the injected query answers, or -1 for a failing query.
std::int64_t gMountType = 0;
bool InjectedMountType(const char*, std::int64_t* type) {
    if (gMountType < 0) return false;
    *type = gMountType;
    return true;
}

}  // namespace

TEST(FileSystemTest, NetworkAndOpticalMountsAreNotLocalDisks) {
    const struct {
        const char* name;
        std::int64_t type;  // statfs(2) f_type
        int local;
    } cases[] = {
        {"ext4", 0xEF53, 1},           {"btrfs", 0x9123683E, 1},     {"tmpfs", 0x01021994, 1},
        {"nfs", 0x6969, 0},            {"cifs", 0xFF534D42, 0},      {"smb2", 0xFE534D42, 0},
        {"sshfs (fuse)", 0x65735546, 0}, {"iso9660", 0x9660, 0},     {"9p", 0x01021997, 0},
        {"unreadable", -1, 0},
    };
    testsupport::TempDir dir;
    SetFileSystemTypeFunction(InjectedMountType);
    for (const auto& c : cases) {
        gMountType = c.type;
        EXPECT_EQ(IsOnLocalHardDrive(dir.Path().c_str()), c.local) << c.name;
    }
    SetFileSystemTypeFunction(nullptr);
    EXPECT_EQ(IsOnLocalHardDrive(dir.Path().c_str()), 1);
}

TEST(FileSystemTest, ValidateFileName) {
    const struct {
        const char* in;
        char replacement;
        const char* out;
    } cases[] = {
        {"Who? Me: Live", '_', "Who_ Me_ Live"},
        {"a/b\\c:d*e?f\"g<h>i|j", ' ', "a b c d e f g h i j"},
        {"Caf\xC3\xA9 ok", '_', "Caf\xC3\xA9 ok"},
        {"", '_', ""},
    };
    for (const auto& c : cases) {
        char out[64];
        ValidateFileName(c.in, out, c.replacement);
        EXPECT_STREQ(out, c.out) << c.in;
    }
    char small[5];
    ValidateFileName("Caf\xC3\xA9", small, '_');
    EXPECT_STREQ(small, "Caf") << "cut on a character boundary";
}

TEST(FileSystemTest, LogCurrentHardDriveSpaceWritesOneLinePerDisk) {
    testsupport::TempDir dir;
    const std::string log = dir.File("log.txt");
    LogInit(log.c_str());
    LogOn(0);
    LogCurrentHardDriveSpace();
    EXPECT_EQ(testsupport::ReadWholeFile(log), "") << "nothing while logging is off";
    LogOn(1);
    LogCurrentHardDriveSpace();
    LogDeinit();

    const std::string text = testsupport::ReadWholeFile(log);
    const std::regex line(R"(\]: (/[^\r]*) has \d+\.\d\d MB free\.\r\n)");
    int lines = 0;
    bool root = false;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line);
         it != std::sregex_iterator(); ++it) {
        ++lines;
        root = root || (*it)[1] == "/";
    }
    EXPECT_TRUE(root) << text;
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')),
              static_cast<std::size_t>(lines))
        << text;
}

TEST(FileSystemTest, BadIntelAppAcceleratorInstalled) {
    EXPECT_EQ(BadIntelAppAcceleratorInstalled(), 0);
}
