// The conversion forms that take a loaded sound: the file is created for
// the PCM the sound reads out, the target is fitted to the sound's source,
// and a WAV converter open on a song file measures the bytes its WAV file
// will take.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2wave_file.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

// One second of a 22050 Hz mono 16-bit ramp.
const WAVEFORMATEX kSongFormat = pcmtest::Pcm(22050, 1, 16);

std::string SongPcm() {
    std::vector<int> samples(22050);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int>(i % 2000) - 1000;
    return soundtest::PcmBytes(kSongFormat, samples);
}

// The user's WAV settings: 44100 Hz stereo 16-bit.
CConv2FileFormat CdTarget() {
    CConv2FileFormat target(WAVE_FORMAT_PCM);
    target.soundQuality = SOUND_QUALITY_USER;
    target.usePreset = 0;
    target.nSamplesPerSec = 44100;
    target.nChannels = 2;
    target.wBitsPerSample = 16;
    target.CalcBlockAlignNAvgBytesPerSec();
    return target;
}

}  // namespace

TEST(Conv2FileSound, TheSoundFormsFitAndCreateForTheSoundsOwnPcm) {
    CPCMSound sound;
    ASSERT_EQ(soundtest::LoadFromMemory(sound, kSongFormat, SongPcm(), 1000), 1);
    CConv2WaveFile converter;
    const CConv2FileFormat wanted = CdTarget();

    // Fitting to the sound equals fitting to its PCM format.
    CConv2FileFormat bySound(WAVE_FORMAT_PCM);
    converter.GetTargetFormat(&bySound, &wanted, &sound);
    CConv2FileFormat byFormat(WAVE_FORMAT_PCM);
    WAVEFORMATEX pcm{};
    ASSERT_NE(sound.GetFormat(&pcm), 0);
    converter.GetTargetFormat(&byFormat, &wanted, &pcm, sound.GetMusicInfo(), nullptr);
    EXPECT_EQ(bySound.nSamplesPerSec, byFormat.nSamplesPerSec);
    EXPECT_EQ(bySound.nChannels, byFormat.nChannels);
    EXPECT_EQ(bySound.wBitsPerSample, byFormat.wBitsPerSample);
    EXPECT_EQ(bySound.nAvgBytesPerSec, byFormat.nAvgBytesPerSec);
    CConv2FileFormat bySmartCopy(WAVE_FORMAT_PCM);
    bySmartCopy.SmartCopy(WAVE_FORMAT_PCM, &wanted, &sound, &converter);
    EXPECT_EQ(bySmartCopy.nAvgBytesPerSec, byFormat.nAvgBytesPerSec);

    // The file is created for what the sound reads out.
    testsupport::TempDir dir;
    CConv2FileFormat target = bySound;
    ASSERT_NE(converter.Create(dir.File("out.wav").c_str(), &target, &sound), 0);
    converter.Close();
    CConv2WaveFile other;
    EXPECT_EQ(other.Create(dir.File("none.wav").c_str(), &target, static_cast<CPCMSound*>(nullptr)), 0);
}

// A WAV converter open on the song file loads it to learn its length when
// none is given: one second at the fitted target's byte rate.
TEST(Conv2FileSound, BytesToWriteComeFromTheSongTheConverterIsOpenOn) {
    testsupport::TempDir dir;
    const std::string song = dir.File("song.wav");
    testsupport::WriteWholeFile(song, soundtest::WavFile(kSongFormat, SongPcm()));
    CConv2WaveFile converter;
    CConv2FileFormat target = CdTarget();
    EXPECT_EQ(converter.GetBytesToWrite(&target, nullptr, -1.0), 0.0);  // not open on a song
    ASSERT_NE(converter.Open(song.c_str(), 0, 0), 0);
    CPCMSound probe;
    ASSERT_EQ(soundtest::LoadFromMemory(probe, kSongFormat, SongPcm(), 1000), 1);
    CConv2FileFormat fitted(WAVE_FORMAT_PCM);
    converter.GetTargetFormat(&fitted, &target, &probe);
    const double expected = probe.Length(0) * 0.001 * fitted.nAvgBytesPerSec;
    EXPECT_GT(expected, 0.0);
    EXPECT_DOUBLE_EQ(converter.GetBytesToWrite(&target, nullptr, -1.0), expected);
    EXPECT_DOUBLE_EQ(converter.GetBytesToWrite(&target, nullptr, 500.0), 0.5 * fitted.nAvgBytesPerSec);
    converter.Close();
}
