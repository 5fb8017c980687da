// The Library page's edits in the real main window, over a song store and
// song files in temporary folders: tag edits reaching the store, the tree,
// the song file and the session's copy, moves and merges of folders, the
// trash, cleaning, and the undo history taking each action back whole.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "songsmith/cd/cd_page_services.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_links.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/library/tests/library_song_record.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/track_list.h"
#include "songsmith/library/ui/edit_song_tag_dlg.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songvault/songvault.h"
#include "songvault/tonecore_probe/tonecore_song_probe.h"
#include "testsupport/command_output.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "tonecore/engine/engine_startup.h"
#include "utilities/undo_manager.h"
#include "songsmith/library/ui/tests/library_store_fixture.h"
#include "platform/message_box.h"

namespace {

using Lines = std::vector<std::string>;

std::string Le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// A tenth of a second of silent CD-quality PCM.
void WriteWav(const std::string& path) {
    const std::string pcm(44100 / 10 * 4, '\0');
    const std::string format = Le(1, 2) + Le(2, 2) + Le(44100, 4) + Le(44100 * 4, 4) + Le(4, 2) + Le(16, 2);
    const std::string body = "WAVE" + std::string("fmt ") + Le(16, 4) + format + "data" + Le(pcm.size(), 4) + pcm;
    testsupport::WriteWholeFile(path, "RIFF" + Le(body.size(), 4) + body);
}

bool HaveTool(const char* name) {
    return !testsupport::CommandOutput(std::string("command -v ") + name + " 2>/dev/null").empty();
}

class LibraryEditsTest : public LibraryPageFixture {
public:
    void SetUp() override {
        LibraryPageFixture::SetUp();
        ASSERT_EQ(SoundEngineStartup(nullptr), 1);
        tracks_ = std::make_unique<CTrackList>(*prefs_);
        SetCdSessionTracks(tracks_.get());
        SetSessionTrackRefresher([this](int serial) { refreshed_.push_back(serial); });
    }
    void TearDown() override {
        LibraryPageFixture::TearDown();
        SetSessionTrackRefresher(nullptr);
        SetCdSessionTracks(nullptr);
        tracks_.reset();
        SoundEngineShutdown();
    }

    // A song in the store; its file is written unless it is already there.
    std::int32_t Add(const char* title, const char* artist, const char* album, int genre, const char* file,
                     std::int16_t format = SVT_FORMAT_MP3) {
        const std::string path = folder_.File(file);
        if (!std::filesystem::exists(path)) testsupport::WriteWholeFile(path, "not really a song");
        TSVT_Song song = libtest::Song(title, artist, album, genre, path);
        song.format = format;
        song.tagType = 2;
        song.year = 1999;
        std::memcpy(song.cdId, "0a00c102", 8);
        return store_.AddSong(&song, false);
    }
    // An MP3 file with an ID3 v2 tag, made by lame.
    std::string MakeMp3(const char* file, const char* title, const char* artist, const char* album) {
        const std::string wav = folder_.File("source.wav");
        WriteWav(wav);
        const std::string path = folder_.File(file);
        testsupport::CommandOutput("lame --quiet --id3v2-only --tt '" + std::string(title) + "' --ta '" + artist +
                                   "' --tl '" + album + "' '" + wav + "' '" + path + "'");
        return path;
    }

