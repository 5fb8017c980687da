// Session files: saved and read back, counted without reading, written by
// older versions, and damaged.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filekit/tests/chunk_builder.h"
#include "playlist_test_support.h"
#include "tonecore/playlists/playlist.h"

namespace {

using chunk_builder::Chunk;
using chunk_builder::Le32;
using chunk_builder::Riff;
using playlist_test::LoadPaths;
using playlist_test::PlaylistFolder;
using Strings = std::vector<std::string>;

class SessionFile : public ::testing::Test {
protected:
    // A list of bare entries for the paths (none of them is a song).
    static void Fill(CPlaylist& list, const Strings& paths) {
        for (const std::string& path : paths) ASSERT_TRUE(list.LoadFromFile(path.c_str(), false)) << path;
    }

    // The stored version-5 record of one bare entry for path.
    std::string StoredRecord(const std::string& path) {
        CPlaylist list;
        Fill(list, {path});
        const std::string session = dir_.File("one.tps");
        EXPECT_TRUE(list.SaveToFile(session.c_str()));
        const std::string bytes = testsupport::ReadWholeFile(session);
        const std::size_t at = bytes.find("cdtr");
        return bytes.substr(at + 8, TONECORE_CMusicInfo::kVersion5Bytes);
    }

    static std::string Header(std::int32_t version, std::int32_t count) {
        return Chunk("cdhd", Le32(static_cast<std::uint32_t>(version)) + Le32(static_cast<std::uint32_t>(count)));
    }

