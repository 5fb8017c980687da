// Opening, closing, saving elsewhere and deleting the store, and what
// happens to files that are damaged, foreign or newer.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/schema.h"
#include "songvault/store_copy.h"
#include "songvault/songvault.h"
#include "songvault/tests/failing_vfs.h"
#include "songvault/tests/store_fixture.h"
#include "testsupport/temp_dir.h"

using svtest::FolderNames;
using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

namespace {

const char* const kStore = "Marovelle.mdb";

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// Names in the folder that begin with prefix.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const std::string& name : FolderNames(folder)) {
        if (StartsWith(name, prefix)) names.push_back(name);
    }
    return names;
}

// Adds count songs, "/music/0.mp3" and on.
void AddSongs(SVTENG_CSongvault& vault, int count) {
    for (int i = 0; i < count; ++i) {
        TSVT_Song song = svtest::MakeSong("/music/" + std::to_string(i) + ".mp3");
        ASSERT_GT(vault.AddSong(&song, false), 0);
    }
}

// A store with count songs in folder, closed again.
void MakeStoreWithSongs(const std::string& folder, int count) {
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, folder.c_str()));
    AddSongs(vault, count);
    ASSERT_TRUE(vault.Shutdown(folder.c_str()));
}

// Every call a closed engine is asked fails without touching anything.
void ExpectEveryCallFails(SVTENG_CSongvault& vault) {
    TSVT_Song song = svtest::MakeSong("/music/x.mp3");
    TSVT_Artist artist{};
    TSVT_Album album{};
    TSVT_Genre genre{};
    MvList<TSVT_Artist*> artists;
    MvList<TSVT_Album*> albums;
    MvList<TSVT_Genre*> genres;
    const std::vector<std::pair<const char*, std::function<bool()>>> calls = {
        {"GetArtistCount", [&] { return vault.GetArtistCount() < 0; }},
        {"GetAlbumCount", [&] { return vault.GetAlbumCount() < 0; }},
        {"GetGenreCount", [&] { return vault.GetGenreCount() < 0; }},
        {"GetSongCount", [&] { return vault.GetSongCount() < 0; }},
        {"FindArtists", [&] { return !vault.FindArtists(artists) && artists.count == 0; }},
        {"FindAlbums", [&] { return !vault.FindAlbums(albums) && albums.count == 0; }},
        {"FindGenres", [&] { return !vault.FindGenres(genres) && genres.count == 0; }},
        {"GetFirstSong", [&] { return vault.GetFirstSong(&song) == -1; }},
        {"GetNextSong", [&] { return vault.GetNextSong(0, &song) == -1; }},
        {"GetSong", [&] { return !vault.GetSong(1, &song); }},
        {"GetArtist", [&] { return !vault.GetArtist(1, &artist); }},
        {"GetAlbum", [&] { return !vault.GetAlbum(1, &album); }},
        {"GetGenre", [&] { return !vault.GetGenre(1, &genre); }},
        {"UpdateSong", [&] { return !vault.UpdateSong(&song); }},
        {"UpdateArtist", [&] { return !vault.UpdateArtist(&artist); }},
        {"UpdateAlbum", [&] { return !vault.UpdateAlbum(&album); }},
        {"UpdateGenre", [&] { return !vault.UpdateGenre(&genre); }},
        {"AddSong", [&] { return vault.AddSong(&song, false) == -1; }},
        {"FindSongByPath", [&] { return !vault.FindSongByPath(&song, "/music/x.mp3", 0); }},
        {"DeleteSong", [&] { return !vault.DeleteSong(1, false); }},
        {"UndeleteSong", [&] { return !vault.UndeleteSong(1); }},
        {"DeleteArtist", [&] { return !vault.DeleteArtist(1); }},
        {"DeleteAlbum", [&] { return !vault.DeleteAlbum(1); }},
        {"DeleteGenre", [&] { return !vault.DeleteGenre(1); }},
        {"WriteDB", [&] { return !vault.WriteDB(); }},
        {"RebuildIndices", [&] { return !vault.RebuildIndices(); }},
    };
    for (const auto& [name, failsCleanly] : calls) {
        SetLastError(0);
        EXPECT_TRUE(failsCleanly()) << name;
        EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_OPEN) << name;
    }
    EXPECT_EQ(song.id, SVT_NEW_RECORD) << "a failed call leaves the record alone";
    EXPECT_TRUE(vault.Shutdown("/nowhere")) << "closing what is closed";
}

