// The text playlists as other programs write them: m3u lines, and the pls
// and pl INI layouts, in UTF-8 and in the Windows code page, with names
// written here and on systems with drive letters.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "playlist_test_support.h"
#include "tonecore/playlists/playlist.h"

namespace {

using playlist_test::LoadPaths;
using playlist_test::PlaylistFolder;
using Strings = std::vector<std::string>;

class TextPlaylist : public playlist_test::PlaylistTest {};

TEST_F(TextPlaylist, M3uListsEveryLineThatIsNoComment) {
    const std::string list = dir_.Write("list.m3u",
                                        "\xEF\xBB\xBF#EXTM3U\r\n"
                                        "#EXTINF:123,Artist - Title\r\n"
                                        "first.mp3\r\n"
                                        "\r\n"
                                        "  sub\\second.mp3\n"
                                        "; a comment\n"
                                        "?query\r*star\r,comma\r^caret\r$dollar\r"
                                        "trailing.mp3  \n"
                                        "/music/absolute.mp3\n"
                                        "C:\\Music\\drive.mp3\n"
                                        "http://host/stream.mp3\n"
                                        "Artist: Title.mp3");
    EXPECT_EQ(LoadPaths(list), (Strings{"first.mp3", "sub/second.mp3", "trailing.mp3  ", "/music/absolute.mp3",
                                        "C:\\Music\\drive.mp3", "http://host/stream.mp3", "Artist: Title.mp3"}));
}

TEST_F(TextPlaylist, M3uNamesResolveToSongsBesideTheList) {
    dir_.Write("Caf\xC3\xA9.mp3", "x");
    dir_.Write("b.mp3", "x");
    // A list of the Windows code page: its names are read as that.
    const std::string list = dir_.Write("list.m3u", "Caf\xE9.mp3\r\n\\b.mp3\r\n");
    EXPECT_EQ(LoadPaths(list), (Strings{dir_.File("Caf\xC3\xA9.mp3"), dir_.File("b.mp3")}));
}

TEST_F(TextPlaylist, M3uSizeLimits) {
    // A line of names long enough to reach the size; every byte counts.
    const auto sized = [](std::size_t bytes) {
        std::string text = "a.mp3\n";
        text.append(bytes - text.size(), '#');
        return text;
    };
    const struct {
        std::string bytes;
        bool loads;
    } kCases[] = {{sized(200000), true}, {sized(200001), false}, {"", false}};
    for (const auto& c : kCases) {
        const std::string list = dir_.Write("size.m3u", c.bytes);
        CPlaylist playlist;
        EXPECT_EQ(playlist.LoadFromFile(list.c_str(), false), c.loads) << c.bytes.size();
        if (!c.loads) {
            CPlaylist counted;
            EXPECT_EQ(counted.GetSongCount(list.c_str()), 0);
            EXPECT_EQ(counted.LastError(), PLAYLIST_ERR_OPEN) << c.bytes.size();
        }
    }
    CPlaylist missing;
    EXPECT_EQ(missing.GetSongCount(dir_.File("none.m3u").c_str()), 0);
    EXPECT_EQ(missing.LastError(), PLAYLIST_ERR_OPEN);
}

TEST_F(TextPlaylist, CheckingDropsNamesThatDoNotOpen) {
    dir_.Write("here.mp3", "x");
    const std::string list = dir_.Write("list.m3u", "here.mp3\nmissing.mp3\nC:\\Music\\x.mp3\n");
    CPlaylist counted;
    EXPECT_EQ(counted.GetSongCount(list.c_str()), 3);
    const std::string pls = dir_.Write("list.pls",
                                       "[playlist]\nFile1=here.mp3\nFile2=missing.mp3\nNumberOfEntries=2\n");
    for (const std::string& path : {list, pls}) {
        CPlaylist checked;
        EXPECT_FALSE(checked.LoadFromFile(path.c_str(), true)) << path;
        // The one name that opens is no song at all, so checking drops it
        // too once it fails to load; without checking it stays a bare entry.
        EXPECT_EQ(checked.Count(), 0) << path;
        EXPECT_EQ(LoadPaths(path).front(), dir_.File("here.mp3")) << path;
    }
}

TEST_F(TextPlaylist, PlsReadsTheNumberedKeysUpToItsCount) {
    const std::string list = dir_.Write("list.pls",
                                        "[playlist]\r\n"
                                        "File1=./one.mp3\r\n"
                                        "Title1=One\r\n"
                                        "File3=..\\three.mp3\r\n"
                                        "file4=C:\\Music\\four.mp3\r\n"
                                        "File5=\r\n"
                                        "File6=/music/six.mp3\r\n"
                                        "File7=beyond.mp3\r\n"
                                        "File06=leading zero.mp3\r\n"
                                        "NumberOfEntries=6\r\n"
                                        "Version=2\r\n");
    const std::string parent = dir_.Path().substr(0, dir_.Path().rfind('/') + 1);
    EXPECT_EQ(LoadPaths(list),
              (Strings{dir_.File("one.mp3"), parent + "three.mp3", "C:\\Music\\four.mp3", "/music/six.mp3"}));
    CPlaylist counted;
    EXPECT_EQ(counted.GetSongCount(list.c_str()), 4);
}

TEST_F(TextPlaylist, PlsWithoutEntriesFails) {
    for (const char* text : {"[playlist]\nFile1=a.mp3\nNumberOfEntries=0\n", "[playlist]\nFile1=a.mp3\n", "x"}) {
        const std::string list = dir_.Write("list.pls", text);
        CPlaylist playlist;
        EXPECT_FALSE(playlist.LoadFromFile(list.c_str(), false)) << text;
        EXPECT_EQ(playlist.LastError(), PLAYLIST_ERR_NOTHING) << text;
    }
}

TEST_F(TextPlaylist, PlsEntryCountIsNotTrusted) {
    const std::string list =
        dir_.Write("huge.pls", "[playlist]\nNumberOfEntries=2147483647\nFile1=a.mp3\nFile2000000000=b.mp3\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LoadPaths(list), (Strings{dir_.File("a.mp3"), dir_.File("b.mp3")}));
    // A walk over the two billion numbers the count claims would take hours.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(TextPlaylist, PlStopsAtTheFirstGapAndTakesNamesAsWritten) {
    const std::string list = dir_.Write("list.pl",
                                        "[Files]\n"
                                        "File0=C:\\Music\\zero.mp3\n"
                                        "File1=relative\\one.mp3\n"
                                        "File2=/music/two.mp3\n"
                                        "File4=after the gap.mp3\n");
    EXPECT_EQ(LoadPaths(list), (Strings{"C:\\Music\\zero.mp3", "relative\\one.mp3", "/music/two.mp3"}));
    CPlaylist counted;
    EXPECT_EQ(counted.GetSongCount(list.c_str()), 3);

    const std::string noFirst = dir_.Write("gap.pl", "[Files]\nFile1=one.mp3\n");
    CPlaylist playlist;
    EXPECT_FALSE(playlist.LoadFromFile(noFirst.c_str(), false));
    EXPECT_EQ(playlist.LastError(), PLAYLIST_ERR_NOTHING);
}

}  // namespace
