// Folder walks: what they store and post, where they go and where not.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/tests/import_fixture.h"
#include "songvault/tests/record_fill.h"

namespace {

using svtest::FillFolders;
using svtest::ImportTest;
using Paths = std::vector<std::string>;

class ImportWalk : public ImportTest {};

TEST_F(ImportWalk, StoresAndPostsSongsFolderByFolderInNameOrder) {
    const std::string b = MakeSong("b.mp3", 20000, "Bee");
    const std::string a = MakeFile("A.MP3");
    const std::string wav = MakeFile("c.Wav");
    const std::string wma = MakeFile("d.wma");
    MakeFile("e.txt");
    MakeFile("mp3");
    const std::string deep = MakeFile("sub/f.mp2");
    const std::string mp1 = MakeFile("sub/g.MP1");

    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));

    // A folder's own songs come before its sub-folders'.
    EXPECT_EQ(recorder.Paths(WM_IMPORT_FOUNDSONG), (Paths{a, b, wav, wma, deep, mp1}));
    EXPECT_EQ(StoredPaths(), (Paths{a, b, wav, wma, deep, mp1}));

    TSVT_Song song;
    ASSERT_TRUE(vault.FindSongByPath(&song, b.c_str()));
    EXPECT_STREQ(song.title, "Bee");
    EXPECT_EQ(song.lengthMs, 20000);
    EXPECT_EQ(song.format, SVT_FORMAT_MP3);
    // A song without a title is stored under its file name, never blank.
    ASSERT_TRUE(vault.FindSongByPath(&song, wav.c_str()));
    EXPECT_STREQ(song.title, "c.Wav");
    EXPECT_EQ(song.format, SVT_FORMAT_WAV);
    ASSERT_TRUE(vault.FindSongByPath(&song, wma.c_str()));
    EXPECT_EQ(song.format, SVT_FORMAT_WMA);

    const auto known = recorder.Posts(WM_IMPORT_KNOWNDIR);
    ASSERT_EQ(known.size(), 2u);
    struct stat info {};
    ASSERT_EQ(stat(Root().c_str(), &info), 0);
    EXPECT_EQ(known[0].path, Root());
    EXPECT_EQ(known[0].value, 4);
    EXPECT_EQ(known[0].number, static_cast<std::int32_t>(info.st_mtime));
    EXPECT_EQ(known[1].path, Root() + "sub/");
    EXPECT_EQ(known[1].value, 2);
    // The first folder is always shown.
    ASSERT_FALSE(recorder.Posts(WM_IMPORT_CURRENTDIR).empty());
    EXPECT_EQ(recorder.Posts(WM_IMPORT_CURRENTDIR)[0].path, Root());
}

