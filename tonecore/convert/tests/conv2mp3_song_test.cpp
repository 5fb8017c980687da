// The MP3 converter's size estimate for a song file it is open on: the song
// is loaded to fit the target to it and to learn its length.
#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/lame_conv2mp3.h"
#include "tonecore/load/tests/song_load_support.h"

namespace {

using namespace songtest;

class Conv2MP3Song : public SongLoadTest {};

TEST_F(Conv2MP3Song, TheEstimateForAnOpenSongUsesItsLength) {
    // Two seconds of CD audio.
    const std::string path = dir_.File("song.wav");
    testsupport::WriteWholeFile(
        path, Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 44100, 16)) + Chunk("data", SinePcm(44100, 2, 88200, 8000))));
    auto* conv = new CLameConv2MP3();
    CConv2FileFormat target(WAVE_FORMAT_MPEGLAYER3);
    target.usePreset = 0;
    target.tagType = TAG_TYPE_NONE;
    // Not open on a song: nothing to go by.
    EXPECT_DOUBLE_EQ(conv->GetBytesToWrite(&target, nullptr, -1.0), 0.0);

    ASSERT_EQ(conv->Open(path.c_str(), 0, 0), 1);
    // 192 kbit/s for the song's 2000 ms, or for the time asked for.
    EXPECT_DOUBLE_EQ(conv->GetBytesToWrite(&target, nullptr, -1.0), 48000.0);
    EXPECT_DOUBLE_EQ(conv->GetBytesToWrite(&target, nullptr, 500.0), 12000.0);
    target.tagType = TAG_TYPE_ID3V1;
    EXPECT_DOUBLE_EQ(conv->GetBytesToWrite(&target, nullptr, -1.0), 48128.0);
    conv->Close();
    DeleteRefObject(&conv);
}

}  // namespace
