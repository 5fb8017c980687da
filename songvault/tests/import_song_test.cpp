// Single-file imports, folder checks and the freeing of posted records.
#include <filesystem>
#include <thread>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/tests/import_fixture.h"
#include "songvault/tests/record_fill.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

using svtest::FillFolders;
using svtest::ImportTest;
using svtest::TPost;
using Paths = std::vector<std::string>;

class ImportSong : public ImportTest {
protected:
    bool Import(const std::string& path, std::uint32_t flags = SVT_IMPORT_KINDS, bool post = true,
                TSVT_Song* out = nullptr) {
        TSVT_ImportEntry entry{};
        svtest::FillText(entry.path, path);
        entry.flags = flags;
        return vault.ImportSong(recorder.Target(), flags, &entry, post, out);
    }
};

TEST_F(ImportSong, AddsANewFileOnceAndPostsItOnce) {
    const std::string path = MakeSong("one.mp3", 42000, "One");
    TSVT_Song song;
    ASSERT_TRUE(Import(path, SVT_IMPORT_KINDS, true, &song));
    EXPECT_GT(song.id, 0);
    EXPECT_STREQ(song.title, "One");
    EXPECT_EQ(song.lengthMs, 42000);
    EXPECT_EQ(recorder.Paths(WM_IMPORT_FOUNDSONG), (Paths{path}));

    // A known file: true, the stored song, nothing posted or changed.
    TSVT_Song again;
    ASSERT_TRUE(Import(path, SVT_IMPORT_KINDS, true, &again));
    EXPECT_EQ(again.id, song.id);
    EXPECT_EQ(vault.GetSongCount(), 1);
    EXPECT_EQ(recorder.Posts(WM_IMPORT_FOUNDSONG).size(), 1u);

    // post false adds without posting.
    ASSERT_TRUE(Import(MakeFile("two.wav"), SVT_IMPORT_KINDS, false));
    EXPECT_EQ(vault.GetSongCount(), 2);
    EXPECT_EQ(recorder.Posts(WM_IMPORT_FOUNDSONG).size(), 1u);
}

// Texts longer than the record's 64-byte fields are cut on a character
// boundary, both as the import hands the record on and as the store keeps it.
TEST_F(ImportSong, LongTextsAreCutBetweenCharacters) {
    auto repeat = [](const std::string& piece, int n) {
        std::string text;
        for (int i = 0; i < n; ++i) text += piece;
        return text;
    };
    struct Case {
        std::string found;
        std::string kept;
    };
    const std::vector<Case> cases{
        {repeat("\xC3\x84", 40), repeat("\xC3\x84", 31)},               // 2-byte characters: 62 bytes
        {"a" + repeat("\xE2\x82\xAC", 30), "a" + repeat("\xE2\x82\xAC", 20)},  // 3-byte: 61 bytes
        {"ab" + repeat("\xF0\x9F\x98\x80", 20), "ab" + repeat("\xF0\x9F\x98\x80", 15)},  // 4-byte: 62
        {repeat("\xE2\x82\xAC", 21), repeat("\xE2\x82\xAC", 21)},      // just fits: 63 bytes whole
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kept.size());
        const std::string path = MakeFile("long" + std::to_string(++n) + ".mp3");
        TSongProbeResult found;
        found.lengthMs = 60000;
        found.title = found.artist = found.album = found.comment = c.found;
        probe.Set(path, found);
        TSVT_Song song;
        ASSERT_TRUE(Import(path, SVT_IMPORT_KINDS, false, &song));
        TSVT_Song stored;
        ASSERT_TRUE(vault.GetSong(song.id, &stored));
        for (const TSVT_Song* record : {&song, &stored}) {
            EXPECT_EQ(std::string(record->title), c.kept);
            EXPECT_EQ(std::string(record->artist), c.kept);
            EXPECT_EQ(std::string(record->album), c.kept);
            EXPECT_EQ(std::string(record->comment), c.kept);
        }
    }
}

TEST_F(ImportSong, RefusesWhatTheFlagsOrTheFileDoNotAllow) {
    const std::string shortSong = MakeSong("short.mp3", 10000);
    const std::string unreadable = MakeFile("bad.wav");
    probe.SetUnreadable(unreadable);
    MakeFolder("folder.mp3");
    struct Case {
        std::string path;
        std::uint32_t flags;
        std::uint32_t error;
    };
    const std::vector<Case> cases{
        {MakeFile("song.wav"), SVT_IMPORT_MP3, SONGVAULT_ERR_NOT_IMPORTED},
        {MakeFile("notes.txt"), SVT_IMPORT_KINDS, SONGVAULT_ERR_NOT_IMPORTED},
        {shortSong, SVT_IMPORT_MP3 | 1u << SVT_IMPORT_MIN_MP3_SHIFT, SONGVAULT_ERR_NOT_IMPORTED},
        {unreadable, SVT_IMPORT_KINDS, SONGVAULT_ERR_NOT_IMPORTED},
        {Root() + "folder.mp3", SVT_IMPORT_KINDS, SONGVAULT_ERR_NOT_IMPORTED},
        {Root() + "missing.mp3", SVT_IMPORT_KINDS, SONGVAULT_ERR_NOT_IMPORTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(Import(c.path, c.flags));
        EXPECT_EQ(GetLastError(), c.error);
    }
    // A path filling the whole field (no terminator) was cut by the caller.
    TSVT_ImportEntry full{};
    std::memset(full.path, 'p', sizeof full.path);
    EXPECT_FALSE(vault.ImportSong(recorder.Target(), SVT_IMPORT_KINDS, &full, true, nullptr));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_PATH_TOO_LONG);
    EXPECT_FALSE(vault.ImportSong(recorder.Target(), SVT_IMPORT_KINDS, nullptr, true, nullptr));
    EXPECT_EQ(vault.GetSongCount(), 0);
    EXPECT_TRUE(recorder.Posts(WM_IMPORT_FOUNDSONG).empty());
    // The minimum length is the flags': 7 takes any length.
    EXPECT_TRUE(Import(shortSong, SVT_IMPORT_KINDS));
}