    CLibNode* Song(const char* file) { return Page()->Nodes().FindSongByPath(folder_.File(file)); }
    // The rows below the top row named root as paths ("Ann/Hits/One"),
    // sorted: the shape of the tree whatever the order of siblings.
    Lines Paths(const char* root) const {
        Lines paths;
        std::function<void(QTreeWidgetItem*, const std::string&)> walk = [&](QTreeWidgetItem* item,
                                                                            const std::string& above) {
            const std::string path = above.empty() ? item->text(0).toStdString()
                                                   : above + "/" + item->text(0).toStdString();
            paths.push_back(path);
            OpenOnce(item);
            for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), path);
        };
        for (int i = 0; i < Tree()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* top = Tree()->topLevelItem(i);
            if (top->text(0).toStdString() != root) continue;
            OpenOnce(top);
            for (int j = 0; j < top->childCount(); ++j) walk(top->child(j), "");
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    Lines AllPaths() const {
        Lines paths = Paths("Browse by Artist");
        for (const std::string& path : Paths("Browse by Genre")) paths.push_back("genre " + path);
        for (const std::string& path : Paths("<Trash>")) paths.push_back("trash " + path);
        return paths;
    }
    // The store's artists and albums by name, in id order.
    std::vector<std::string> StoredFolders() {
        std::vector<std::string> names;
        MvList<TSVT_Artist*> artists;
        MvList<TSVT_Album*> albums;
        store_.FindArtists(artists);
        store_.FindAlbums(albums);
        for (int i = 0; i < artists.count; ++i) names.push_back(std::string("artist ") + artists.items[i]->name);
        for (int i = 0; i < albums.count; ++i)
            names.push_back(std::string("album ") + albums.items[i]->artist + "/" + albums.items[i]->name);
        store_.DeallocArtistList(&artists);
        store_.DeallocAlbumList(&albums);
        return names;
    }
    void OpenLibrary() {
        Open(0);
        main_->OnCommand(cmd::kLibraryPage);
        Settle();
    }

    std::unique_ptr<CTrackList> tracks_;
    std::vector<int> refreshed_;
};

TEST_F(LibraryEditsTest, SongTagDialogReachesStoreTreeFileAndSessionAndUndoes) {
    if (!HaveTool("lame")) GTEST_SKIP() << "lame is not installed";
    const std::string path = MakeMp3("song.mp3", "Old Title", "Ann", "Hits");
    const std::int32_t id = Add("Old Title", "Ann", "Hits", 17, "song.mp3");
    Add("Other", "Ann", "Hits", 17, "other.mp3");
    // The session holds the song too.
    CSongEntry entry;
    ASSERT_NE(entry.LoadFromFile(path.c_str()), 0u);
    TONECORE_CMusicInfo info;
    ASSERT_TRUE(entry.StoreInMusicInfo(info));
    ASSERT_GE(tracks_->InsertMusicInfo(info, 0), 0);
    OpenLibrary();

    CLibNode* song = Song("song.mp3");
    ASSERT_NE(song, nullptr);
    const Lines before = AllPaths();
    Page()->SetClickedRow({song, false});
    testsupport::WhenModalShown([](QWidget* dialog) {
        testsupport::FindControl<QLineEdit>(dialog, CEditSongTagDlg::kTitle)->setText("New Title");
        testsupport::FindControl<QLineEdit>(dialog, CEditSongTagDlg::kArtist)->setText("Bea");
        testsupport::FindControl<QLineEdit>(dialog, CEditSongTagDlg::kAlbum)->setText("Best Of");
        auto* genre = testsupport::FindControl<QComboBox>(dialog, CEditSongTagDlg::kGenre);
        genre->setCurrentIndex(genre->findText("Jazz"));
        testsupport::ClickControl(dialog, 1);
    });
    Page()->OnCommand(cmd::kLibEditTag);
    Settle();

    // The store.
    const TSVT_Song stored = Stored(id);
    EXPECT_STREQ(stored.title, "New Title");
    EXPECT_STREQ(stored.artist, "Bea");
    EXPECT_STREQ(stored.album, "Best Of");
    EXPECT_EQ(stored.genre, 8);
    // The tree: the song under its new artist and album and genre; the old
    // album keeps its other song.
    const Lines after = AllPaths();
    EXPECT_EQ(Rows(), (Lines{"0 <Trash>", "0 Browse by Artist", "1 <Untagged>", "1 Ann", "2 Hits", "3 Other", "1 Bea",
                           "2 Best Of", "3 New Title", "0 Browse by Genre", "1 <No Genre>", "1 Rock",
                           "2 Other (Ann)", "1 Jazz", "2 New Title (Bea)"}));
    // The file, read back by the engine and by an outside reader.
    CSongEntry reread;
    ASSERT_NE(reread.LoadFromFile(path.c_str()), 0u);
    EXPECT_STREQ(reread.musicInfo.title, "New Title");
    EXPECT_STREQ(reread.musicInfo.artist, "Bea");
    EXPECT_STREQ(reread.musicInfo.album, "Best Of");
    if (HaveTool("mid3v2")) {
        const std::string frames = testsupport::CommandOutput("mid3v2 -l '" + path + "'");
        EXPECT_NE(frames.find("TIT2=New Title"), std::string::npos) << frames;
        EXPECT_NE(frames.find("TPE1=Bea"), std::string::npos) << frames;
        EXPECT_NE(frames.find("TALB=Best Of"), std::string::npos) << frames;
    }
    // The session's copy, and its row redrawn.
    CCDTrack* track = tracks_->GetAt(0);
    ASSERT_NE(track, nullptr);
    EXPECT_STREQ(track->GetMusicInfo().title, "New Title");
    EXPECT_STREQ(track->GetMusicInfo().artist, "Bea");
    EXPECT_STREQ(track->GetMusicInfo().genre, "Jazz");
    EXPECT_EQ(refreshed_, std::vector<int>{track->GetSerial()});

    // One undo step takes it all back, one redo brings it again.
    undo_.Undo();
    Settle();
    EXPECT_EQ(AllPaths(), before);
    EXPECT_STREQ(Stored(id).title, "Old Title");
    EXPECT_STREQ(Stored(id).artist, "Ann");
    EXPECT_EQ(Stored(id).genre, 17);
    ASSERT_NE(reread.LoadFromFile(path.c_str()), 0u);
    EXPECT_STREQ(reread.musicInfo.artist, "Ann");
    EXPECT_STREQ(track->GetMusicInfo().title, "Old Title");
    EXPECT_EQ(undo_.CanUndo(), 0);
    undo_.Redo();
    Settle();
    EXPECT_EQ(AllPaths(), after);
    EXPECT_STREQ(Stored(id).album, "Best Of");
}

TEST_F(LibraryEditsTest, AWavSongsTagIsItsInfoListRewrittenAroundTheSameAudio) {
    const std::string path = folder_.File("tone.wav");
    WriteWav(path);
    const std::string original = testsupport::ReadWholeFile(path);
    const std::int32_t id = Add("Tone", "Ann", "Hits", 17, "tone.wav", SVT_FORMAT_WAV);
    OpenLibrary();
    // Twice: the second list replaces the first rather than joining it.
    for (const char* title : {"First", "Second Title"}) {
        undo_.NextUndoSet();
        Page()->ChangeSongTag(Song("tone.wav"), "Bea", "Live", title, nullptr, -1, 8, true, true);
    }
    EXPECT_STREQ(Stored(id).title, "Second Title");
    CSongEntry reread;
    ASSERT_NE(reread.LoadFromFile(path.c_str()), 0u);
    EXPECT_STREQ(reread.musicInfo.title, "Second Title");
    EXPECT_STREQ(reread.musicInfo.artist, "Bea");
    EXPECT_STREQ(reread.musicInfo.album, "Live");
    const std::string now = testsupport::ReadWholeFile(path);
    // The form's chunks before the list are the old file's, byte for byte.
    ASSERT_GT(now.size(), original.size());
    EXPECT_EQ(now.substr(8, original.size() - 8), original.substr(8));
    EXPECT_EQ(now.find("INFO"), now.rfind("INFO"));
    // An outside reader (which knows no "IALB" album sub-chunk).
    if (HaveTool("ffprobe")) {
        const std::string tags = testsupport::CommandOutput(
            "ffprobe -v quiet -show_entries format_tags=title,artist,album -of default=noprint_wrappers=1 '" + path +
            "'");
        EXPECT_NE(tags.find("TAG:title=Second Title"), std::string::npos) << tags;
        EXPECT_NE(tags.find("TAG:artist=Bea"), std::string::npos) << tags;
    }
}

TEST_F(LibraryEditsTest, AWmaSongsTagIsWrittenThroughItsConverter) {
    // Made by ffmpeg (which writes the artist twice: in the content
    // description and as a descriptor "Author"), read back by mutagen,
    // ffprobe and the library's own import reading.
    if (!HaveTool("ffmpeg") || !HaveTool("ffprobe") || !HaveTool("mutagen-inspect")) {
        GTEST_SKIP() << "ffmpeg or mutagen is not installed";
    }
    const std::string path = folder_.File("tone.wma");
    testsupport::CommandOutput("ffmpeg -v quiet -f lavfi -i sine=duration=0.5 -c:a wmav2 -metadata title=Old "
                               "-metadata artist=Ann '" + path + "'");
    ASSERT_TRUE(std::filesystem::exists(path));
    const std::int32_t id = Add("Old", "Ann", "Hits", 17, "tone.wma", SVT_FORMAT_WMA);
    OpenLibrary();
    undo_.NextUndoSet();
    Page()->ChangeSongTag(Song("tone.wma"), "Bea", "Live", "New", nullptr, -1, -1, true, true);
    EXPECT_STREQ(Stored(id).title, "New");
    const std::string tags = testsupport::CommandOutput("mutagen-inspect '" + path + "'");
    EXPECT_NE(tags.find("Title=New"), std::string::npos) << tags;
    EXPECT_NE(tags.find("Author=Bea"), std::string::npos) << tags;
    EXPECT_EQ(tags.find("Author=Ann"), std::string::npos) << tags;
    EXPECT_NE(tags.find("WM/AlbumTitle=Live"), std::string::npos) << tags;
    const std::string probed = testsupport::CommandOutput(
        "ffprobe -v quiet -show_entries format_tags=title,artist -of default=noprint_wrappers=1 '" + path + "'");
    EXPECT_NE(probed.find("TAG:artist=Bea"), std::string::npos) << probed;
    CTonecoreSongProbe probe;
    TSongProbeResult imported;
    ASSERT_TRUE(probe.Probe(path.c_str(), imported));
    EXPECT_EQ(imported.artist, "Bea");
    EXPECT_EQ(imported.title, "New");
}

// Each folder edit on the same small library: what the tree shows after
// it, and undo and redo returning the rows and the store's songs to before
// and after.
TEST_F(LibraryEditsTest, FolderEditsAndTheirUndo) {
    struct TCase {
        const char* name;
        std::function<void(LibraryEditsTest&)> edit;
        Lines artists;  // the artist branch's paths after the edit
        Lines genres;   // the genre branch's, when the edit changes it
    };
    const Lines base = {"<Untagged>", "Ann", "Ann/Hits", "Ann/Hits/One", "Ann/Hits/Two", "Bob", "Bob/Hits",
                       "Bob/Hits/Three"};
    const Lines bobHasAll = {"<Untagged>", "Bob", "Bob/Hits", "Bob/Hits/One", "Bob/Hits/Three", "Bob/Hits/Two"};
    const std::vector<TCase> cases = {
        {"artist rename",
         [](LibraryEditsTest& t) { t.Page()->ChangeArtistTag(t.Artist("Ann"), "Anna", true); },
         {"<Untagged>", "Anna", "Anna/Hits", "Anna/Hits/One", "Anna/Hits/Two", "Bob", "Bob/Hits", "Bob/Hits/Three"},
         {}},
        {"artist merge", [](LibraryEditsTest& t) { t.Page()->ChangeArtistTag(t.Artist("Ann"), "Bob", true); },
         bobHasAll, {}},
        {"album rename",
         [](LibraryEditsTest& t) { t.Page()->ChangeAlbumTag(t.Album("Hits", "Ann"), nullptr, "Gold", -1, -1, true); },
         {"<Untagged>", "Ann", "Ann/Gold", "Ann/Gold/One", "Ann/Gold/Two", "Bob", "Bob/Hits", "Bob/Hits/Three"},
         {}},
        {"album merge",
         [](LibraryEditsTest& t) { t.Page()->ChangeAlbumTag(t.Album("Hits", "Ann"), "Bob", nullptr, -1, -1, true); },
         bobHasAll, {}},
        {"album move",
         [](LibraryEditsTest& t) { t.Page()->ChangeAlbumTag(t.Album("Hits", "Ann"), "Cy", nullptr, -1, -1, true); },
         {"<Untagged>", "Bob", "Bob/Hits", "Bob/Hits/Three", "Cy", "Cy/Hits", "Cy/Hits/One", "Cy/Hits/Two"},
         {}},
        {"genre renumber", [](LibraryEditsTest& t) { t.Page()->ChangeGenreTag(t.Genre(17), 8, true); }, base,
         {"<No Genre>", "Blues", "Blues/Three (Bob)", "Jazz", "Jazz/One (Ann)", "Jazz/Two (Ann)"}},
        {"genre merge", [](LibraryEditsTest& t) { t.Page()->ChangeGenreTag(t.Genre(17), 0, true); }, base,
         {"<No Genre>", "Blues", "Blues/One (Ann)", "Blues/Three (Bob)", "Blues/Two (Ann)"}},
        {"delete tag", [](LibraryEditsTest& t) { t.Page()->DeleteTag(t.Song("three.mp3"), true); },
         {"<Untagged>", "<Untagged>/Three", "Ann", "Ann/Hits", "Ann/Hits/One", "Ann/Hits/Two"},
         {"<No Genre>", "<No Genre>/Three", "Rock", "Rock/One (Ann)", "Rock/Two (Ann)"}},
    };
    const std::int32_t one = Add("One", "Ann", "Hits", 17, "one.mp3");
    Add("Two", "Ann", "Hits", 17, "two.mp3");
    const std::int32_t three = Add("Three", "Bob", "Hits", 0, "three.mp3");
    OpenLibrary();
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.name);
        const Lines before = AllPaths();
        EXPECT_EQ(Paths("Browse by Artist"), base);
        const TSVT_Song oneBefore = Stored(one);
        const TSVT_Song threeBefore = Stored(three);
        undo_.NextUndoSet();
        test.edit(*this);
        Settle();
        EXPECT_EQ(Paths("Browse by Artist"), test.artists);
        if (!test.genres.empty()) {
            EXPECT_EQ(Paths("Browse by Genre"), test.genres);
        }
        const Lines after = AllPaths();
        const TSVT_Song oneAfter = Stored(one);
        const TSVT_Song threeAfter = Stored(three);
        undo_.Undo();
        Settle();
        EXPECT_EQ(AllPaths(), before);
        for (const auto& [was, id] : {std::pair{oneBefore, one}, std::pair{threeBefore, three}}) {
            const TSVT_Song now = Stored(id);
            EXPECT_STREQ(now.artist, was.artist);
            EXPECT_STREQ(now.album, was.album);
            EXPECT_EQ(now.genre, was.genre);
            EXPECT_EQ(now.year, was.year);
        }
        undo_.Redo();
        Settle();
        EXPECT_EQ(AllPaths(), after);
        for (const auto& [was, id] : {std::pair{oneAfter, one}, std::pair{threeAfter, three}}) {
            const TSVT_Song now = Stored(id);
            EXPECT_STREQ(now.artist, was.artist);
            EXPECT_STREQ(now.album, was.album);
            EXPECT_EQ(now.genre, was.genre);
        }
        undo_.Undo();
        Settle();
    }
    // A merge, pictured.
    undo_.NextUndoSet();
    Page()->ChangeArtistTag(Artist("Ann"), "Bob", true);
    Tree()->expandAll();
    Settle();
    testsupport::SaveWidgetPng(main_->Window(), "library_after_merge");
}

