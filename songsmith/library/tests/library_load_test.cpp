// Loading the Library page's node tree from a song store in a temporary
// folder: where each song lands, the repairs of a damaged store, the
// "LibLoadFailed" guard across a load that dies, and the songs that a rip
// brings.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "songsmith/library/library_feed.h"
#include "songsmith/library/library_load.h"
#include "songsmith/library/library_nodes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/library/tests/library_song_record.h"
#include "songvault/songvault.h"
#include "testsupport/temp_dir.h"

namespace {

class CRecordingHost : public ILibraryLoadHost {
public:
    explicit CRecordingHost(CPreferences& prefs) : prefs_(prefs) {}
    int AskStartOver() override {
        ++asked;
        return startOver;
    }
    void SavePreferences() override {
        saved.push_back(prefs_.LibLoadFailed);
        if (!saveForReal) return;
        prefs_.Save(HKEY_CURRENT_USER);
        RegFlushKey(HKEY_CURRENT_USER);
    }
    void StartProgress(int total) override { progressTotal = total; }
    void StepProgress() override {
        ++steps;
        if (killAtStep != 0 && steps == killAtStep) raise(SIGKILL);
    }
    void EndProgress() override {}
    void ShowSongCount(std::size_t) override {}
    void WarnCorruption() override { ++warnings; }

    int startOver = 0;
    int asked = 0;
    int warnings = 0;
    int steps = 0;
    int progressTotal = 0;
    int killAtStep = 0;
    bool saveForReal = false;
    std::vector<int> saved;

private:
    CPreferences& prefs_;
};

using libtest::Song;

class LibraryLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::strncpy(prefs_.LibraryPath, folder_.Path().c_str(), sizeof prefs_.LibraryPath - 1);
        Open();
    }
    void Open() { ASSERT_TRUE(store_.Initialize(&description_, folder_.Path().c_str())); }
    std::int32_t Add(TSVT_Song song) { return store_.AddSong(&song, false); }
    std::int32_t AddArtist(const char* name) {
        TSVT_Artist artist{};
        artist.id = -1;
        std::strncpy(artist.name, name, sizeof artist.name - 1);
        EXPECT_TRUE(store_.UpdateArtist(&artist));
        return artist.id;
    }
    bool Load() { return LoadLibraryNodes(nodes_, store_, prefs_, host_); }
    std::string Path(const char* name) const { return folder_.File(name); }
    static std::vector<std::string> Names(const CLibNode* folder) {
        std::vector<std::string> names;
        for (const CLibNode* child : folder->children) names.push_back(child->name);
        return names;
    }

    testsupport::TempDir folder_;
    SGSMarovelle description_;
    SVTENG_CSongvault store_;
    CPreferences prefs_;
    CRecordingHost host_{prefs_};
    CLibraryNodes nodes_;
};

TEST_F(LibraryLoadTest, EmptyStoreGivesTheFiveSpecialFoldersAndGuardsTheLoad) {
    EXPECT_FALSE(Load());
    ASSERT_EQ(nodes_.All().size(), 5u);
    EXPECT_EQ(nodes_.Trash()->name, "<Trash>");
    EXPECT_EQ(Names(nodes_.ArtistRoot()), std::vector<std::string>{"<Untagged>"});
    EXPECT_EQ(Names(nodes_.GenreRoot()), std::vector<std::string>{"<No Genre>"});
    EXPECT_EQ(nodes_.Untagged()->indent, 1);
    EXPECT_EQ(nodes_.NoGenre()->indent, 1);
    EXPECT_EQ(nodes_.SongCount(), 0u);
    // Raised and saved before the load, cleared and saved after it.
    EXPECT_EQ(host_.saved, (std::vector<int>{1, 0}));
    EXPECT_EQ(host_.warnings, 0);
    EXPECT_EQ(host_.asked, 0);
}