TEST_F(ImportWalk, FlagsChooseTheKindsAndTheirMinimumLengths) {
    // Lengths around each bucket's bound, for every kind.
    const std::vector<std::int32_t> lengths{0, 14999, 15000, 29999, 30000, 59999, 60000};
    const std::vector<std::pair<std::string, std::uint32_t>> kinds{
        {"mp3", SVT_IMPORT_MP3}, {"wav", SVT_IMPORT_WAV}, {"wma", SVT_IMPORT_WMA}};
    for (const auto& [extension, kind] : kinds)
        for (const std::int32_t length : lengths)
            MakeSong(extension + "/" + std::to_string(length) + "." + extension, length);

    struct Case {
        std::uint32_t flags;
        std::string kindFolder;
        std::int32_t shortestKept;
    };
    const std::vector<Case> cases{
        {SVT_IMPORT_MP3, "mp3", 0},
        {SVT_IMPORT_MP3 | 1u << SVT_IMPORT_MIN_MP3_SHIFT, "mp3", 15000},
        {SVT_IMPORT_MP3 | 2u << SVT_IMPORT_MIN_MP3_SHIFT, "mp3", 30000},
        {SVT_IMPORT_MP3 | 3u << SVT_IMPORT_MIN_MP3_SHIFT, "mp3", 60000},
        {SVT_IMPORT_WAV | 1u << SVT_IMPORT_MIN_WAV_SHIFT, "wav", 15000},
        {SVT_IMPORT_WAV | 3u << SVT_IMPORT_MIN_WAV_SHIFT, "wav", 60000},
        {SVT_IMPORT_WMA | 2u << SVT_IMPORT_MIN_WMA_SHIFT, "wma", 30000},
        // Another kind's minimum does not apply.
        {SVT_IMPORT_WMA | 3u << SVT_IMPORT_MIN_MP3_SHIFT, "wma", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        ASSERT_TRUE(vault.Shutdown(nullptr));
        ASSERT_TRUE(vault.DeleteDatabase(dir.Path().c_str()));
        ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
        ASSERT_TRUE(ImportAll(c.flags));
        Paths expected;
        for (const std::int32_t length : lengths)
            if (length >= c.shortestKept)
                expected.push_back(Root() + c.kindFolder + "/" + std::to_string(length) + "." + c.kindFolder);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(StoredPaths(), expected);
    }
}

TEST_F(ImportWalk, AReimportAddsAndPostsNoSong) {
    MakeFile("a.mp3");
    MakeFile("sub/b.wav");
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    const auto firstKnown = recorder.Posts(WM_IMPORT_KNOWNDIR);
    const int probes = probe.ProbeCount();

    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    EXPECT_EQ(vault.GetSongCount(), 2);
    EXPECT_EQ(recorder.Posts(WM_IMPORT_FOUNDSONG).size(), 2u);
    // Known files are not read again, and their folders report the same.
    EXPECT_EQ(probe.ProbeCount(), probes);
    const auto known = recorder.Posts(WM_IMPORT_KNOWNDIR);
    ASSERT_EQ(known.size(), 2 * firstKnown.size());
    for (std::size_t i = 0; i < firstKnown.size(); ++i) {
        EXPECT_EQ(known[firstKnown.size() + i].path, firstKnown[i].path);
        EXPECT_EQ(known[firstKnown.size() + i].value, firstKnown[i].value);
    }
}

TEST_F(ImportWalk, AFileTheProbeRefusedIsReadAgainOnlyOnceItChangesOrTheMinimumAllowsIt) {
    const std::string bad = MakeFile("bad.mp3");
    probe.SetUnreadable(bad);
    const std::string shortSong = MakeSong("short.mp3", 10000);
    const std::string good = MakeFile("good.mp3");
    const std::uint32_t atLeast15s = SVT_IMPORT_MP3 | 1u << SVT_IMPORT_MIN_MP3_SHIFT;
    ASSERT_TRUE(ImportAll(atLeast15s));
    EXPECT_EQ(StoredPaths(), (Paths{good}));
    const int probes = probe.ProbeCount();

    // The walk a search for new songs makes: nothing is read again.
    ASSERT_TRUE(ImportAll(atLeast15s));
    EXPECT_EQ(probe.ProbeCount(), probes);
    // The short song is taken once the least length allows it.
    ASSERT_TRUE(ImportAll(SVT_IMPORT_MP3));
    EXPECT_EQ(StoredPaths(), (Paths{good, shortSong}));
    EXPECT_EQ(probe.ProbeCount(), probes + 1);
    // A file that changed is read again, once.
    testsupport::WriteWholeFile(bad, "not really sound, longer");
    ASSERT_TRUE(ImportAll(SVT_IMPORT_MP3));
    EXPECT_EQ(probe.ProbeCount(), probes + 2);
    ASSERT_TRUE(ImportAll(SVT_IMPORT_MP3));
    EXPECT_EQ(probe.ProbeCount(), probes + 2);
    // Another store forgets what this one's walks refused.
    ASSERT_TRUE(vault.Shutdown(nullptr));
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    ASSERT_TRUE(ImportAll(SVT_IMPORT_MP3));
    EXPECT_EQ(probe.ProbeCount(), probes + 3);
}

TEST_F(ImportWalk, LinksNeitherLoopNorImportAFolderTwice) {
    const std::string song = MakeFile("real/a.mp3");
    // A link back up the tree, and a second way into the same folder.
    std::filesystem::create_directory_symlink(Root(), Root() + "real/up");
    std::filesystem::create_directory_symlink(Root() + "real", Root() + "again");
    MakeFolder("other");
    std::filesystem::create_directory_symlink(Root() + "real", Root() + "other/third");

    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    // "again" sorts first, so the folder is entered through it, once.
    EXPECT_EQ(recorder.Paths(WM_IMPORT_FOUNDSONG), (Paths{Root() + "again/a.mp3"}));
    EXPECT_EQ(recorder.Paths(WM_IMPORT_KNOWNDIR), (Paths{Root() + "again/"}));
    EXPECT_EQ(vault.GetSongCount(), 1);

    // Favourites share one walk: a folder reached from two of them is
    // entered once.
    MvList<TMvPath> favorites;
    FillFolders(favorites, {Root() + "other/", Root() + "real/"}, 32);
    ASSERT_TRUE(vault.Shutdown(nullptr));
    ASSERT_TRUE(vault.DeleteDatabase(dir.Path().c_str()));
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    ASSERT_TRUE(vault.ImportFavorites(recorder.Target(), SVT_IMPORT_KINDS, &favorites, nullptr));
    EXPECT_EQ(StoredPaths(), (Paths{Root() + "other/third/a.mp3"}));
}

TEST_F(ImportWalk, PathsThatDoNotFitARecordAreSkipped) {
    // Names that make paths of exactly 259 bytes (the longest a record
    // holds) and 260 bytes.
    const std::size_t room = 259 - Root().size() - std::string("d/").size() - std::string(".mp3").size();
    const std::string fits = MakeFile("d/" + std::string(room, 'f') + ".mp3");
    MakeFile("d/" + std::string(room + 1, 'g') + ".mp3");
    // A folder whose own path leaves no room for a file name.
    MakeFile(std::string(250 - Root().size(), 'h') + "/" + std::string(20, 'i') + "/x.mp3");
    ASSERT_EQ(fits.size(), 259u);

    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    EXPECT_EQ(StoredPaths(), (Paths{fits}));
}

TEST_F(ImportWalk, NamesThatAreNotUtf8KeepTheirBytesAndGetATextTitle) {
    const std::string path = MakeFile("caf\xe9.mp3");
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    TSVT_Song song;
    ASSERT_TRUE(vault.FindSongByPath(&song, path.c_str()));
    EXPECT_EQ(std::string(song.path), path);
    EXPECT_STREQ(song.title, "caf\xc3\xa9.mp3");
}

TEST_F(ImportWalk, SkippedExcludedHiddenAndDeepFoldersAreNotEntered) {
    MakeFile("fav/a.mp3");
    MakeFile("fav/excluded/b.mp3");
    MakeFile("fav/excluded/deeper/c.mp3");
    MakeFile("fav/.hidden/d.mp3");
    MakeFile("fav/one/two/e.mp3");
    MakeFile("fav/one/f.mp3");
    // A name that only starts like the excluded folder's.
    MakeFile("fav/excludedToo/g.mp3");

    MvList<TMvPath> favorites;
    FillFolders(favorites, {Root() + "fav/"}, 1);
    MvList<TMvPath> exclusions;
    // Without its trailing separator, as a hand-edited setting may hold it.
    FillFolders(exclusions, {Root() + "fav/excluded"});
    ASSERT_TRUE(vault.ImportFavorites(recorder.Target(), SVT_IMPORT_KINDS, &favorites, &exclusions));
    EXPECT_EQ(StoredPaths(), (Paths{Root() + "fav/a.mp3", Root() + "fav/excludedToo/g.mp3", Root() + "fav/one/f.mp3"}));

    // The whole-tree walk honours its skip list and its depth the same way;
    // a start folder inside the list is not walked at all.
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS, 9999, &exclusions));
    EXPECT_EQ(vault.GetSongCount(), 4);
    EXPECT_TRUE(vault.ImportAllFolders(recorder.Target(), SVT_IMPORT_KINDS, (Root() + "fav/excluded/").c_str(),
                                       &exclusions, 9999));
    EXPECT_EQ(vault.GetSongCount(), 4);
}

