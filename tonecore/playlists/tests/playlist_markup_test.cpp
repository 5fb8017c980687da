// The markup playlists (wpl, rmp and the asx family) as other programs write
// them, and the duration texts of their entries.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "playlist_test_support.h"
#include "tonecore/playlists/playlist.h"

namespace {

using playlist_test::LoadPaths;
using playlist_test::PlaylistFolder;
using Strings = std::vector<std::string>;

class MarkupPlaylist : public playlist_test::PlaylistTest {};

TEST(AsxDuration, TextsInEveryForm) {
    const struct {
        const char* text;
        std::int32_t ms;
    } kCases[] = {
        {"01:02:03", 3723000},
        {"3.25", 3250},
        {"00:03:25.5", 205500},
        {"00:00:01.123456", 1123},
        {".05", 50},
        {"2:30", 150000},
        {"45", 45000},
        {"9:9:9:01:02:03", 3723000},
        {"1h 2m 3s", 3723000},
        {"", 0},
        {"none", 0},
        {"99999999999999999999:00:00", INT32_MAX},
    };
    for (const auto& c : kCases) EXPECT_EQ(_parseAsxDurationField(c.text), c.ms) << c.text;
    EXPECT_EQ(_parseAsxDurationField(nullptr), 0);
}

TEST_F(MarkupPlaylist, WplListsTheMediaOfItsSequence) {
    const std::string list = dir_.Write("list.wpl",
                                        "<?wpl version=\"1.0\"?>\r\n<smil><head><title>Mix</title></head>\r\n"
                                        "<body><seq>\r\n"
                                        "  <media src=\"..\\Music\\a.mp3\"/>\r\n"
                                        "  <MEDIA src=\"sub/b.wma\" tid=\"{1}\"/>\r\n"
                                        "  <media/>\r\n"
                                        "  <media src=\"\"/>\r\n"
                                        "  <media src=\"C:\\Music\\c.mp3\"/>\r\n"
                                        "  <media src=\"/music/d &amp; e.mp3\"/>\r\n"
                                        "</seq></body></smil>\r\n");
    const std::string parent = dir_.Path().substr(0, dir_.Path().rfind('/') + 1);
    EXPECT_EQ(LoadPaths(list), (Strings{parent + "Music/a.mp3", dir_.File("sub/b.wma"), "C:\\Music\\c.mp3",
                                        "/music/d & e.mp3"}));
    // Checking drops what does not exist before it is loaded.
    CPlaylist checked;
    EXPECT_FALSE(checked.LoadFromFile(list.c_str(), true));
    EXPECT_EQ(checked.LastError(), PLAYLIST_ERR_NOTHING);
}

TEST_F(MarkupPlaylist, WplRefusesLongPlaylistPaths) {
    const std::string body = "<smil><body><seq><media src=\"a.mp3\"/></seq></body></smil>";
    // Path lengths of 259 and 260 characters.
    for (const std::size_t length : {std::size_t{259}, std::size_t{260}}) {
        const std::string prefix = dir_.Path() + "/";
        const std::string name = std::string(length - prefix.size() - 4, 'n') + ".wpl";
        const std::string list = dir_.Write(name, body);
        ASSERT_EQ(list.size(), length);
        EXPECT_EQ(LoadPaths(list).size(), length < 260 ? 1u : 0u) << length;
    }
}

TEST_F(MarkupPlaylist, RmpFillsWhatTheSongLeftEmpty) {
    const std::string list = dir_.Write("list.rmp",
                                        "<PLAYLIST><TRACKLIST>\n"
                                        "<TRACK><FILENAME>one.mp3</FILENAME><TITLE>One</TITLE>"
                                        "<ARTIST>Band</ARTIST><DURATION>215</DURATION></TRACK>\n"
                                        "<TRACK><FILENAME>two.mp3</FILENAME><TITLE>T</TITLE><ARTIST>B</ARTIST>"
                                        "<DURATION>x</DURATION></TRACK>\n"
                                        "<TRACK><TITLE>No file</TITLE></TRACK>\n"
                                        "<TRACK><FILENAME>long.mp3</FILENAME><TITLE>" +
                                            std::string(300, 't') + "</TITLE><DURATION>4294967295</DURATION></TRACK>\n"
                                        "</TRACKLIST></PLAYLIST>\n");
    CPlaylist playlist;
    ASSERT_TRUE(playlist.LoadFromFile(list.c_str(), false));
    ASSERT_EQ(playlist.Count(), 3);
    EXPECT_STREQ(playlist.GetTrackFilePath(0), dir_.File("one.mp3").c_str());
    EXPECT_STREQ(playlist.GetTrackTitle(0), "One");
    EXPECT_STREQ(playlist.GetTrackInfo(0)->artist, "Band");
    EXPECT_EQ(playlist.GetTrackInfo(0)->lengthMs, 215000);
    // One character is taken for a placeholder.
    EXPECT_STREQ(playlist.GetTrackTitle(1), "");
    EXPECT_STREQ(playlist.GetTrackInfo(1)->artist, "");
    EXPECT_EQ(playlist.GetTrackInfo(1)->lengthMs, 0);
    EXPECT_EQ(std::string(playlist.GetTrackTitle(2)), std::string(255, 't'));
    EXPECT_EQ(playlist.GetTrackInfo(2)->lengthMs, INT32_MAX);
}

TEST_F(MarkupPlaylist, AsxEntriesWithTheirTitlesAuthorsAndDurations) {
    const std::string entries =
        "<ASX version=\"3.0\"><Title>The list</Title>\n"
        "<Entry><Ref href=\"a.wma\"/><Title>Alpha</Title><Author>Someone</Author>"
        "<Duration value=\"00:03:25.5\"/></Entry>\n"
        "<entry><ref HREF=\"sub\\b.mp3\"/><param name=\"x\"><title>Beta</title></param>"
        "<duration value=\"3\"/></entry>\n"
        "<Entry><Title>No reference</Title></Entry>\n"
        "<Entry><Ref href=\"Caf\xE9.mp3\"/></Entry>\n"
        "</ASX>\n";
    for (const char* name : {"list.asx", "list.wax", "list.wvx"}) {
        const std::string list = dir_.Write(name, entries);
        CPlaylist playlist;
        ASSERT_TRUE(playlist.LoadFromFile(list.c_str(), false)) << name;
        ASSERT_EQ(playlist.Count(), 3) << name;
        EXPECT_STREQ(playlist.GetTrackFilePath(0), dir_.File("a.wma").c_str());
        EXPECT_STREQ(playlist.GetTrackTitle(0), "Alpha");
        EXPECT_STREQ(playlist.GetTrackInfo(0)->artist, "Someone");
        EXPECT_EQ(playlist.GetTrackInfo(0)->lengthMs, 205500);
        // A title below the entry is found; a one-character duration is not
        // taken.
        EXPECT_STREQ(playlist.GetTrackFilePath(1), dir_.File("sub/b.mp3").c_str());
        EXPECT_STREQ(playlist.GetTrackTitle(1), "Beta");
        EXPECT_EQ(playlist.GetTrackInfo(1)->lengthMs, 0);
        EXPECT_STREQ(playlist.GetTrackFilePath(2), dir_.File("Caf\xC3\xA9.mp3").c_str());
    }
}

TEST_F(MarkupPlaylist, ListsWithoutTheirMarkupAreScannedInstead) {
    const struct {
        const char* name;
        const char* text;
    } kCases[] = {
        {"plain.asx", "not markup C:\\Music\\a.mp3 at all"},
        {"other.asx", "<xml><item>C:\\Music\\a.mp3</item></xml>"},
        {"empty.asx", "<asx><entry><title>x</title></entry></asx> C:\\Music\\a.mp3"},
        {"plain.rmp", "<PLAYLIST><file>C:\\Music\\a.mp3</file></PLAYLIST>"},
        {"empty.rmp", "<TRACKLIST><TRACK/></TRACKLIST> C:\\Music\\a.mp3"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(LoadPaths(dir_.Write(c.name, c.text)), (Strings{"C:\\Music\\a.mp3"})) << c.name;
    }
}

}  // namespace