TEST(StoreLife, ClosingIntoItsOwnFolderKeepsEverything) {
    testsupport::TempDir dir;
    MakeStoreWithSongs(dir.Path(), 3);
    // The log was copied into the file: the file alone is the library.
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{kStore});

    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, (dir.Path() + "/").c_str()));
    EXPECT_FALSE(vault.FoundDamagedStore());
    EXPECT_EQ(vault.GetSongCount(), 3);
    TSVT_Song song;
    EXPECT_TRUE(vault.FindSongByPath(&song, "/music/2.mp3", 0));
}

TEST(StoreLife, TheDefaultFolderIsThePerUserDataFolder) {
    const std::string data = std::string(std::getenv("SONGSMITH_HOME")) + "/data/";
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, nullptr));
    EXPECT_TRUE(std::filesystem::exists(data + kStore));
    EXPECT_TRUE(vault.Shutdown(""));
    EXPECT_TRUE(vault.DeleteDatabase(nullptr));
    EXPECT_FALSE(std::filesystem::exists(data + kStore));
}

TEST(StoreLife, EveryCallFailsCleanlyWhileNothingIsOpen) {
    SGSMarovelle description;
    {
        SCOPED_TRACE("never opened");
        SVTENG_CSongvault vault;
        ExpectEveryCallFails(vault);
    }
    {
        SCOPED_TRACE("after Shutdown");
        testsupport::TempDir dir;
        SVTENG_CSongvault vault;
        ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
        ASSERT_TRUE(vault.Shutdown(nullptr));
        ExpectEveryCallFails(vault);
    }
    {
        SCOPED_TRACE("after a failed Initialize");
        SVTENG_CSongvault vault;
        EXPECT_FALSE(vault.Initialize(&description, "/no/such/folder"));
        ExpectEveryCallFails(vault);
    }
}

TEST(StoreLife, ASecondInitializeIsRefusedAndTheStoreStaysUsable) {
    testsupport::TempDir dir;
    testsupport::TempDir other;
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    EXPECT_FALSE(vault.Initialize(&description, other.Path().c_str()));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_ALREADY_OPEN);
    TSVT_Song song = svtest::MakeSong("/music/a.mp3");
    EXPECT_EQ(vault.AddSong(&song, false), 1);
    EXPECT_TRUE(FolderNames(other.Path()).empty());
}

// What Initialize finds in place of a store of ours; each is kept aside,
// whole, and a fresh store takes its place.
struct DamageCase {
    const char* name;
    // Puts the damaged files into the folder; returns the bytes of the file
    // that must reappear under the aside name.
    std::function<std::string(const testsupport::TempDir&)> make;
    const char* asidePrefix;
    const char* movedFile;
};