// An excluded folder stays out however the walk reaches it: through a link
// to it or to a folder below it, or under another name of its own.
TEST_F(ImportWalk, LinksDoNotLeadIntoAnExcludedFolder) {
    const std::string kept = MakeFile("music/kept.mp3");
    MakeFile("private/secret.mp3");
    MakeFile("private/deep/hidden.mp3");
    std::filesystem::create_directory_symlink(Root() + "private", Root() + "music/link");
    std::filesystem::create_directory_symlink(Root() + "private/deep", Root() + "music/deeplink");

    struct Case {
        const char* what;
        std::string exclusion;
    };
    const Case cases[] = {
        {"the folder itself", Root() + "private"},
        {"a link to the folder", Root() + "music/link/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(vault.Shutdown(nullptr));
        ASSERT_TRUE(vault.DeleteDatabase(dir.Path().c_str()));
        ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
        MvList<TMvPath> exclusions;
        FillFolders(exclusions, {c.exclusion});
        ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS, SVT_IMPORT_ANY_DEPTH, &exclusions));
        EXPECT_EQ(StoredPaths(), (Paths{kept}));

        MvList<TMvPath> favorites;
        FillFolders(favorites, {Root() + "music/"}, 32);
        ASSERT_TRUE(vault.ImportFavorites(recorder.Target(), SVT_IMPORT_KINDS, &favorites, &exclusions));
        EXPECT_EQ(StoredPaths(), (Paths{kept}));
    }
}

TEST_F(ImportWalk, ADepthLimitStopsTheDescent) {
    MakeFile("a.mp3");
    MakeFile("1/b.mp3");
    MakeFile("1/2/c.mp3");
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS, 0));
    EXPECT_EQ(StoredPaths(), (Paths{Root() + "a.mp3"}));
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS, 1));
    EXPECT_EQ(StoredPaths(), (Paths{Root() + "1/b.mp3", Root() + "a.mp3"}));
}