TEST_F(LibraryEditsTest, MovesDeleteEmptiedFoldersAndMergesRemoveTheArtist) {
    Add("Solo", "Ann", "Single", 17, "solo.mp3");
    Add("Up", "Bob", "Lone", 17, "up.mp3");
    Add("Stay", "Cy", "Full", 17, "stay.mp3");
    OpenLibrary();
    // The only song of an album moved into another album: the emptied album
    // and artist leave the tree and the store.
    undo_.NextUndoSet();
    Page()->ChangeSongParents(Song("solo.mp3"), "Cy", "Full", false, true, true);
    EXPECT_EQ(Artist("Ann"), nullptr);
    // Moved up to its artist: the album only leaves the tree.
    undo_.NextUndoSet();
    Page()->ChangeSongParents(Song("up.mp3"), "Bob", "", false, false, true);
    EXPECT_EQ(Album("Lone", "Bob"), nullptr);
    EXPECT_EQ(Song("up.mp3")->parent, Artist("Bob"));
    EXPECT_EQ(StoredFolders(), (std::vector<std::string>{"artist Bob", "artist Cy", "album Bob/Lone", "album Cy/Full"}));
    // An artist renamed to another's name is merged away.
    undo_.NextUndoSet();
    Page()->ChangeArtistTag(Artist("Cy"), "Bob", true);
    EXPECT_EQ(Artist("Cy"), nullptr);
    EXPECT_EQ(StoredFolders(), (std::vector<std::string>{"artist Bob", "album Bob/Lone", "album Bob/Full"}));
    EXPECT_EQ(Song("solo.mp3")->parent, Album("Full", "Bob"));
    EXPECT_STREQ(Stored(Song("solo.mp3")->databaseId).artist, "Bob");
}

