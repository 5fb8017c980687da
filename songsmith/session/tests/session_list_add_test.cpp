// Adding songs to the session: the size rule, playlists of none, one and
// more songs, paths a session cannot hold, the add list with its library
// import, counts, warnings and stop, and the files named on the command
// line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "songsmith/session/tests/engine_scope.h"
#include "songsmith/session/tests/session_list_fixture.h"
#include "songvault/description.h"
#include "songvault/songvault.h"
#include "songvault/tonecore_probe/tonecore_song_probe.h"

namespace sessiontest {
namespace {

namespace fs = std::filesystem;

// A PCM WAV file of exactly bytes bytes (at least 44): a header and silence.
std::string WavOfSize(std::size_t bytes) {
    std::string wav = songtest::Riff(
        "WAVE", songtest::Chunk("fmt ", songtest::FormatBody(1, 2, 44100, 16)) +
                    songtest::Chunk("data", std::string((bytes - 44) & ~std::size_t{1}, '\0')));
    wav.resize(bytes, '\0');
    return wav;
}

class SessionAddTest : public SessionListTest {
protected:
    // A song of 100 ms (about 17 KB) in the temporary folder; its path.
    std::string Song(const std::string& name) {
        const std::string path = temp_.File(name);
        fs::create_directories(fs::path(path).parent_path());
        testsupport::WriteWholeFile(path, songfiles::WavBytes(44100, 2, 100));
        return path;
    }
    std::string Playlist(const std::string& name, const std::vector<std::string>& songs) {
        std::string text;
        for (const std::string& song : songs) text += song + "\n";
        const std::string path = temp_.File(name);
        testsupport::WriteWholeFile(path, text);
        return path;
    }
    bool Add(const std::string& path) { return list_->AddSong(CSongEntry(path.c_str()), true, kSongListFind); }
    std::string Paths() {
        std::string paths;
        for (int i = 0; i < tracks_.GetCount(); ++i)
            paths += std::string(paths.empty() ? "" : " ") + fs::path(tracks_.GetAt(i)->GetPath()).filename().string();
        return paths;
    }
};

TEST_F(SessionAddTest, ASongJoinsOnlyAboveTheSmallSize) {
    const std::string small = temp_.File("small.wav");
    const std::string edge = temp_.File("edge.wav");
    testsupport::WriteWholeFile(small, WavOfSize(2047));
    testsupport::WriteWholeFile(edge, WavOfSize(2048));
    ui_.ExpectMessage("SesErr_SmallSong", IDOK);
    ui_.ExpectMessage("SesErr_FailedToLoadSong", IDOK);
    EXPECT_FALSE(Add(small));
    EXPECT_FALSE(Add(edge));
    EXPECT_EQ(tracks_.GetCount(), 0);
    EXPECT_TRUE(view_.Only("insert").empty());
    const auto calls = ui_.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, "\"small\" is too small to be a song, so it was not added.");
    EXPECT_EQ(calls[1].flags & MB_ICONMASK, static_cast<std::uint32_t>(MB_ICONWARNING));

