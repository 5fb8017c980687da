// The scan of playlists of unknown kinds for rooted song paths, one byte or
// two bytes a character.
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

// Text as two bytes a character, low byte first.
std::string Wide(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

class PlaylistScan : public playlist_test::PlaylistTest {};

TEST_F(PlaylistScan, FindsRootedSongPathsAmongAnyBytes) {
    const struct {
        const char* name;
        std::string bytes;
        Strings paths;
    } kCases[] = {
        {"two.txt", "C:\\Music\\a.mp3 D:\\b.WMA", {"C:\\Music\\a.mp3", "D:\\b.WMA"}},
        {"binary.lib", std::string("\x01\x02" "c:/x/y.wav\0\xFF/home/me/z.ogg|", 29),
         {"c:/x/y.wav", "/home/me/z.ogg"}},
        // A name that goes on past an extension ends at the extension.
        {"cut.db", "C:\\a.mp3.bak", {"C:\\a.mp3"}},
        // ".ra" ends a path only before a zero byte.
        {"real.db", std::string("C:\\a.ra\0C:\\b.ram C:\\c.rax", 25), {"C:\\a.ra"}},
        // An invalid character ends a run; the scan goes on at it.
        {"broken.db", "C:\\a<C:\\b.cda", {"C:\\b.cda"}},
        // The tail of a relative name is no rooted path.
        {"tail.db", "music/a.mp3 x:y.mp3", {}},
        {"windows.db", std::string("C:\\Caf\xE9.mp2"), {"C:\\Caf\xC3\xA9.mp2"}},
        {"end.db", "C:\\a.mp", {}},
        {"short.db", "C:", {}},
    };
    for (const auto& c : kCases) EXPECT_EQ(LoadPaths(dir_.Write(c.name, c.bytes)), c.paths) << c.name;
}

// Lists of kinds the engine does not read (XSPF, SMIL) fall to the scan:
// each URL in them is one entry, never a drive path cut out of it.
TEST_F(PlaylistScan, UrlsAreOneEntryEach) {
    const std::string xspf =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n<trackList>\n"
        "<track><location>http://example.com/music/one.mp3</location><title>One</title></track>\n"
        "<track><location>file:///home/me/two.ogg</location></track>\n"
        "<track><location>https://example.com/x/three.MP3</location></track>\n"
        "</trackList>\n</playlist>\n";
    const std::string smil =
        "<smil><head><meta name=\"Generator\" content=\"http://player.example/\"/></head><body><seq>\n"
        "<media src=\"http://host:8000/stream/a.wma\"/>\n<media src=\"C:\\Music\\b.mp3\"/>\n"
        "<media src=\"mms://host/c.asf\"/>\n</seq></body></smil>\n";
    const struct {
        const char* name;
        std::string bytes;
        Strings paths;
    } kCases[] = {
        {"list.xspf", xspf,
         {"http://example.com/music/one.mp3", "file:///home/me/two.ogg", "https://example.com/x/three.MP3"}},
        {"list.smil", smil, {"http://host:8000/stream/a.wma", "C:\\Music\\b.mp3", "mms://host/c.asf"}},
        // A drive letter that ends a word, or is followed by "//", is none.
        {"words.db", "file:/home/a.mp3 see:/b.mp3 p://c.mp3 D:\\d.mp3", {"D:\\d.mp3"}},
        {"list.cl5", Wide("http://h/a.mp3|"), {"http://h/a.mp3"}},
    };
    for (const auto& c : kCases) EXPECT_EQ(LoadPaths(dir_.Write(c.name, c.bytes)), c.paths) << c.name;
}

// XSPF and SMIL lists may name a song twice in its element (an XSPF
// track's <location> and <identifier>, a SMIL element's source and another
// attribute): each element is one entry, its first path; the same song in
// two elements is two entries.
TEST_F(PlaylistScan, XspfAndSmilElementsAreOneEntryEach) {
    std::string xspf =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n<trackList>\n";
    Strings tracks;
    for (int i = 1; i <= 23; ++i) {
        const std::string song = "file:///music/album/" + std::to_string(i) + ".mp3";
        xspf += "<track>\n  <location>" + song + "</location>\n  <identifier>" + song +
                "</identifier>\n  <title>Song</title>\n</track>\n";
        tracks.push_back(song);
    }
    xspf += "<track><location>/music/a.ogg</location><meta rel=\"x\">/music/a.wav</meta></track>\n"
            "<track><location>/music/a.ogg</location></track>\n</trackList>\n</playlist>\n";
    tracks.insert(tracks.end(), {"/music/a.ogg", "/music/a.ogg"});

    const std::string smil =
        "<smil><body><seq>\n"
        "<media src=\"/music/one.wma\" alt=\"/music/one.wma\"/>\n"
        "<AUDIO src=\"C:\\Music\\two.mp3\">\n<param name=\"location\" value=\"C:\\Music\\two.mp3\"/></AUDIO>\n"
        "<ref src=\"http://host/three.mp3\" longdesc=\"http://host/three.mp3\"/>\n"
        "<media src=\"/music/one.wma\"/>\n</seq></body></smil>\n";
    const Strings smilTracks = {"/music/one.wma", "C:\\Music\\two.mp3", "http://host/three.mp3", "/music/one.wma"};

    EXPECT_EQ(LoadPaths(dir_.Write("list.xspf", xspf)), tracks);
    EXPECT_EQ(LoadPaths(dir_.Write("list.smil", smil)), smilTracks);
    EXPECT_EQ(LoadPaths(dir_.Write("list.smi", smil)), smilTracks);
    // Other kinds keep every path they hold.
    EXPECT_EQ(LoadPaths(dir_.Write("list.db", smil)).size(), 7u);
}

TEST_F(PlaylistScan, WideAndDoubledLists) {
    EXPECT_EQ(LoadPaths(dir_.Write("list.cl5", Wide("C:\\a.mp3|C:\\b.mp1"))), (Strings{"C:\\a.mp3", "C:\\b.mp1"}));
    EXPECT_EQ(LoadPaths(dir_.Write("list.rcl", std::string("\x01\0", 2) + Wide("/m/c.asf"))), (Strings{"/m/c.asf"}));
    // Listed once as a wide text is nothing for a one-byte scan.
    EXPECT_EQ(LoadPaths(dir_.Write("wide.dat", Wide("C:\\a.mp3"))), (Strings{}));
    const std::string doubled = "C:\\1.mp3 C:\\1.mp3 C:\\2.mp3 C:\\2.mp3 C:\\3.mp3";
    EXPECT_EQ(LoadPaths(dir_.Write("list.cl3", doubled)), (Strings{"C:\\1.mp3", "C:\\2.mp3", "C:\\3.mp3"}));
    EXPECT_EQ(LoadPaths(dir_.Write("list.cl4", doubled)), (Strings{"C:\\1.mp3", "C:\\2.mp3", "C:\\3.mp3"}));
}

TEST_F(PlaylistScan, CheckingSkipsPathsThatDoNotExist) {
    const std::string song = dir_.Write("song.mpg", "x");
    const std::string list = dir_.Write("list.db", "C:\\missing.mp3 " + song + " ");
    CPlaylist checked;
    checked.LoadFromFile(list.c_str(), true);
    // The existing file is no song and does not load: checking drops it.
    EXPECT_EQ(checked.Count(), 0);
    EXPECT_EQ(LoadPaths(list), (Strings{"C:\\missing.mp3", song}));
}

TEST_F(PlaylistScan, BoundedOnLargeAndHostileFiles) {
    std::string big(1000000, 'C');
    big.replace(0, 8, "C:\\a.mp3");
    EXPECT_EQ(LoadPaths(dir_.Write("big.db", big)).size(), 1u);
    big += 'x';
    CPlaylist tooBig;
    EXPECT_FALSE(tooBig.LoadFromFile(dir_.Write("big.db", big).c_str(), false));
    EXPECT_EQ(tooBig.LastError(), PLAYLIST_ERR_NOTHING);

    // Roots everywhere with runs that never end in a song: each run stops
    // after 260 characters, and the file ends in the middle of one.
    std::string hostile;
    while (hostile.size() < 1000000) hostile += "C:\\";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LoadPaths(dir_.Write("hostile.db", hostile)).size(), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