TEST_F(LibraryEditsTest, TrashThrowRestoreAndUndo) {
    const std::int32_t a = Add("A", "Ann", "Hits", 17, "a.mp3");
    const std::int32_t b = Add("B", "Ann", "Hits", 17, "b.mp3");
    Add("C", "Bob", "Other", 17, "c.mp3");
    OpenLibrary();
    // Throwing an artist away throws each song (an undo atom each) and
    // deletes the artist and its album.
    Page()->SetClickedRow({Artist("Ann"), false});
    Page()->OnCommand(cmd::kLibDelete);
    Settle();
    EXPECT_EQ(Artist("Ann"), nullptr);
    EXPECT_LT(Stored(a).trash, 0);
    EXPECT_LT(Stored(b).trash, 0);
    EXPECT_EQ(StoredFolders(), (std::vector<std::string>{"artist Bob", "album Bob/Other"}));
    EXPECT_EQ(Page()->Nodes().Trash()->children.size(), 2u);
    // The next row became the clicked one.
    EXPECT_EQ(Page()->ClickedRow().node, Artist("Bob"));
    // Undo puts them back by their records, the folders made again.
    undo_.Undo();
    Settle();
    ASSERT_NE(Album("Hits", "Ann"), nullptr);
    EXPECT_EQ(Album("Hits", "Ann")->children.size(), 2u);
    EXPECT_EQ(Stored(a).trash, 0);
    EXPECT_TRUE(Page()->Nodes().Trash()->children.empty());
    undo_.Redo();
    Settle();
    EXPECT_EQ(Artist("Ann"), nullptr);
    // Restore one from the trash: back under its artist and album.
    CLibNode* trashed = Song("a.mp3");
    ASSERT_TRUE(trashed->inTrash);
    Page()->SetClickedRow({trashed, false});
    Page()->OnCommand(cmd::kLibDelete);
    EXPECT_FALSE(trashed->inTrash);
    EXPECT_EQ(trashed->parent, Album("Hits", "Ann"));
    EXPECT_EQ(Stored(a).trash, 0);
    // Undo of a tag change whose song went for good does nothing.
    undo_.NextUndoSet();
    Page()->ChangeSongTag(Song("c.mp3"), nullptr, nullptr, "C2", nullptr, -1, -1, true, false);
    Page()->DeleteSongByPath(folder_.File("c.mp3").c_str(), true);
    EXPECT_EQ(Song("c.mp3"), nullptr);
    undo_.Undo();
    EXPECT_EQ(Song("c.mp3"), nullptr);
}

