#include "tonecore/peaks/peak_accumulator.h"

#include <gtest/gtest.h>

#include <vector>

#include "tonecore/peaks/peaks.h"

namespace {

// Ten seconds of a full-scale square wave of the format, in pieces of
// `piece` bytes; the peaks made.
std::uint32_t PeaksOfTenSeconds(const WAVEFORMATEX& format, std::uint32_t msPerPeak, std::size_t piece) {
    CPeaks peaks(msPerPeak, -1);
    int toFile = 0;
    peaks.InitStreamPeaksFromParse(&toFile, nullptr);
    CPeakAccumulator accumulator(format, msPerPeak);
    std::vector<std::uint8_t> audio(static_cast<std::size_t>(format.nAvgBytesPerSec) * 10);
    for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = (i / 64) % 2 == 0 ? 0x7F : 0x80;
    for (std::size_t at = 0; at < audio.size(); at += piece) {
        accumulator.Add(audio.data() + at, std::min(piece, audio.size() - at), peaks, toFile);
    }
    return accumulator.Count();
}

WAVEFORMATEX Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

TEST(PeakAccumulator, KeepsPaceWithTheAudioWhateverTheFrameSize) {
    struct TCase {
        WAVEFORMATEX format;
        std::uint32_t msPerPeak;
        std::uint32_t bytesPerPeak;
    };
    // 22050 Hz stereo: 882 bytes per 10 ms cut to 880; 11025 Hz 8-bit mono:
    // 110.25 bytes cut to 110; 44100 Hz stereo: exactly 1764.
    const TCase cases[] = {
        {Pcm(2, 22050, 16), 10, 880},
        {Pcm(1, 11025, 8), 10, 110},
        {Pcm(2, 44100, 16), 10, 1764},
        {Pcm(1, 8000, 16), 3, 48},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.format.nSamplesPerSec << " Hz, " << c.format.nChannels << " ch");
        EXPECT_EQ(CPeakAccumulator(c.format, c.msPerPeak).BytesPerPeak(), c.bytesPerPeak);
        const std::uint32_t expected = 10000 / c.msPerPeak;
        for (std::size_t piece : {std::size_t{1000}, std::size_t{7}, std::size_t{1} << 20}) {
            const std::uint32_t made = PeaksOfTenSeconds(c.format, c.msPerPeak, piece);
            EXPECT_LE(made, expected);
            EXPECT_GE(made + 1, expected);
        }
    }
}

TEST(PeakAccumulator, ScalesTheLoudestSampleOfEachPeak) {
    const WAVEFORMATEX format = Pcm(1, 1000, 16);
    CPeaks peaks(10, -1);
    int toFile = 0;
    peaks.InitStreamPeaksFromParse(&toFile, nullptr);
    CPeakAccumulator accumulator(format, 10);  // 10 samples a peak
    std::vector<std::int16_t> samples(40, 0);
    samples[3] = -32768;  // full scale
    samples[12] = 16384;  // half
    samples[25] = -1;     // almost silence
    accumulator.Add(reinterpret_cast<const std::uint8_t*>(samples.data()), 46, peaks, toFile);
    accumulator.Add(reinterpret_cast<const std::uint8_t*>(samples.data()) + 46, 34, peaks, toFile);
    ASSERT_EQ(accumulator.Count(), 4u);
    const std::uint8_t* stored = peaks.GetDataPtr();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored[0], 255);
    EXPECT_EQ(stored[1], 16384 * 255 / 32767);
    EXPECT_EQ(stored[2], 0);
    EXPECT_EQ(stored[3], 0);
}

}  // namespace