TEST_F(ImportWalk, UnreadableFilesAndMissingFoldersAreNoFailure) {
    const std::string bad = MakeFile("bad.mp3");
    probe.SetUnreadable(bad);
    const std::string good = MakeFile("good.mp3");
    EXPECT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    EXPECT_EQ(StoredPaths(), (Paths{good}));
    // An empty drive, and the kernel's own file systems.
    EXPECT_TRUE(vault.ImportAllFolders(recorder.Target(), SVT_IMPORT_KINDS, (Root() + "none/").c_str(), nullptr, 9999));
    const int probes = probe.ProbeCount();
    EXPECT_TRUE(vault.ImportAllFolders(recorder.Target(), SVT_IMPORT_KINDS, "/proc/", nullptr, 9999));
    EXPECT_TRUE(vault.ImportAllFolders(recorder.Target(), SVT_IMPORT_KINDS, "/sys", nullptr, 9999));
    // An empty path is no folder (and not the file system's root).
    EXPECT_TRUE(vault.ImportAllFolders(recorder.Target(), SVT_IMPORT_KINDS, "", nullptr, 9999));
    MvList<TMvPath> favorites;
    FillFolders(favorites, {""});
    EXPECT_TRUE(vault.ImportFavorites(recorder.Target(), SVT_IMPORT_KINDS, &favorites, nullptr));
    EXPECT_EQ(probe.ProbeCount(), probes);
    EXPECT_TRUE(recorder.Paths(WM_IMPORT_CURRENTDIR).size() <= 2u);
}

TEST_F(ImportWalk, ProgressIsPostedAtMostTenTimesASecond) {
    for (int i = 0; i < 60; ++i) MakeFile("f" + std::to_string(i) + "/a.mp3");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LE(recorder.Posts(WM_IMPORT_CURRENTDIR).size(), 1u + static_cast<std::size_t>(elapsed.count() / 100));
    EXPECT_EQ(recorder.Posts(WM_IMPORT_KNOWNDIR).size(), 60u);
}

TEST_F(ImportWalk, StoppingFromAnotherThreadEndsTheWalkAtTheNextSong) {
    for (int i = 0; i < 300; ++i) MakeFile("songs/" + std::to_string(1000 + i) + ".mp3");
    // The walk is stopped while its 20th probe runs: no further song is
    // probed, however slowly either thread is scheduled.
    constexpr int kStopDuringProbe = 20;
    probe.PauseAt(kStopDuringProbe);
    bool answer = true;
    std::uint32_t error = 0;
    std::thread walker([&] {
        answer = ImportAll(SVT_IMPORT_KINDS);
        error = GetLastError();
    });
    const bool reached = probe.WaitUntilPaused(std::chrono::seconds(60));
    vault.SetImporting(false);
    probe.Resume();
    walker.join();
    ASSERT_TRUE(reached);
    EXPECT_EQ(probe.ProbeCount(), kStopDuringProbe);
    EXPECT_FALSE(answer);
    EXPECT_EQ(error, SONGVAULT_ERR_IMPORT_STOPPED);
    // What was found before the stop stays, and was posted.
    EXPECT_EQ(vault.GetSongCount(), kStopDuringProbe);
    EXPECT_EQ(recorder.Posts(WM_IMPORT_FOUNDSONG).size(), static_cast<std::size_t>(kStopDuringProbe));

    // Walks stay off until allowed again; a single file is still imported.
    EXPECT_FALSE(ImportAll(SVT_IMPORT_KINDS));
    TSVT_ImportEntry entry{};
    svtest::FillText(entry.path, MakeFile("single.mp3"));
    entry.flags = SVT_IMPORT_KINDS;
    EXPECT_TRUE(vault.ImportSong(recorder.Target(), SVT_IMPORT_KINDS, &entry, true, nullptr));
    vault.SetImporting(true);
    EXPECT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    EXPECT_EQ(vault.GetSongCount(), 301);
}

TEST_F(ImportWalk, WalksFailCleanlyWithoutStoreOrProbe) {
    MakeFile("a.mp3");
    vault.SetSongProbe(nullptr);
    EXPECT_FALSE(ImportAll(SVT_IMPORT_KINDS));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NO_PROBE);
    vault.SetSongProbe(&probe);
    ASSERT_TRUE(vault.Shutdown(nullptr));
    EXPECT_FALSE(ImportAll(SVT_IMPORT_KINDS));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_OPEN);
    MvList<TMvPath> favorites;
    FillFolders(favorites, {Root()});
    EXPECT_FALSE(vault.ImportFavorites(recorder.Target(), SVT_IMPORT_KINDS, &favorites, nullptr));
}

}  // namespace