TEST_F(LibraryLoadTest, SongsLandInTheirFolders) {
    Add(Song("Loose", "", "", 17, Path("loose.mp3")));
    Add(Song("Quiet", "Ann", "", 255, Path("quiet.mp3")));
    Add(Song("One", "Ann", "Hits", 17, Path("one.mp3")));
    Add(Song("Two", "Bob", "Hits", 17, Path("two.mp3")));
    Add(Song("Gone", "", "", 17, Path("gone.mp3"), SVT_TRASHED));
    Add(Song("Dropped", "Cy", "Old", 0, Path("dropped.mp3"), SVT_TRASHED));
    const int folders = store_.GetArtistCount() + store_.GetAlbumCount() + store_.GetGenreCount();
    EXPECT_FALSE(Load());

    const CLibNode* loose = nodes_.FindSongByPath(Path("loose.mp3"));
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->parent, nodes_.Untagged());
    EXPECT_EQ(loose->indent, 2);
    EXPECT_EQ(loose->genre->name, "Rock");

    const CLibNode* quiet = nodes_.FindSongByPath(Path("quiet.mp3"));
    EXPECT_EQ(quiet->parent->name, "Ann");
    EXPECT_EQ(quiet->indent, 2);
    EXPECT_EQ(quiet->genre, nodes_.NoGenre());

    // One album name under two artists: two album nodes.
    const CLibNode* one = nodes_.FindSongByPath(Path("one.mp3"));
    const CLibNode* two = nodes_.FindSongByPath(Path("two.mp3"));
    EXPECT_EQ(one->parent->name, "Hits");
    EXPECT_EQ(one->indent, 3);
    EXPECT_NE(one->parent, two->parent);
    EXPECT_EQ(nodes_.Albums().size(), 2u);
    EXPECT_EQ(nodes_.FindOrAddAlbum(&store_, "Hits", two->parent->parent, false), two->parent);

    // Artist and album both empty comes first: a trashed untagged song
    // stays under "<Untagged>" with its mark; a tagged one goes to the trash.
    const CLibNode* gone = nodes_.FindSongByPath(Path("gone.mp3"));
    EXPECT_EQ(gone->parent, nodes_.Untagged());
    EXPECT_TRUE(gone->inTrash);
    const CLibNode* dropped = nodes_.FindSongByPath(Path("dropped.mp3"));
    EXPECT_EQ(dropped->parent, nodes_.Trash());
    EXPECT_EQ(dropped->indent, 0);
    EXPECT_TRUE(dropped->inTrash);
    EXPECT_TRUE(nodes_.TrashHasSongs());
    // The trash made no artist "Cy".
    EXPECT_EQ(nodes_.FindOrAddArtist(&store_, "Cy", false), nullptr);
    EXPECT_EQ(nodes_.SongCount(), 6u);
    EXPECT_EQ(host_.progressTotal, folders + 6 + 6);
}

TEST_F(LibraryLoadTest, LoadRepairsWhatItFindsAndWarnsOnce) {
    Add(Song("One", "Ann", "Hits", 17, Path("one.mp3")));
    const std::int32_t empty = AddArtist("Nobody");
    const std::int32_t blank = AddArtist("   ");
    EXPECT_TRUE(Load());
    EXPECT_EQ(host_.warnings, 1);
    // The artist without songs is weeded from the tree and the store.
    EXPECT_EQ(nodes_.FindOrAddArtist(&store_, "Nobody", false), nullptr);
    TSVT_Artist record{};
    EXPECT_FALSE(store_.GetArtist(empty, &record));
    EXPECT_FALSE(store_.GetArtist(blank, &record));
    EXPECT_EQ(Names(nodes_.ArtistRoot()), (std::vector<std::string>{"<Untagged>", "Ann"}));

    // Repaired: the next load finds nothing.
    CRecordingHost again(prefs_);
    EXPECT_FALSE(LoadLibraryNodes(nodes_, store_, prefs_, again));
    EXPECT_EQ(again.warnings, 0);
}

TEST_F(LibraryLoadTest, ForeignStoreFileIsSetAsideAndWarnedOnce) {
    store_.Shutdown(nullptr);
    const std::string file = folder_.File(description_.FileName());
    std::string noise(4096, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 131 + 7) % 251);
    testsupport::WriteWholeFile(file, noise);
    Open();
    EXPECT_TRUE(Load());
    EXPECT_EQ(host_.warnings, 1);
    EXPECT_EQ(nodes_.SongCount(), 0u);
    // The foreign bytes are kept beside the new store.
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
        if (entry.path().filename() != description_.FileName() &&
            testsupport::ReadWholeFile(entry.path().string()) == noise)
            ++kept;
    EXPECT_EQ(kept, 1);
}

