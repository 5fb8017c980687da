// The playlist object: which reader a file gets, what a load adds, counting,
// saving by kind, the entries' accessors and the log lines.
#include "tonecore/playlists/playlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filekit/log.h"
#include "filekit/ref_obj.h"
#include "playlist_test_support.h"

namespace {

using playlist_test::PlaylistFolder;
using Strings = std::vector<std::string>;

class Playlist : public playlist_test::PlaylistTest {};

TEST_F(Playlist, LoadsAppendAndSongFilesAreTheirOwnEntry) {
    const std::string m3u = dir_.Write("a.m3u", "one.mp3\ntwo.mp3\n");
    CPlaylist list;
    ASSERT_TRUE(list.LoadFromFile(m3u.c_str(), false));
    ASSERT_TRUE(list.LoadFromFile(m3u.c_str(), false));
    for (const char* song : {"/m/s.mp3", "/m/s.MP2", "/m/s.mp1", "/m/s.mpg", "/m/s.wma", "/m/s.wav"}) {
        ASSERT_TRUE(list.LoadFromFile(song, false)) << song;
    }
    EXPECT_EQ(playlist_test::Paths(list),
              (Strings{"one.mp3", "two.mp3", "one.mp3", "two.mp3", "/m/s.mp3", "/m/s.MP2", "/m/s.mp1", "/m/s.mpg", "/m/s.wma", "/m/s.wav"}));
    // A failed load keeps what the list held, and the error stays.
    EXPECT_TRUE(list.LoadFromFile(dir_.File("missing.m3u").c_str(), false));
    EXPECT_EQ(list.LastError(), PLAYLIST_ERR_OPEN);
    EXPECT_EQ(list.Count(), 10);
    list.DeleteAll();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.LastError(), PLAYLIST_ERR_OPEN);
}

TEST_F(Playlist, NothingLoadedIsAnError) {
    CPlaylist list;
    EXPECT_FALSE(list.LoadFromFile(dir_.Write("empty.m3u", "#EXTM3U\n").c_str(), false));
    EXPECT_EQ(list.LastError(), PLAYLIST_ERR_NOTHING);
    EXPECT_FALSE(list.LoadFromFile(nullptr, false));
    // A missing song file checked is dropped; unchecked it stays as a bare
    // entry.
    EXPECT_FALSE(list.LoadFromFile("/missing/song.mp3", true));
    EXPECT_TRUE(list.LoadFromFile("/missing/song.mp3", false));
}

TEST_F(Playlist, CountsOnlyTheKindsThatCanBeCounted) {
    const struct {
        const char* name;
        const char* text;
        int count;
        std::int32_t error;
    } kCases[] = {
        {"list.m3u", "a.mp3\nb.mp3\n", 2, PLAYLIST_ERR_NONE},
        {"list.pls", "[playlist]\nNumberOfEntries=1\nFile1=a.mp3\n", 1, PLAYLIST_ERR_NONE},
        {"list.pl", "[Files]\nFile0=a.mp3\n", 1, PLAYLIST_ERR_NONE},
        {"none.m3u", "#nothing\n", 0, PLAYLIST_ERR_NOTHING},
        {"list.asx", "<asx><entry><ref href=\"a.mp3\"/></entry></asx>", 0, PLAYLIST_ERR_KIND},
        {"list.wpl", "<smil/>", 0, PLAYLIST_ERR_KIND},
        {"song.mp3", "x", 0, PLAYLIST_ERR_KIND},
    };
    for (const auto& c : kCases) {
        CPlaylist list;
        EXPECT_EQ(list.GetSongCount(dir_.Write(c.name, c.text).c_str()), c.count) << c.name;
        EXPECT_EQ(list.LastError(), c.error) << c.name;
        EXPECT_EQ(list.Count(), 0) << c.name;
    }
}

