// Folders added to the preferences' folder lists: the trailing '/', the
// 260-byte record they must fit, and the favourites that lie inside a
// folder, compared byte for byte.
#include "songsmith/prefs/preference_folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/fake_ui_services.h"
#include "utilities/last_dir_list.h"

namespace {

TEST(PreferenceFolders, AChosenFolderGetsOneTrailingSlashAndMustFitARecord) {
    const std::string fits = "/" + std::string(257, 'a');  // 259 bytes with the '/'
    const std::string tooLong = "/" + std::string(258, 'a');
    struct {
        std::string chosen;
        std::string result;
        bool warned;
    } const cases[] = {
        {"/music", "/music/", false},
        {"/music/", "/music/", false},
        {"/", "/", false},
        {fits, fits + "/", false},
        {fits + "/", fits + "/", false},
        {tooLong, "", true},
        {"", "", false},  // cancelled
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen.size());
        testsupport::CFakeUiServices ui;
        ui.ExpectFolder("PREFI_SelectFolder", c.chosen);
        if (c.warned) ui.ExpectMessage(kFolderTooLongKey, IDOK);
        EXPECT_EQ(ChooseListFolder(nullptr, "PREFI_SelectFolder", "/start/"), c.result);
        EXPECT_EQ(ui.Calls().front().text, "/start/");
    }
}

TEST(PreferenceFolders, OnlyFavouritesInsideTheFolderByteForByteAreRemoved) {
    CLastDirList favourites;
    const std::vector<std::string> paths = {"/home/jo/Music/", "/home/jo/Music/Jazz/",
                                            "/home/jo/Musical/", "/home/jo/music/",
                                            "/home/jo/Music"};
    std::uint32_t stamp = 100;
    for (const std::string& path : paths) favourites.Add(path.c_str(), stamp--, 0, 0);
    EXPECT_FALSE(HasFoldersIn(favourites, "/home/jo/Mus/"));
    EXPECT_TRUE(HasFoldersIn(favourites, "/home/jo/Music/"));
    RemoveFoldersIn(favourites, "/home/jo/Music/");
    std::vector<std::string> left;
    for (int i = 0; i < favourites.Count(); ++i) left.emplace_back(favourites.Index(i)->path);
    EXPECT_EQ(left,
              (std::vector<std::string>{"/home/jo/Musical/", "/home/jo/music/", "/home/jo/Music"}));
}

}  // namespace