TEST_F(LibraryLoadTest, UnfinishedLoadOffersToStartOver) {
    Add(Song("One", "Ann", "Hits", 17, Path("one.mp3")));
    struct {
        int answer;
        std::size_t songsAfter;
        bool corrupt;
    } cases[] = {{0, 1, false}, {1, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        prefs_.LibLoadFailed = 1;
        // What a crash can leave beside the store.
        testsupport::WriteWholeFile(folder_.File(std::string(description_.FileName()) + "-journal"), "left over");
        CRecordingHost host(prefs_);
        host.startOver = c.answer;
        EXPECT_EQ(LoadLibraryNodes(nodes_, store_, prefs_, host), c.corrupt);
        EXPECT_EQ(host.asked, 1);
        EXPECT_EQ(nodes_.SongCount(), c.songsAfter);
        EXPECT_EQ(host.warnings, c.corrupt ? 1 : 0);
        EXPECT_EQ(prefs_.LibLoadFailed, 0);
    }
    // The old store went with its companion files: the new one found none.
    EXPECT_FALSE(store_.FoundDamagedStore());
    EXPECT_EQ(store_.GetSongCount(), 0);
}

TEST_F(LibraryLoadTest, LoadKilledHalfwayIsNoticedAtTheNextStart) {
    for (int i = 0; i < 5; ++i)
        Add(Song(("Song " + std::to_string(i)).c_str(), "Ann", "Hits", 17, Path(("s" + std::to_string(i)).c_str())));
    store_.Shutdown(prefs_.LibraryPath);
    prefs_.Save(HKEY_CURRENT_USER);
    ASSERT_EQ(RegistryStoreSave(), 0u);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child loads with the real preferences and dies mid-walk.
        CPreferences prefs;
        prefs.Load(HKEY_CURRENT_USER);
        SVTENG_CSongvault store;
        SGSMarovelle description;
        if (!store.Initialize(&description, prefs.LibraryPath)) _exit(2);
        CLibraryNodes nodes;
        CRecordingHost host(prefs);
        host.saveForReal = true;
        host.killAtStep = 5;
        LoadLibraryNodes(nodes, store, prefs, host);
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    // Read the settings as a new process would.
    RegistryStoreUnload();
    CPreferences next;
    next.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(next.LibLoadFailed, 1);
    SVTENG_CSongvault store;
    ASSERT_TRUE(store.Initialize(&description_, next.LibraryPath));
    CRecordingHost host(next);
    CLibraryNodes nodes;
    LoadLibraryNodes(nodes, store, next, host);
    EXPECT_EQ(host.asked, 1);
    // Answered "load it again": every song is there.
    EXPECT_EQ(nodes.SongCount(), 5u);
    EXPECT_EQ(next.LibLoadFailed, 0);
}

// Names with blanks around them are one artist and one album with the
// trimmed name, however each song spells them; blanks alone name none.
TEST_F(LibraryLoadTest, NamesWithBlanksAroundThemAreOneFolder) {
    Add(Song("One", " Ann", "Hits ", 17, Path("one.mp3")));
    Add(Song("Two", "Ann  ", "\tHits", 17, Path("two.mp3")));
    Add(Song("Three", "Ann", "Hits", 17, Path("three.mp3")));
    EXPECT_FALSE(Load());
    const CLibNode* ann = nodes_.FindOrAddArtist(nullptr, "Ann", false);
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(Names(nodes_.ArtistRoot()), (std::vector<std::string>{"<Untagged>", "Ann"}));
    EXPECT_EQ(Names(ann), std::vector<std::string>{"Hits"});
    EXPECT_EQ(Names(ann->children[0]), (std::vector<std::string>{"One", "Two", "Three"}));

    const int artists = store_.GetArtistCount();
    const int albums = store_.GetAlbumCount();
    EXPECT_EQ(nodes_.FindOrAddArtist(&store_, " Ann\t", true), ann);
    EXPECT_EQ(nodes_.FindOrAddAlbum(&store_, "Hits  ", const_cast<CLibNode*>(ann), true), ann->children[0]);
    EXPECT_EQ(nodes_.FindOrAddArtist(&store_, "  \t", true), nullptr);
    EXPECT_EQ(nodes_.FindOrAddAlbum(&store_, " ", nullptr, true), nullptr);
    EXPECT_EQ(store_.GetArtistCount(), artists);
    EXPECT_EQ(store_.GetAlbumCount(), albums);
}

TEST_F(LibraryLoadTest, SongWithoutTitleIsShownByItsFileName) {
    Add(Song("", "Ann", "Hits", 17, Path("untitled tune.mp3")));
    EXPECT_FALSE(Load());
    const CLibNode* song = nodes_.FindSongByPath(Path("untitled tune.mp3"));
    ASSERT_NE(song, nullptr);
    EXPECT_FALSE(song->name.empty());
    EXPECT_EQ(store_.GetSongCount(), 1);
}

TEST_F(LibraryLoadTest, RippedTrackTwiceIsOneUpdatedSong) {
    EXPECT_FALSE(Load());
    TSVT_Song first = Song("Take", "Ann", "Live", 17, Path("take.mp3"));
    first.year = 1999;
    CLibNode* node = AddRippedSong(nodes_, store_, first);
    ASSERT_NE(node, nullptr);
    TSVT_Song second = Song("Take", "Ann", "Live", 17, Path("take.mp3"));
    second.year = 2001;
    EXPECT_EQ(AddRippedSong(nodes_, store_, second), node);
    EXPECT_EQ(store_.GetSongCount(), 1);
    EXPECT_EQ(nodes_.SongCount(), 1u);
    TSVT_Song stored{};
    ASSERT_TRUE(store_.GetSong(node->databaseId, &stored));
    EXPECT_EQ(stored.year, 2001);
    // The album's first song gave it its year and genre.
    TSVT_Album album{};
    ASSERT_TRUE(store_.GetAlbum(node->parent->databaseId, &album));
    EXPECT_EQ(album.genre, 17);
    EXPECT_EQ(node->genre->name, "Rock");
    ASSERT_EQ(node->genre->children.size(), 1u);

    // Another file of the same title is another song.
    TSVT_Song other = Song("Take", "Ann", "Live", 17, Path("take 2.mp3"));
    CLibNode* otherNode = AddRippedSong(nodes_, store_, other);
    EXPECT_NE(otherNode, node);
    EXPECT_EQ(nodes_.SongCount(), 2u);
    // A ripped song without a title is named after its file.
    TSVT_Song blank = Song(" ", "Ann", "Live", 17, Path("track03.mp3"));
    CLibNode* blankNode = AddRippedSong(nodes_, store_, blank);
    ASSERT_NE(blankNode, nullptr);
    EXPECT_FALSE(blankNode->name.empty());
}

}  // namespace