TEST_F(Playlist, SavesOnlySessions) {
    CPlaylist empty;
    EXPECT_FALSE(empty.SaveToFile(dir_.File("empty.tps").c_str()));
    EXPECT_EQ(empty.LastError(), PLAYLIST_ERR_NOTHING);
    EXPECT_FALSE(DoesFileExist(dir_.File("empty.tps").c_str()));

    CPlaylist list;
    ASSERT_TRUE(list.LoadFromFile("/m/a.mp3", false));
    for (const char* name : {"list.m3u", "list.pls", "list.pl"}) {
        EXPECT_FALSE(list.SaveToFile(dir_.File(name).c_str())) << name;
        EXPECT_FALSE(DoesFileExist(dir_.File(name).c_str())) << name;
        EXPECT_EQ(list.LastError(), PLAYLIST_ERR_NONE) << name;
    }
    EXPECT_FALSE(list.SaveToFile(dir_.File("list.asx").c_str()));
    EXPECT_EQ(list.LastError(), PLAYLIST_ERR_KIND);
    EXPECT_TRUE(list.SaveToFile(dir_.File("list.tps").c_str()));
}

TEST_F(Playlist, EntriesOutsideTheListAreNull) {
    CPlaylist list;
    ASSERT_TRUE(list.LoadFromFile("/m/a.mp3", false));
    EXPECT_NE(list.GetTrackInfo(0), nullptr);
    EXPECT_STREQ(list.GetTrackTitle(0), "");
    for (const int i : {-1, 1, 1000}) {
        EXPECT_EQ(list.GetTrackInfo(i), nullptr) << i;
        EXPECT_EQ(list.GetTrackFilePath(i), nullptr) << i;
        EXPECT_EQ(list.GetTrackTitle(i), nullptr) << i;
    }
}

TEST_F(Playlist, LogsWhatItReadsAndSaves) {
    const std::string log = dir_.File("playlist.log");
    LogInit(log.c_str());
    LogOn(1);
    const std::string wpl = dir_.Write("list.wpl", "<smil><seq><media src=\"sub\\a.mp3\"/></seq></smil>");
    const std::string asx = dir_.Write("list.asx", "<asx><entry><ref href=\"b.wma\"/></entry></asx>");
    const std::string rmp = dir_.Write("list.rmp", "<x/>");
    const std::string scan = dir_.Write("list.db", "C:\\c.mp3");
    for (const std::string& path : {wpl, asx, rmp, scan}) {
        CPlaylist list;
        list.LoadFromFile(path.c_str(), false);
    }
    LogDeinit();
    const std::string text = testsupport::ReadWholeFile(log);
    const Strings expected = {
        "]: CPlaylist::LoadFromFile: file <" + wpl + ">\r\n",
        "]: Entered CPlaylist::_readWPL, file <" + wpl + ">\r\n",
        "]: CPlaylist::_readWPL, saving sound file <" + dir_.File("sub/a.mp3") + ">, original file <sub\\a.mp3>\r\n",
        "]: Entering CPlaylist::_readASXPlayList, file <" + asx + ">\r\n",
        "]: CPlaylist::_readASX, saving sound file <" + dir_.File("b.wma") + ">, original file <b.wma>\r\n",
        "]: Entered CPlaylist::_readRMP, file <" + rmp + ">\r\n",
        "]: Entered CPlaylist::_readGenericPlaylist, file <" + rmp + ">\r\n",
        "]: Entered CPlaylist::_readGenericPlaylist, file <" + scan + ">\r\n",
        "]: CPlaylist::_readGenericPlaylist, located potential sound file <C:\\c.mp3>\r\n",
        "]: CPlaylist::_readGenericPlaylist, saving sound file <C:\\c.mp3>\r\n",
        "]: Leaving CPlaylist::_readGenericPlaylist, returning true\r\n",
    };
    std::size_t at = 0;
    for (const std::string& line : expected) {
        const std::size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "in\n" << text;
        at = found + line.size();
    }

    LogInit(log.c_str());
    LogOn(1);
    std::string big(CPlaylist::kMaxScanBytes + 1, ' ');
    const std::string tooBig = dir_.Write("big.db", big);
    CPlaylist list;
    list.LoadFromFile(tooBig.c_str(), false);
    list.LoadFromFile(dir_.File("missing.db").c_str(), false);
    LogDeinit();
    const std::string failures = testsupport::ReadWholeFile(log);
    EXPECT_NE(failures.find("]: Exiting CPlaylist::_readGenericPlaylist, file size too big 1000001 > 1000000\r\n"),
              std::string::npos);
    EXPECT_NE(failures.find("]: Exiting CPlaylist::_readGenericPlaylist, can't open file <" +
                            dir_.File("missing.db") + ">\r\n"),
              std::string::npos);
}

}  // namespace
