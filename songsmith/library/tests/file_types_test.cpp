// File kinds by extension, one table over the five tests.
#include "songsmith/library/file_types.h"

#include <gtest/gtest.h>

namespace {

TEST(FileTypesTest, ExtensionTable) {
    struct {
        const char* path;
        bool addable, mpeg, playlist, wma, wav;
    } const cases[] = {
        {"/music/a.mp3", true, true, false, false, false},
        {"/music/A.MP3", true, true, false, false, false},
        {"b.Mp2", true, true, false, false, false},
        {"c.mp1", true, true, false, false, false},
        {"clip.mpg", true, false, false, false, false},
        {"take.WAV", true, false, false, false, true},
        {"song.wma", true, false, false, true, false},
        {"list.m3u", true, false, true, false, false},
        {"list.PLS", true, false, true, false, false},
        {"list.pl", true, false, true, false, false},
        {"list.plx", false, false, false, false, false},
        {"session.tps", false, false, true, false, false},
        {"a.mp3/x", false, false, false, false, false},
        {"/music.mp3/readme", false, false, false, false, false},
        {"noextension", false, false, false, false, false},
        {"trailing.", false, false, false, false, false},
        {"a.mp3.txt", false, false, false, false, false},
        {"", false, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsAddableFile(c.path), c.addable);
        EXPECT_EQ(IsMpegAudioFile(c.path), c.mpeg);
        EXPECT_EQ(IsPlaylistFile(c.path), c.playlist);
        EXPECT_EQ(IsWmaFile(c.path), c.wma);
        EXPECT_EQ(IsWavFile(c.path), c.wav);
    }
    EXPECT_FALSE(IsAddableFile(nullptr));
}

}  // namespace
