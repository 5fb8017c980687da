// WMA songs the ffmpeg program made, read through a PCM sound as the mixer
// reads them: the sound loads the song with its WMA decoding object and
// reads the program's own decode, in one read or in pieces.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mediacore/tests/wma_fixture.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/load/tests/wma_song_test.h"
#include "tonecore/load/tests/wma_test_support.h"
#include "tonecore/load/wma_object.h"

namespace {

using WmaSound = wmatest::WmaSongTest;

TEST_F(WmaSound, ReadsTheSongAsTheReferenceDecodesIt) {
    const std::string path = mediatest::MakeWma(dir_, {"wmav2", 44100, 2, 128}, 1.5);
    ASSERT_FALSE(path.empty());
    const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(path);
    const WAVEFORMATEX cd = pcmtest::Pcm(44100, 2, 16);

    TStream file = Open(path);
    CPCMSound once;
    CPCMSound pieces;
    ASSERT_EQ(once.InitialLoad(file.get(), 2000, 1, 1, 1, 1, 10, nullptr, nullptr), 1) << GetLastError();
    ASSERT_EQ(pieces.InitialLoad(file.get(), 300, 1, 1, 1, 1, 10, nullptr, nullptr), 1) << GetLastError();
    ASSERT_NE(dynamic_cast<WMAObject*>(once.GetACMObj()), nullptr);
    const double referenceMs = static_cast<double>(reference.size() / 2) * 1000.0 / 44100;
    EXPECT_NEAR(once.Length(0), referenceMs, 1.0);

    ASSERT_EQ(once.Load(0), 1);
    ASSERT_EQ(pieces.Load(0), 1);
    TRenderResult last = RENDER_FAILED;
    const auto whole = soundtest::ReadAll(once, cd, [&] { return cd.nAvgBytesPerSec; }, &last);
    EXPECT_EQ(last, RENDER_FINISHED);
    std::mt19937 random(9);
    const auto split = soundtest::ReadAll(pieces, cd, [&] { return 4u * (1 + random() % 5000); });
    EXPECT_EQ(whole, split);
    // The second sound took its peaks and length from the first one's cache.
    EXPECT_EQ(pieces.Length(0), once.Length(0));
    // The sound ends at its length in whole milliseconds, within a frame or
    // so of the song's last sample.
    const std::vector<int> samples = soundtest::Samples16(whole);
    EXPECT_NEAR(static_cast<double>(samples.size()), static_cast<double>(reference.size()), 2.0 * 44.1 * 2);
    int worst = 0;
    for (std::size_t i = 0; i < std::min(samples.size(), reference.size()); ++i) {
        worst = std::max(worst, std::abs(samples[i] - reference[i]));
    }
    EXPECT_LE(worst, 1);
}

}  // namespace