std::string RandomBytes(const testsupport::TempDir& dir) {
    std::mt19937 random(7);
    std::string bytes(8192, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    WriteWholeFile(dir.File(kStore), bytes);
    return bytes;
}

std::string TruncatedStore(const testsupport::TempDir& dir) {
    MakeStoreWithSongs(dir.Path(), 400);
    const std::string whole = ReadWholeFile(dir.File(kStore));
    const std::string half = whole.substr(0, whole.size() / 2);
    WriteWholeFile(dir.File(kStore), half);
    return half;
}

std::string ForeignSqliteFile(const testsupport::TempDir& dir) {
    svtest::RunSql(dir.File(kStore), "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine')");
    return ReadWholeFile(dir.File(kStore));
}

// A write-ahead log left behind when only the store's file was deleted:
// the engine would apply it to the next store made there.
std::string StaleLog(const testsupport::TempDir& dir) {
    testsupport::TempDir elsewhere;
    SGSMarovelle description;
    std::string log;
    {
        SVTENG_CSongvault vault;
        EXPECT_TRUE(vault.Initialize(&description, elsewhere.Path().c_str()));
        for (int i = 0; i < 5; ++i) {
            TSVT_Song song = svtest::MakeSong("/stale/" + std::to_string(i) + ".mp3");
            vault.AddSong(&song, false);
        }
        log = ReadWholeFile(elsewhere.File("Marovelle.mdb-wal"));
    }
    EXPECT_FALSE(log.empty());
    WriteWholeFile(dir.File("Marovelle.mdb-wal"), log);
    return log;
}

TEST(StoreLife, DamagedOrForeignFilesAreMovedAsideAndReported) {
    const DamageCase cases[] = {
        {"random bytes", RandomBytes, "Marovelle.mdb.damaged-", ""},
        {"truncated store", TruncatedStore, "Marovelle.mdb.damaged-", ""},
        {"foreign SQLite file", ForeignSqliteFile, "Marovelle.mdb.damaged-", ""},
        {"stale log without its store", StaleLog, "Marovelle.mdb.stale-", "-wal"},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string original = c.make(dir);

        testsupport::TempDir logDir;
        LogInit(logDir.File("log.txt").c_str());
        LogOn(1);
        SGSMarovelle description;
        SVTENG_CSongvault vault;
        ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
        LogDeinit();
        EXPECT_TRUE(vault.FoundDamagedStore());
        EXPECT_EQ(vault.GetSongCount(), 0);
        TSVT_Song song = svtest::MakeSong("/music/new.mp3");
        EXPECT_EQ(vault.AddSong(&song, false), 1);

        // One set moves aside: the companions keep their suffixes behind
        // the set's new name.
        const std::vector<std::string> aside = NamesStartingWith(dir.Path(), c.asidePrefix);
        ASSERT_FALSE(aside.empty());
        const std::string base = aside[0].substr(0, aside[0].size() - std::string(c.movedFile).size());
        for (const std::string& name : aside) EXPECT_TRUE(StartsWith(name, base)) << name;
        EXPECT_EQ(ReadWholeFile(dir.File(base + c.movedFile)), original) << "kept as it was found";
        EXPECT_NE(ReadWholeFile(logDir.File("log.txt")).find(dir.File(base)), std::string::npos)
            << "the log says where it went";
        EXPECT_FALSE(std::filesystem::exists(dir.File("Marovelle.mdb.new")));
    }
}

TEST(StoreLife, ANewerStoreIsRefusedAndLeftUntouched) {
    testsupport::TempDir dir;
    MakeStoreWithSongs(dir.Path(), 2);
    svtest::RunSql(dir.File(kStore), ("PRAGMA user_version = " + std::to_string(songvault::kSchemaVersion + 1)).c_str());
    const std::string before = ReadWholeFile(dir.File(kStore));

    SGSMarovelle description;
    SVTENG_CSongvault vault;
    EXPECT_FALSE(vault.Initialize(&description, dir.Path().c_str()));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NEWER_VERSION);
    EXPECT_FALSE(vault.FoundDamagedStore());
    EXPECT_EQ(ReadWholeFile(dir.File(kStore)), before);
    EXPECT_TRUE(NamesStartingWith(dir.Path(), "Marovelle.mdb.").empty());
    EXPECT_LT(vault.GetSongCount(), 0);
}

TEST(StoreLife, AnEmptyOlderFileIsUpgradedInPlace) {
    testsupport::TempDir dir;
    // An SQLite file of format 0: pages, but no tables and no marks.
    svtest::RunSql(dir.File(kStore), "CREATE TABLE scratch(a); DROP TABLE scratch");

    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    EXPECT_FALSE(vault.FoundDamagedStore());
    TSVT_Song song = svtest::MakeSong("/music/a.mp3");
    EXPECT_EQ(vault.AddSong(&song, false), 1);
    ASSERT_TRUE(vault.Shutdown(dir.Path().c_str()));
    EXPECT_EQ(svtest::QueryText(dir.File(kStore), "PRAGMA user_version"), std::to_string(songvault::kSchemaVersion));
    EXPECT_EQ(svtest::QueryText(dir.File(kStore), "PRAGMA application_id"), std::to_string(0x54505356));
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{kStore});
}

