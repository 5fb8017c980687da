// MP3 songs made by sox and lame, read through a PCM sound and its decoding
// object. Skipped when the tools are missing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/load/tests/song_load_support.h"

namespace {

class PcmSoundMp3 : public songtest::SongLoadTest {};

TEST_F(PcmSoundMp3, DecodedSongsReadTheSameInOneReadOrInPieces) {
    if (!songtest::HaveTools({"sox", "lame", "mpg123"})) GTEST_SKIP() << "sox, lame or mpg123 missing";
    const WAVEFORMATEX cd = pcmtest::Pcm(44100, 2, 16);
    for (const std::uint32_t rate : {44100u, 48000u, 22050u}) {
        songtest::TEncodedSong song;
        const std::string name = "sine" + std::to_string(rate) + ".mp3";
        ASSERT_TRUE(songtest::MakeSong(dir_.File(""), name, rate, 2, 1.5, "lame --quiet -b 128", song));
        TStream file = Open(song.path);
        CPCMSound once;
        CPCMSound pieces;
        ASSERT_EQ(once.InitialLoad(file.get(), 2000, 1, 1, 1, 1, 10, nullptr, nullptr), 1) << rate;
        ASSERT_EQ(pieces.InitialLoad(file.get(), 300, 1, 1, 1, 1, 10, nullptr, nullptr), 1) << rate;
        ASSERT_NE(once.GetACMObj(), nullptr);
        EXPECT_EQ(once.Format()->wBitsPerSample, 16);
        EXPECT_NEAR(once.Length(0), song.ReferenceMs(), song.FrameMs() + 1) << rate;

        ASSERT_EQ(once.Load(0), 1);
        ASSERT_EQ(pieces.Load(0), 1);
        TRenderResult last = RENDER_FAILED;
        const auto whole = soundtest::ReadAll(once, cd, [&] { return cd.nAvgBytesPerSec; }, &last);
        EXPECT_EQ(last, RENDER_FINISHED);
        std::mt19937 random(5);
        const auto split = soundtest::ReadAll(pieces, cd, [&] { return 4u * (1 + random() % 5000); });
        EXPECT_EQ(whole, split) << rate;
        EXPECT_NEAR(double(whole.size()) / cd.nAvgBytesPerSec * 1000.0, once.Length(0), 2.0) << rate;
        // The tone is there, at its level (-6 dB).
        int loudest = 0;
        for (const int s : soundtest::Samples16(whole)) loudest = std::max(loudest, std::abs(s));
        EXPECT_NEAR(loudest, 16384, 1200) << rate;
    }
}

}  // namespace
