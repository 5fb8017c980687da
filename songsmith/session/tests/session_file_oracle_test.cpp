// A saved session of 99 songs walked by python3's struct module, which
// knows nothing of the program: one "cdss" form holding "cdhd" (8 bytes:
// layout 5, 99 records) and "cdtr" (99 records of 6175 bytes), no pad byte
// and nothing after. Skipped without python3.
#include <gtest/gtest.h>

#include <string>

#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/session/track_list.h"
#include "testsupport/command_output.h"
#include "testsupport/temp_dir.h"

namespace {

TEST(SessionFileOracle, AnOutsideChunkWalkFindsTheLayout) {
    if (!songfiles::HaveTools({"python3"})) GTEST_SKIP() << "python3 is needed";
    testsupport::TempDir dir;
    CPreferences prefs;
    CTrackList list(prefs);
    constexpr int kTracks = 99;
    for (int i = 0; i < kTracks; ++i) {
        const std::string song = dir.File("song" + std::to_string(i) + ".wav");
        testsupport::WriteWholeFile(song, songfiles::WavBytes(44100, 2, 100));
        ASSERT_EQ(list.InsertSong(CSongEntry(song.c_str()), i), i);
    }
    const std::string path = dir.File("session.tps");
    ASSERT_TRUE(list.SaveSession(path.c_str()));
    const std::string walk =
        testsupport::CommandOutput("python3 '" SESSION_CHUNK_WALK "' '" + path + "'");
    EXPECT_EQ(walk,
              "form cdss\n"
              "cdhd 8 5 99\n"
              "cdtr " + std::to_string(kTracks * 6175) + "\n"
              "left over: 0\n"
              "after: 0\n");
}

}  // namespace