// What the target folder held at the last moment before the copy's rename.
std::string atRename;

TEST(StoreLife, ClosingIntoAnotherFolderMovesTheStoreThere) {
    testsupport::TempDir dir;
    testsupport::TempDir other;
    WriteWholeFile(other.File(kStore), "an older library");
    WriteWholeFile(other.File("Marovelle.mdb-wal"), "its log");
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    AddSongs(vault, 20);
    atRename = "nothing";
    songvault::SetBeforeCopyRename([](const std::string& target) { atRename = ReadWholeFile(target); });
    ASSERT_TRUE(vault.Shutdown(other.Path().c_str()));
    songvault::SetBeforeCopyRename(nullptr);
    EXPECT_LT(vault.GetSongCount(), 0) << "closed";
    // A crash at that moment would leave the older store in place, not an
    // empty folder.
    EXPECT_EQ(atRename, "an older library");

    // What was there before is kept aside as a set.
    const std::vector<std::string> aside = NamesStartingWith(other.Path(), "Marovelle.mdb.replaced-");
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_EQ(ReadWholeFile(other.File(aside[0])), "an older library");
    EXPECT_EQ(ReadWholeFile(other.File(aside[1])), "its log");
    EXPECT_EQ(aside[1], aside[0] + "-wal");

    ASSERT_TRUE(vault.Initialize(&description, other.Path().c_str()));
    EXPECT_FALSE(vault.FoundDamagedStore());
    EXPECT_EQ(vault.GetSongCount(), 20);
    ASSERT_TRUE(vault.Shutdown(nullptr));
    EXPECT_EQ(svtest::QueryText(other.File(kStore), "PRAGMA integrity_check"), "ok");
    // The original stays where it was.
    EXPECT_EQ(svtest::QueryText(dir.File(kStore), "SELECT count(*) FROM song"), "20");
}

TEST(StoreLife, AFailedCloseIntoAnotherFolderKeepsTheStoreOpenAndTheFilesAsTheyWere) {
    svtest::FailingVfs disk;
    testsupport::TempDir dir;
    testsupport::TempDir other;
    WriteWholeFile(other.File(kStore), "an older library");
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    AddSongs(vault, 200);

    // The disk fills up part way through writing the copy.
    disk.FailWritesUnder(other.Path(), 3);
    EXPECT_FALSE(vault.Shutdown(other.Path().c_str()));
    EXPECT_GT(disk.FailedWrites(), 0);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(FolderNames(other.Path()), std::vector<std::string>{kStore});
    EXPECT_EQ(ReadWholeFile(other.File(kStore)), "an older library");
    EXPECT_FALSE(vault.Shutdown((dir.Path() + "/missing").c_str()));

    // Still open and whole: the user may retry or pick another folder.
    EXPECT_EQ(vault.GetSongCount(), 200);
    TSVT_Song song = svtest::MakeSong("/music/late.mp3");
    EXPECT_GT(vault.AddSong(&song, false), 0);

    disk.Heal();
    ASSERT_TRUE(vault.Shutdown(other.Path().c_str()));
    EXPECT_EQ(svtest::QueryText(other.File(kStore), "SELECT count(*) FROM song"), "201");
    EXPECT_EQ(svtest::QueryText(dir.File(kStore), "PRAGMA integrity_check"), "ok");
}

// A write is on the disk when its call returns: the log holds nothing that
// a power loss could take back.
TEST(StoreLife, EveryWriteIsSyncedWhenItsCallReturns) {
    svtest::FailingVfs disk;
    testsupport::TempDir dir;
    disk.WatchUnder(dir.Path());
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    struct Step {
        const char* call;
        std::function<bool()> run;
    };
    TSVT_Song song = svtest::MakeSong("/music/kept.mp3");
    TSVT_Artist artist{SVT_NEW_RECORD, 1, "An Artist"};
    const Step steps[] = {
        {"AddSong", [&] { return (song.id = vault.AddSong(&song, false)) > 0; }},
        {"UpdateSong", [&] { return ++song.year, vault.UpdateSong(&song); }},
        {"DeleteSong to the trash", [&] { return vault.DeleteSong(song.id, false); }},
        {"UndeleteSong", [&] { return vault.UndeleteSong(song.id); }},
        {"UpdateArtist", [&] { return vault.UpdateArtist(&artist); }},
        {"DeleteArtist", [&] { return vault.DeleteArtist(artist.id); }},
        {"DeleteSong for good", [&] { return vault.DeleteSong(song.id, false) && vault.DeleteSong(song.id, false); }},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(step.run()) << step.call;
        EXPECT_EQ(disk.UnsyncedLogs(), 0) << step.call;
    }
    ASSERT_TRUE(vault.Shutdown(nullptr));
}