    const std::string song = Song("Folder/song.wav");
    EXPECT_TRUE(Add(song));
    EXPECT_EQ(Paths(), "song.wav");
    ExpectRowsMatchTracks();
    EXPECT_TRUE(tracks_.IsDirty());
    EXPECT_EQ(undo_.CanUndo(), 1) << "an added-track atom";
    EXPECT_STREQ(prefs_.MusicDirectories.Index(0)->path, temp_.File("Folder").c_str());
    EXPECT_EQ(ToolbarPosts(), Lines{"toolbar 1025 40069 1"});
    EXPECT_TRUE(songActions_.empty()) << "a page's add marks the song itself";
    // From the session's own list, the tab pages are told.
    list_->AddSong(CSongEntry(song.c_str()), false, kSongListSession);
    EXPECT_EQ(songActions_, Lines{Line("4 1 %d 0 %s", list_->RowSerial(1), song.c_str())});
}

TEST_F(SessionAddTest, APathASessionCannotHoldIsRefused) {
    const std::string song = Song(std::string(150, 'x') + "/" + std::string(140, 'y') + ".wav");
    ASSERT_GE(song.size(), 300u);
    ui_.ExpectMessage("SesErr_FailedToLoadSong", IDOK);
    EXPECT_FALSE(Add(song));
    EXPECT_EQ(tracks_.GetCount(), 0);
    EXPECT_EQ(prefs_.MusicDirectories.Count(), 0) << "no folder remembered for a refused song";
}

TEST_F(SessionAddTest, PlaylistsOfNoneOneAndTwoSongs) {
    const std::string a = Song("a.wav");
    const std::string b = Song("b.wav");
    for (int i = 0; i < 3; ++i) ui_.ExpectMessage("SesErr_FailedToLoadPlaylist", IDOK);
    EXPECT_FALSE(Add(Playlist("none.m3u", {})));
    EXPECT_FALSE(Add(Playlist("gone.m3u", {temp_.File("gone.wav")})));
    EXPECT_FALSE(Add(Playlist("self.m3u", {temp_.File("self.m3u")})));
    EXPECT_EQ(tracks_.GetCount(), 0) << "neither the playlist file nor anything else joins";

    EXPECT_TRUE(Add(Playlist("one.m3u", {a})));
    EXPECT_EQ(Paths(), "a.wav");
    EXPECT_TRUE(view_.Only("add").empty()) << "one song needs no progress dialog";

    EXPECT_TRUE(Add(Playlist("two.m3u", {b, a})));
    EXPECT_EQ(Paths(), "a.wav b.wav a.wav");
    EXPECT_EQ(view_.Only("add"), Lines{"add dialog 0"});
    ExpectRowsMatchTracks();
}

TEST_F(SessionAddTest, TheAddListImportsEveryFileCountsAndWarns) {
    testsupport::TempDir store;
    SVTENG_CSongvault library;
    CTonecoreSongProbe probe;
    library.SetSongProbe(&probe);
    SGSMarovelle description;
    ASSERT_TRUE(library.Initialize(&description, store.Path().c_str()));
    MakeList(&library);

    const std::vector<std::string> files = {Song("a.wav"), temp_.File("missing.wav"), Song("c.wav"), Song("d.wav")};
    ui_.ExpectMessage("SesErr_FailedToLoadSomeSongsInPlaylist", IDOK);
    EXPECT_EQ(list_->AddSongsWithProgress(files, true, true), 1);
    EXPECT_EQ(view_.Only("add"), Lines{"add dialog 1"});
    EXPECT_EQ(Paths(), "a.wav c.wav d.wav");
    ExpectRowsMatchTracks();
    EXPECT_EQ(view_.progress.back(), "Added 3 of 4 songs to the song list and the library (1 could not be loaded)");
    EXPECT_EQ(list_->AddListAdded(), 3);
    EXPECT_EQ(list_->AddListFailed(), 1);
    EXPECT_EQ(library.GetSongCount(), 3);
    EXPECT_EQ(libraryTabPaths_, files);
    EXPECT_EQ(undo_.CanUndo(), 1);
    undo_.Undo();
    EXPECT_EQ(tracks_.GetCount(), 0) << "the whole list is one step";

    // Nothing loads: the playlist warning, and 0.
    ui_.ExpectMessage("SesErr_FailedToLoadPlaylist", IDOK);
    EXPECT_EQ(list_->AddSongsWithProgress({temp_.File("x.wav"), temp_.File("notes.txt")}, true, false), 0);

    // A stop halfway keeps what was added and warns of nothing.
    view_.stopAfterTicks = 2;
    EXPECT_EQ(list_->AddSongsWithProgress(files, true, false), 1);
    EXPECT_EQ(Paths(), "a.wav");
    EXPECT_EQ(list_->AddListAdded() + list_->AddListFailed(), 2);
    EXPECT_STREQ(list_->AddListTitleKey(), "ILD_Title");
    library.Shutdown(nullptr);
}

TEST_F(SessionAddTest, TheCommandLineNamesOneFileEach) {
    if (!songtest::HaveTools({"lame"})) GTEST_SKIP() << "lame is not installed";
    // Only a running engine decodes MPEG songs.
    const songfiles::CEngineScope engine(prefs_, temp_.File("cache"));
    const std::string wav = Song("My.Music/a.wav");
    ASSERT_TRUE(songtest::Run("lame --quiet " + wav + " " + temp_.File("My.Music/a.mp3")));
    fs::rename(temp_.File("My.Music/a.mp3"), temp_.File("My.Music/a b.mp3"));
    const std::string other = Song("other.wav");
    const std::string list = Playlist("list.m3u", {other});

    const fs::path before = fs::current_path();
    fs::current_path(temp_.Path());
    list_->LoadSession({"My.Music/a b.mp3", "missing.mp3", "README", "list.m3u"});
    fs::current_path(before);
    ASSERT_EQ(Paths(), "other.wav a b.mp3") << "playlists at once, songs together at the end";
    EXPECT_EQ(tracks_.GetAt(1)->GetPath(), temp_.File("My.Music/a b.mp3"));
    EXPECT_TRUE(tracks_.IsDirty());
}

TEST_F(SessionAddTest, ASessionFileOnTheCommandLineReplacesTheRest) {
    const std::string song = Song("a.wav");
    const std::string session = temp_.File("saved.tps");
    AddTrack("first");
    AddTrack("second");
    ASSERT_TRUE(tracks_.SaveSession(session.c_str()));
    tracks_.Clear(false);
    list_->RebuildRows();

    const std::string damaged = temp_.File("damaged.tps");
    testsupport::WriteWholeFile(damaged, "RIFF and nothing more");
    ui_.ExpectMessage("Ses_FailedToLoad", IDOK);
    list_->LoadSession({damaged, song});
    EXPECT_EQ(Paths(), "a.wav") << "a session that fails leaves the other names to load";

    tracks_.Clear(false);
    list_->RebuildRows();
    list_->LoadSession({session, song});
    EXPECT_EQ(Names(), "first second") << "the names after a session are not loaded";
    ExpectRowsMatchTracks();
    EXPECT_EQ(tracks_.GetSessionName(), session);
    EXPECT_FALSE(tracks_.IsDirty());
}

}  // namespace
}  // namespace sessiontest
