#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

using ScopedEnv = testsupport::CScopedEnv;

}  // namespace

TEST(UserFolders, SongsmithHomeHoldsConfigDataAndCache) {
    testsupport::TempDir home;
    ScopedEnv env("SONGSMITH_HOME", home.Path().c_str());
    EXPECT_EQ(GetUserConfigDir(), home.Path() + "/config/");
    EXPECT_EQ(GetUserDataDir(), home.Path() + "/data/");
    EXPECT_EQ(GetUserCacheDir(), home.Path() + "/cache/");
    EXPECT_TRUE(IsDirectory(home.Path() + "/cache"));
}

TEST(UserFolders, XdgFoldersAndTheirHomeDefaults) {
    testsupport::TempDir root;
    ScopedEnv noHome("SONGSMITH_HOME", nullptr);
    ScopedEnv home("HOME", root.Path().c_str());
    {
        ScopedEnv config("XDG_CONFIG_HOME", (root.Path() + "/xdg-config").c_str());
        EXPECT_EQ(GetUserConfigDir(), root.Path() + "/xdg-config/songsmith/");
    }
    {
        // A relative base folder is ignored, as the XDG rules say.
        ScopedEnv data("XDG_DATA_HOME", "relative/path");
        EXPECT_EQ(GetUserDataDir(), root.Path() + "/.local/share/songsmith/");
    }
    ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    EXPECT_EQ(GetUserCacheDir(), root.Path() + "/.cache/songsmith/");
}

TEST(UserFolders, ExecutableDirEndsWithSlashAndResourcesAreFoundBesideIt) {
    const std::string dir = GetExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(IsDirectory(dir));
    EXPECT_EQ(FindResourceFile("no-such-resource.ini"), "");
}

TEST(UserFolders, MakeFolderPathCreatesEveryMissingLevel) {
    testsupport::TempDir root;
    const std::string deep = root.Path() + "/a/b/c";
    EXPECT_TRUE(MakeFolderPath(deep));
    EXPECT_TRUE(IsDirectory(deep));
    EXPECT_TRUE(MakeFolderPath(deep));  // already there
    testsupport::WriteWholeFile(root.File("file"), "x");
    EXPECT_FALSE(MakeFolderPath(root.File("file") + "/below"));
}