TEST(StoreLife, DeletingTheStoreTakesItsCompanionsAlong) {
    testsupport::TempDir dir;
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    TSVT_Song song = svtest::MakeSong("/music/a.mp3");
    ASSERT_GT(vault.AddSong(&song, false), 0);
    EXPECT_FALSE(vault.DeleteDatabase(dir.Path().c_str()));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_STORE_IN_USE);
    EXPECT_EQ(vault.GetSongCount(), 1);

    // What the Library tab does when the user starts over.
    ASSERT_TRUE(vault.Shutdown(nullptr));
    WriteWholeFile(dir.File("Marovelle.mdb-wal"), std::string(4096, 'w'));
    WriteWholeFile(dir.File("Marovelle.mdb-shm"), std::string(100, 's'));
    WriteWholeFile(dir.File("Marovelle.mdb-journal"), std::string(100, 'j'));
    WriteWholeFile(dir.File("other.txt"), "not ours");
    ASSERT_TRUE(vault.DeleteDatabase(dir.Path().c_str()));
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"other.txt"});
    EXPECT_TRUE(vault.DeleteDatabase(dir.Path().c_str())) << "nothing left to delete";

    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    EXPECT_FALSE(vault.FoundDamagedStore());
    EXPECT_EQ(vault.GetSongCount(), 0);
}

TEST(StoreLife, ThreadsSharingTheEngineGetTheirOwnIds) {
    testsupport::TempDir dir;
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));

    constexpr int kThreads = 4;
    constexpr int kSongsEach = 40;
    std::vector<std::vector<std::pair<std::int32_t, std::string>>> added(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kSongsEach; ++i) {
                const std::string path = "/t" + std::to_string(t) + "/" + std::to_string(i) + ".mp3";
                TSVT_Song song = svtest::MakeSong(path);
                added[t].emplace_back(vault.AddSong(&song, false), path);
                TSVT_Song walked;
                vault.GetFirstSong(&walked);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    std::set<std::int32_t> ids;
    for (const auto& list : added) {
        for (const auto& [id, path] : list) {
            TSVT_Song song;
            ASSERT_TRUE(vault.GetSong(id, &song)) << path;
            EXPECT_EQ(std::string(song.path), path) << "id " << id;
            ids.insert(id);
        }
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kThreads * kSongsEach));
    EXPECT_EQ(vault.GetSongCount(), kThreads * kSongsEach);
}

}  // namespace

// A copy of the program killed while it made a fresh store leaves that store
// under its own name; the next open deletes it, but never one whose maker
// still runs (it may be making it right now).
TEST(StoreLife, FreshStoresOfKilledCopiesAreDeletedAtOpen) {
    testsupport::TempDir dir;
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    int status = 0;
    ASSERT_EQ(waitpid(gone, &status, 0), gone);
    const std::string abandoned = std::string(kStore) + ".new-" + std::to_string(gone) + "-0";
    const std::string running = std::string(kStore) + ".new-" + std::to_string(getpid()) + "-7";
    for (const std::string& name : {abandoned, abandoned + "-journal", running, std::string(kStore) + ".new-x-1"}) {
        testsupport::WriteWholeFile(dir.File(name), "half made");
    }

    SGSMarovelle description;
    SVTENG_CSongvault vault;
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    vault.Shutdown(nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir.File(abandoned)));
    EXPECT_FALSE(std::filesystem::exists(dir.File(abandoned + "-journal")));
    EXPECT_TRUE(std::filesystem::exists(dir.File(running)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(std::string(kStore) + ".new-x-1"))) << "not a name the store makes";
}