TEST_F(LibraryEditsTest, EmptyTrashByChoice) {
    testsupport::TempDir data;
    testsupport::CScopedEnv xdg("XDG_DATA_HOME", data.Path());
    Add("Gone", "Ann", "Hits", 17, "gone.mp3");
    Add("Kept", "Ann", "Hits", 17, "kept.mp3");
    Add("Trashed", "Ann", "Hits", 17, "trashed.mp3");
    Add("Late", "Bob", "Hits", 17, "late.mp3");
    OpenLibrary();
    int preferencesAt = -1;
    main_->SetCommandHandler(cmd::kPreferences, [&] { preferencesAt = prefs_->CurrentPrefPage; });
    auto throwAway = [&](const char* file) {
        undo_.NextUndoSet();
        ASSERT_TRUE(Page()->ThrowAway(Song(file), false));
    };
    // The dialog opens with the last choice made (1 at first).
    std::vector<int> shown;
    int answer = 1;
    int choice = 0;
    Page()->askEmptyTrash = [&](int& last) {
        shown.push_back(last);
        last = choice;
        return answer;
    };

    // Choice 2: the songs leave the library, the files stay; the undo
    // history is cleared.
    throwAway("kept.mp3");
    choice = 2;
    Page()->OnCommand(cmd::kLibEmptyTrash);
    EXPECT_EQ(Song("kept.mp3"), nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder_.File("kept.mp3")));
    EXPECT_EQ(preferencesAt, -1);
    EXPECT_EQ(undo_.CanUndo(), 0);

    // Choice 0: the file goes to the desktop's trash; a song whose file is
    // gone already leaves too.
    throwAway("trashed.mp3");
    throwAway("gone.mp3");
    std::remove(folder_.File("gone.mp3").c_str());
    choice = 0;
    Page()->OnCommand(cmd::kLibEmptyTrash);
    EXPECT_TRUE(Page()->Nodes().Trash()->children.empty());
    EXPECT_FALSE(std::filesystem::exists(folder_.File("trashed.mp3")));
    EXPECT_TRUE(std::filesystem::exists(data.Path() + "/Trash/files/trashed.mp3"));
    EXPECT_EQ(store_.GetSongCount(), 1);

    // Cancel does nothing; choice 1 keeps the file and opens the
    // Preferences at the Importing page.
    throwAway("late.mp3");
    answer = 2;
    Page()->OnCommand(cmd::kLibEmptyTrash);
    EXPECT_NE(Song("late.mp3"), nullptr);
    answer = 1;
    choice = 1;
    Page()->OnCommand(cmd::kLibEmptyTrash);
    EXPECT_EQ(Song("late.mp3"), nullptr);
    EXPECT_EQ(preferencesAt, 4);
    EXPECT_TRUE(std::filesystem::exists(folder_.File("late.mp3")));
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 0, 0}));
}

