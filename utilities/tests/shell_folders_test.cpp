#include "utilities/shell_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "testsupport/temp_dir.h"

namespace {

// Runs each test with its own home folder and no XDG variables, and puts
// the environment back afterwards.
class SpecialFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
            unsetenv(name);
        }
        home_ = dir_.Path() + "/home";
        mkdir(home_.c_str(), 0777);
        mkdir((home_ + "/.config").c_str(), 0777);
        setenv("HOME", home_.c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    static std::string Folder(int id, bool create = false) {
        char out[512] = "x";
        if (!GetSpecialFolderPath(out, sizeof(out), id, create)) {
            EXPECT_STREQ(out, "");
            return "(none)";
        }
        return out;
    }
    static bool IsFolder(const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    static constexpr const char* kVariables[] = {
        "HOME",
        "XDG_CONFIG_HOME",
        "XDG_DATA_HOME",
        "XDG_CACHE_HOME",
        "XDG_DESKTOP_DIR",
        "XDG_DOCUMENTS_DIR",
        "XDG_PICTURES_DIR",
        "XDG_MUSIC_DIR",
    };
    testsupport::TempDir dir_;
    std::string home_;
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

TEST_F(SpecialFoldersTest, DefaultsWithoutUserFolders) {
    EXPECT_EQ(Folder(kShellFolderDesktop), home_ + "/Desktop");
    EXPECT_EQ(Folder(kShellFolderDocuments), "(none)");
    EXPECT_EQ(Folder(kShellFolderPictures), "(none)");
    EXPECT_EQ(Folder(kShellFolderMusic), home_ + "/Music");
    EXPECT_EQ(Folder(kShellFolderAppData), home_ + "/.local/share");
    EXPECT_EQ(Folder(kShellFolderCommonAppData), home_ + "/.local/share");
    EXPECT_EQ(Folder(kShellFolderInternetCache), home_ + "/.cache");
    EXPECT_EQ(Folder(12345), "(none)");

    char out[512];
    EXPECT_TRUE(GetMyDocumentsPath(out, sizeof(out), false));
    EXPECT_EQ(std::string(out), home_) << "the home folder stands in";
}

TEST_F(SpecialFoldersTest, UserFoldersFileAndVariables) {
    testsupport::WriteWholeFile(home_ + "/.config/user-dirs.dirs",
                                "# written by the desktop\n"
                                "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente/\"\n"
                                "XDG_PICTURES_DIR=\"$HOME/\"\n"
                                "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    EXPECT_EQ(Folder(kShellFolderDesktop), home_ + "/Schreibtisch");
    EXPECT_EQ(Folder(kShellFolderDocuments), home_ + "/Dokumente");
    EXPECT_EQ(Folder(kShellFolderPictures), "(none)") << "set to the home folder: switched off";
    EXPECT_EQ(Folder(kShellFolderMusic), home_ + "/Musik");

    setenv("XDG_PICTURES_DIR", (dir_.Path() + "/pics").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_.Path() + "/data").c_str(), 1);
    setenv("XDG_CACHE_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(Folder(kShellFolderPictures), dir_.Path() + "/pics");
    EXPECT_EQ(Folder(kShellFolderAppData), dir_.Path() + "/data");
    EXPECT_EQ(Folder(kShellFolderInternetCache), home_ + "/.cache");

    char out[512];
    EXPECT_TRUE(GetMyPicturesPath(out, sizeof(out), true));
    EXPECT_TRUE(IsFolder(dir_.Path() + "/pics")) << "made when asked";
    EXPECT_TRUE(GetMyMusicPath(out, sizeof(out), false));
    EXPECT_FALSE(IsFolder(home_ + "/Musik")) << "not made when not asked";
    EXPECT_TRUE(GetMyMusicPath(out, sizeof(out), true));
    EXPECT_TRUE(IsFolder(home_ + "/Musik"));
    EXPECT_TRUE(GetInternetCachePath(out, sizeof(out)));
    EXPECT_FALSE(IsFolder(home_ + "/.cache")) << "the cache is never made";

    EXPECT_TRUE(GetMyDocumentsPath(out, sizeof(out), true));
    EXPECT_EQ(std::string(out), home_ + "/Dokumente");
    EXPECT_TRUE(IsFolder(out));

    // A documents folder that cannot be made gives the root instead.
    testsupport::WriteWholeFile(dir_.Path() + "/file", "x");
    setenv("XDG_DOCUMENTS_DIR", (dir_.Path() + "/file/docs").c_str(), 1);
    EXPECT_TRUE(GetMyDocumentsPath(out, sizeof(out), false));
    EXPECT_EQ(std::string(out), dir_.Path() + "/file/docs") << "not made when not asked";
    EXPECT_TRUE(GetMyDocumentsPath(out, sizeof(out), true));
    EXPECT_STREQ(out, "/");
}

TEST_F(SpecialFoldersTest, PathsThatDoNotFitAreRefused) {
    char small[8] = "x";
    EXPECT_FALSE(GetSpecialFolderPath(small, sizeof(small), kShellFolderAppData, false));
    EXPECT_STREQ(small, "");
    EXPECT_FALSE(GetSpecialFolderPath(nullptr, 10, kShellFolderAppData, false));
    EXPECT_FALSE(GetMyDocumentsPath(small, 0, false));
    EXPECT_TRUE(GetMyDocumentsPath(small, sizeof(small), false));
    EXPECT_STREQ(small, "/") << "the home folder does not fit either";
}