    PlaylistFolder dir_;
};

TEST_F(SessionFile, SavedAndReadBackEqual) {
    CPlaylist list;
    Fill(list, {"/music/a.mp3", "C:\\Music\\b.wma", dir_.File("c.wav")});
    TONECORE_CMusicInfo& first = *list.GetTrackInfo(0);
    std::strcpy(first.title, "Caf\xC3\xA9");
    std::strcpy(first.artist, "Someone");
    std::strcpy(first.displayText, "Shown");
    first.lengthMs = 215000;
    first.trimEndMs = 200000;
    first.volume = 0.5;
    first.flags[3] = true;
    first.databaseId = 42;
    const std::string saved = dir_.File("session.tps");
    ASSERT_TRUE(list.SaveToFile(saved.c_str()));

    CPlaylist reread;
    ASSERT_TRUE(reread.LoadFromFile(saved.c_str(), false));
    EXPECT_EQ(playlist_test::Paths(reread), (Strings{"/music/a.mp3", "C:\\Music\\b.wma", dir_.File("c.wav")}));
    EXPECT_STREQ(reread.GetTrackTitle(0), "Caf\xC3\xA9");
    EXPECT_EQ(reread.GetTrackInfo(0)->volume, 0.5);
    EXPECT_EQ(reread.GetTrackInfo(0)->databaseId, 42);
    // Saved again, the session is the same byte for byte.
    const std::string again = dir_.File("again.tps");
    ASSERT_TRUE(reread.SaveToFile(again.c_str()));
    EXPECT_EQ(testsupport::ReadWholeFile(again), testsupport::ReadWholeFile(saved));

    CPlaylist counted;
    EXPECT_EQ(counted.GetSongCount(saved.c_str()), 3);
}

TEST_F(SessionFile, KeepFlagsHoldEntriesWhoseSongsAreMissing) {
    CPlaylist list;
    Fill(list, {"/missing/kept2.mp3", "/missing/kept3.mp3", "/missing/dropped.mp3"});
    list.GetTrackInfo(0)->flags[1] = true;
    list.GetTrackInfo(1)->flags[2] = true;
    const std::string saved = dir_.File("session.tps");
    ASSERT_TRUE(list.SaveToFile(saved.c_str()));
    CPlaylist checked;
    ASSERT_TRUE(checked.LoadFromFile(saved.c_str(), true));
    EXPECT_EQ(playlist_test::Paths(checked), (Strings{"/missing/kept2.mp3", "/missing/kept3.mp3"}));
}

TEST_F(SessionFile, OlderAndForeignSessions) {
    // An old layout starts with the path; this one was written with the
    // Windows code page.
    std::string old(TONECORE_CMusicInfo::kVersion0To2Bytes, '\0');
    const std::string oldPath = "C:\\Caf\xE9\\old.mp3";
    old.replace(0, oldPath.size(), oldPath);
    const std::string record = StoredRecord("/music/new.mp3");
    const struct {
        const char* name;
        std::string bytes;
        Strings paths;
        int counted;
    } kCases[] = {
        {"v0.tps", Riff("cdss", {Header(0, 1), Chunk("cdtr", old)}), {"C:\\Caf\xC3\xA9\\old.mp3"}, 1},
        {"form.tps", Riff("junk", {Chunk("note", "x"), Header(5, 1), Chunk("cdtr", record)}), {"/music/new.mp3"}, 1},
        // Writers that never patched the record chunk's size.
        {"unpatched.tps", Riff("cdss", {Header(5, 2), chunk_builder::Header("cdtr", 0) + record + record}),
         {"/music/new.mp3", "/music/new.mp3"}, 2},
        {"v6.tps", Riff("cdss", {Header(6, 1), Chunk("cdtr", record)}), {}, 0},
        {"none.tps", Riff("cdss", {Header(5, 0), Chunk("cdtr", record)}), {}, 0},
        {"negative.tps", Riff("cdss", {Header(5, -1), Chunk("cdtr", record)}), {}, 0},
        {"nohead.tps", Riff("cdss", {Chunk("cdtr", record)}), {}, 0},
        {"norecords.tps", Riff("cdss", {Header(5, 1)}), {}, 0},
        {"shorthead.tps", Riff("cdss", {Chunk("cdhd", Le32(5)), Chunk("cdtr", record)}), {}, 0},
        {"notriff.tps", "plain text", {}, 0},
    };
    for (const auto& c : kCases) {
        const std::string path = dir_.Write(c.name, c.bytes);
        EXPECT_EQ(LoadPaths(path), c.paths) << c.name;
        CPlaylist counted;
        EXPECT_EQ(counted.GetSongCount(path.c_str()), c.counted) << c.name;
    }
}

TEST_F(SessionFile, TheStoredCountIsNotTrusted) {
    const std::string record = StoredRecord("/music/a.mp3");
    // More records claimed than stored, with another chunk behind them that
    // must not be read as records.
    const std::string path = dir_.Write(
        "damaged.tps", Riff("cdss", {Header(5, 0x7FFFFFFF), Chunk("cdtr", record + record),
                                     Chunk("more", std::string(3 * TONECORE_CMusicInfo::kVersion5Bytes, 'x'))}));
    EXPECT_EQ(LoadPaths(path), (Strings{"/music/a.mp3", "/music/a.mp3"}));
    CPlaylist counted;
    EXPECT_EQ(counted.GetSongCount(path.c_str()), 2);
    // A chunk that claims more than the file holds.
    std::string cut = Riff("cdss", {Header(5, 3), Chunk("cdtr", record + record + record)});
    cut.resize(cut.size() - 10);
    EXPECT_EQ(LoadPaths(dir_.Write("cut.tps", cut)), (Strings{"/music/a.mp3", "/music/a.mp3"}));
}

TEST_F(SessionFile, AFailedSaveLeavesTheOldSession) {
    CPlaylist good;
    Fill(good, {"/music/a.mp3"});
    const std::string saved = dir_.File("session.tps");
    ASSERT_TRUE(good.SaveToFile(saved.c_str()));
    const std::string before = testsupport::ReadWholeFile(saved);

    // A path longer than a stored record holds cannot be saved.
    CPlaylist tooLong;
    Fill(tooLong, {"/music/b.mp3", "/" + std::string(300, 'p') + ".mp3"});
    EXPECT_FALSE(tooLong.SaveToFile(saved.c_str()));
    EXPECT_EQ(testsupport::ReadWholeFile(saved), before);
    EXPECT_FALSE(good.SaveToFile(dir_.File("no/such/folder.tps").c_str()));
}

}  // namespace