TEST_F(LibraryEditsTest, AFileTheDesktopTrashRefusesStaysWithOneWarning) {
    testsupport::TempDir data;
    testsupport::CScopedEnv xdg("XDG_DATA_HOME", data.Path());
    // A file of the kernel's: no trash can take it.
    TSVT_Song stuck = libtest::Song("Stuck", "Ann", "Hits", 17, "/proc/version");
    stuck.format = SVT_FORMAT_MP3;
    ASSERT_GT(store_.AddSong(&stuck, false), 0);
    Add("Two", "Ann", "Hits", 17, "two.mp3");
    OpenLibrary();
    undo_.NextUndoSet();
    ASSERT_TRUE(Page()->ThrowAway(Artist("Ann"), true));
    ASSERT_EQ(Page()->Nodes().Trash()->children.size(), 2u);
    Page()->askEmptyTrash = [](int& choice) {
        choice = 0;
        return 1;
    };
    ui_.ExpectMessage("LibTab_CantDelete", IDOK);
    Page()->OnCommand(cmd::kLibEmptyTrash);
    ASSERT_EQ(Page()->Nodes().Trash()->children.size(), 1u);
    EXPECT_EQ(Page()->Nodes().Trash()->children[0]->text, "/proc/version");
    EXPECT_FALSE(std::filesystem::exists(folder_.File("two.mp3")));
    EXPECT_EQ(store_.GetSongCount(), 1);
}

