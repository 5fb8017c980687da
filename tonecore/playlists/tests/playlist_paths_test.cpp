// Where a playlist's song names lead: the three schemes of the playlist
// kinds, with names written here and on systems with drive letters.
#include "tonecore/playlists/playlist_paths.h"

#include <gtest/gtest.h>

#include <string>

#include "playlist_test_support.h"

namespace {

using playlist_test::PlaylistFolder;

TEST(PlaylistPaths, CanonicalizeWorksOnTextAlone) {
    const struct {
        const char* in;
        const char* out;
    } kCases[] = {
        {"/a/b/../c/./d.mp3", "/a/c/d.mp3"}, {"/a//b.mp3", "/a/b.mp3"},   {"/../../x.mp3", "/x.mp3"},
        {"../x/../y.mp3", "../y.mp3"},      {"a/./b/", "a/b"},           {"/", "/"},
    };
    for (const auto& c : kCases) EXPECT_EQ(CanonicalizePath(c.in), c.out) << c.in;
}

TEST(PlaylistPaths, ForeignNamesAreThoseNoFileHereCanHave) {
    for (const char* name : {"C:\\Music\\a.mp3", "d:/a.mp3", "\\\\server\\share\\a.mp3", "http://host/a.mp3"}) {
        EXPECT_TRUE(IsForeignSongName(name)) << name;
    }
    for (const char* name : {"/music/a.mp3", "Artist: Title.mp3", "sub\\a.mp3", "a.mp3"}) {
        EXPECT_FALSE(IsForeignSongName(name)) << name;
    }
}

TEST(PlaylistPaths, MarkupNamesJoinThePlaylistFolder) {
    const char* list = "/lists/party/list.wpl";
    const struct {
        const char* name;
        const char* out;
    } kCases[] = {
        {"a.mp3", "/lists/party/a.mp3"},
        {"sub\\b.mp3", "/lists/party/sub/b.mp3"},
        {"..\\other/c.mp3", "/lists/other/c.mp3"},
        {"\\rooted\\d.mp3", "/lists/party/rooted/d.mp3"},
        {"/music/e.mp3", "/music/e.mp3"},
        {"C:\\Music\\f.mp3", "C:\\Music\\f.mp3"},
        {"http://host/g.mp3", "http://host/g.mp3"},
    };
    for (const auto& c : kCases) EXPECT_EQ(ResolveMarkupSongPath(list, c.name), c.out) << c.name;
}

TEST(PlaylistPaths, M3uNamesAreLookedForBesideTheListThenAtTheRoot) {
    PlaylistFolder dir;
    dir.Write("beside.mp3", "x");
    const std::string list = dir.File("list.m3u");
    EXPECT_EQ(ResolveM3uSongPath(list.c_str(), "beside.mp3"), dir.File("beside.mp3"));
    EXPECT_EQ(ResolveM3uSongPath(list.c_str(), "\\beside.mp3"), dir.File("beside.mp3"));
    // The scratch folder lies below the root: its path without the leading
    // separator names it from the root when it is not beside the list.
    const std::string fromRoot = dir.File("beside.mp3").substr(1);
    PlaylistFolder other;
    EXPECT_EQ(ResolveM3uSongPath(other.File("list.m3u").c_str(), "\\" + fromRoot), dir.File("beside.mp3"));
    // Nowhere to be found: as written, with its separators read.
    EXPECT_EQ(ResolveM3uSongPath(list.c_str(), "missing\\song.mp3"), "missing/song.mp3");
    EXPECT_EQ(ResolveM3uSongPath(list.c_str(), "/music/a.mp3"), "/music/a.mp3");
    EXPECT_EQ(ResolveM3uSongPath(list.c_str(), "E:\\a.mp3"), "E:\\a.mp3");
    EXPECT_EQ(ResolveM3uSongPath("list.m3u", "a.mp3"), "a.mp3");
}

TEST(PlaylistPaths, PlsNamesClimbFromTheListFolder) {
    const char* list = "/lists/party/list.pls";
    const struct {
        const char* value;
        const char* out;
    } kCases[] = {
        {"./a.mp3", "/lists/party/a.mp3"},
        {".\\sub\\a.mp3", "/lists/party/sub/a.mp3"},
        {"..\\b.mp3", "/lists/b.mp3"},
        {"../../c.mp3", "/c.mp3"},
        {"sub\\d.mp3", "/lists/party/sub/d.mp3"},
        {".hidden.mp3", "/lists/party/.hidden.mp3"},
        {"e.mp3", "/lists/party/e.mp3"},
        {"\\music\\f.mp3", "/music/f.mp3"},
        {"/music/g.mp3", "/music/g.mp3"},
        {"C:\\Music\\h.mp3", "C:\\Music\\h.mp3"},
        {"http://host/i.mp3", "http://host/i.mp3"},
    };
    for (const auto& c : kCases) {
        std::string out;
        ASSERT_TRUE(ResolvePlsSongPath(list, c.value, out)) << c.value;
        EXPECT_EQ(out, c.out) << c.value;
    }
}

}  // namespace