TEST_F(ImportSong, RacingAWalkOnOneFileLeavesOneSong) {
    const std::string path = MakeFile("race/only.mp3");
    // Both imports pass the probe before either stores the song.
    probe.SetMeetingPoint(path);
    bool walked = false;
    std::thread walker([&] { walked = vault.ImportAllFolders(recorder.Target(), SVT_IMPORT_KINDS,
                                                             (Root() + "race/").c_str(), nullptr, 9999); });
    TSVT_Song song;
    const bool imported = Import(path, SVT_IMPORT_KINDS, true, &song);
    walker.join();
    EXPECT_TRUE(walked);
    EXPECT_TRUE(imported);
    EXPECT_EQ(vault.GetSongCount(), 1);
    EXPECT_EQ(recorder.Posts(WM_IMPORT_FOUNDSONG).size(), 1u);
    TSVT_Song stored;
    ASSERT_TRUE(vault.FindSongByPath(&stored, path.c_str()));
    EXPECT_EQ(song.id, stored.id);
    // The walk counts the song for its folder whoever stored it.
    ASSERT_EQ(recorder.Posts(WM_IMPORT_KNOWNDIR).size(), 1u);
    EXPECT_EQ(recorder.Posts(WM_IMPORT_KNOWNDIR)[0].value, 1);
}

TEST_F(ImportSong, RefusedPostsAreFreedByTheLibrary) {
    MakeFile("a.mp3");
    MakeFile("sub/b.wav");
    recorder.Refuse(true);
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    ASSERT_TRUE(Import(MakeFile("c.mp3")));
    const auto found = recorder.Posts(WM_IMPORT_FOUNDSONG);
    ASSERT_EQ(found.size(), 3u);
    ASSERT_EQ(recorder.Posts(WM_IMPORT_KNOWNDIR).size(), 2u);
    ASSERT_FALSE(recorder.Posts(WM_IMPORT_CURRENTDIR).empty());
#if defined(__SANITIZE_ADDRESS__)
    // Freed memory is poisoned: each refused record was freed (a second
    // free, or a leak, fails the run under the sanitizer by itself).
    EXPECT_TRUE(__asan_address_is_poisoned(reinterpret_cast<void*>(found[0].lParam)));
    EXPECT_TRUE(__asan_address_is_poisoned(reinterpret_cast<void*>(recorder.Posts(WM_IMPORT_KNOWNDIR)[0].wParam)));
    EXPECT_TRUE(__asan_address_is_poisoned(reinterpret_cast<void*>(recorder.Posts(WM_IMPORT_CURRENTDIR)[0].wParam)));
#endif
}

TEST_F(ImportSong, AcceptedPostsCarryTheirOwnFreeingFunction) {
    MakeFile("a.mp3");
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    // A message layer that never delivers frees with what it was handed.
    const TPost song = recorder.Posts(WM_IMPORT_FOUNDSONG).at(0);
    const TPost folder = recorder.Posts(WM_IMPORT_KNOWNDIR).at(0);
    const TPost current = recorder.Posts(WM_IMPORT_CURRENTDIR).at(0);
    song.freePayload(reinterpret_cast<void*>(song.lParam));
    folder.freePayload(reinterpret_cast<void*>(folder.wParam));
    current.freePayload(reinterpret_cast<void*>(current.wParam));
    // The recorder must not free them a second time.
    recorder.Forget();
}

TEST_F(ImportSong, VerifyImportFolderReportsKindsAndSubFolders) {
    MakeFile("f/a.MP2");
    MakeFile("f/b.wav");
    MakeFile("f/zeta/x.txt");
    MakeFolder("f/alpha");
    MakeFolder("f/.config");
    std::filesystem::create_directory_symlink(Root() + "f/alpha", Root() + "f/linked");

    MvList<TMvPath> exclusions;
    FillFolders(exclusions, {Root() + "f/zeta/", Root() + "other"});
    TSVT_ImportStackEntry* entry = nullptr;
    ASSERT_TRUE(vault.VerifyImportFolder((Root() + "f").c_str(), &exclusions, &entry));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->kinds, SVT_IMPORT_MP3 | SVT_IMPORT_WAV);
    Paths subs;
    for (const TMvPath& sub : entry->folders) subs.emplace_back(sub.path);
    // Excluded sub-folders are listed; the check of each refuses them.
    EXPECT_EQ(subs, (Paths{Root() + "f/alpha/", Root() + "f/linked/", Root() + "f/zeta/"}));
    vault.DeallocStackEntry(entry);

    for (const std::string& excluded : {Root() + "f/zeta", Root() + "f/zeta/deeper/"}) {
        entry = reinterpret_cast<TSVT_ImportStackEntry*>(&exclusions);
        EXPECT_FALSE(vault.VerifyImportFolder(excluded.c_str(), &exclusions, &entry));
        EXPECT_EQ(entry, nullptr);
    }
    ASSERT_TRUE(vault.VerifyImportFolder((Root() + "f/alpha/").c_str(), &exclusions, &entry));
    EXPECT_EQ(entry->kinds, 0u);
    EXPECT_EQ(entry->folders.count, 0);
    vault.DeallocStackEntry(entry);
}

}  // namespace