TEST_F(LibraryEditsTest, CleanRemovesOnlySongsWhoseFilesAreGone) {
    const std::string away = folder_.File("away");
    std::filesystem::create_directory(away);
    Add("Here", "Ann", "Hits", 17, "here.mp3");
    Add("Deleted", "Ann", "Hits", 17, "deleted.mp3");
    Add("Unplugged", "Bob", "Far", 17, "away/unplugged.mp3");
    OpenLibrary();
    std::remove(folder_.File("deleted.mp3").c_str());
    std::filesystem::remove_all(away);
    ui_.ExpectMessage("LibTab_CleanQuestion", IDYES);
    ui_.ExpectMessage(FormatKeyedText("LibTab_CleanResult", {1, 1}), IDOK);
    Page()->OnCommand(cmd::kLibClean);
    EXPECT_EQ(Song("deleted.mp3"), nullptr);
    EXPECT_NE(Song("here.mp3"), nullptr);
    EXPECT_NE(Song("away/unplugged.mp3"), nullptr);
    EXPECT_EQ(store_.GetSongCount(), 2);
    EXPECT_EQ(Page()->ClickedRow().node, nullptr);
}

TEST_F(LibraryEditsTest, ATagThatCannotBeWrittenWarnsAndTheStoreKeepsTheEdit) {
    const std::int32_t id = Add("One", "Ann", "Hits", 17, "one.mp3");
    OpenLibrary();
    std::remove(folder_.File("one.mp3").c_str());
    ui_.ExpectMessage(FormatKeyedText("LibTab_TagNotWritten", {(folder_.File("one.mp3") + "\n").c_str()}), IDOK);
    undo_.NextUndoSet();
    Page()->ChangeSongTag(Song("one.mp3"), nullptr, nullptr, "Renamed", nullptr, -1, -1, true, false);
    EXPECT_STREQ(Stored(id).title, "Renamed");
    EXPECT_EQ(Song("one.mp3")->name, "Renamed");
    testsupport::WriteWholeFile(folder_.File("one.mp3"), "not really a song");
    // A path too long for the record is refused whole; a 300-byte name is
    // cut to the record's field.
    const std::string longPath = "/" + std::string(300, 'p');
    Page()->ChangeSongTag(Song("one.mp3"), nullptr, nullptr, nullptr, longPath.c_str(), -1, -1, true, false);
    EXPECT_EQ(std::string(Stored(id).path), folder_.File("one.mp3"));
    EXPECT_NE(Song("one.mp3"), nullptr);
    Page()->ChangeArtistTag(Artist("Ann"), std::string(300, 'n').c_str(), true);
    EXPECT_EQ(std::string(Stored(id).artist), std::string(63, 'n'));
    EXPECT_NE(Artist(std::string(63, 'n').c_str()), nullptr);
    // The album record of the song's only album gone: only the album's year
    // and genre are skipped; the song, its row and its genre still change.
    store_.DeleteAlbum(Album("Hits", std::string(63, 'n').c_str())->databaseId);
    Page()->ChangeSongTag(Song("one.mp3"), nullptr, nullptr, "Again", nullptr, -1, 8, true, false);
    EXPECT_STREQ(Stored(id).title, "Again");
    EXPECT_EQ(Song("one.mp3")->name, "Again");
    EXPECT_EQ(Song("one.mp3")->genre, Genre(8));
    EXPECT_EQ(RowsReading("Again (" + std::string(63, 'n') + ")").size(), 1u);
    // A record gone from the store: logged, nothing changed.
    CLibNode* song = Song("one.mp3");
    store_.DeleteSong(id, false);
    store_.DeleteSong(id, false);
    const CLibNode* parent = song->parent;
    Page()->ChangeSongTag(song, "X", nullptr, nullptr, nullptr, -1, -1, true, false);
    EXPECT_EQ(song->parent, parent);
    EXPECT_EQ(Artist("X"), nullptr);
}

}  // namespace
