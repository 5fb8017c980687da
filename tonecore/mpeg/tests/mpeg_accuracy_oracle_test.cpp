// The whole decoder (file input, codec module, layer III, synthesis) against
// the reference program's decodes of the generated streams, by the accuracy
// measures of ISO/IEC 11172-4 clause 2.6.3: our 16-bit output against the
// reference's floats, our floats before rounding against the same, and our
// 16-bit output against the reference's 16-bit output. Each case's figures
// are printed, so a run over the full set (TRACKPRESS_MPEG_FIXTURES) reads
// as a table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "tonecore/mpeg/tests/mpeg_fixture_set.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"
#include "tonecore/mpeg/tests/pcm_compare.h"

namespace {

using mpegtest::TFixtureEntry;

// Before rounding, our floats must sit this close to the reference's for the
// rounded output to stay under the full-accuracy RMS (the reference's own
// rounding uses almost all of it).
constexpr double kUnroundedRms = 2.5e-7;
constexpr double kUnroundedRmsFullScale = 4e-7;
// Against the reference's 16-bit output: at most one step apart, and only
// where the float values sit at a rounding boundary.
constexpr double kOneStep = 1.0 / 32768.0;
constexpr double kDifferingShare = 0.01;

class MpegAccuracy : public mpegtest::CMpegFixtureTest {};

}  // namespace

TEST_F(MpegAccuracy, EveryStreamMeetsFullAccuracyAgainstTheReference) {
    int checked = 0;
    for (const TFixtureEntry& e : mpegtest::ReadManifest(folder_)) {
        if (e.Has("freeformat")) continue;  // not decoded: see the deliberate differences
        SCOPED_TRACE(e.file);
        mpegtest::TDecodeOptions options;
        options.unrounded = true;
        const mpegtest::TDecoded ours = mpegtest::DecodeFile(Path(e), options);
        ASSERT_EQ(ours.openResult, 0);
        EXPECT_EQ(ours.endResult, DECODER_ERR_END_OF_INPUT);
        EXPECT_EQ(ours.framesDropped, 0);
        EXPECT_EQ(ours.sampleRate, static_cast<std::uint32_t>(e.rateHz));
        const int channels = e.Channels();
        ASSERT_EQ(ours.channels, static_cast<std::uint32_t>(channels));
        const std::vector<float> f32 = pcmcompare::ReadRawF32(Path(e) + ".f32");
        const std::vector<std::int16_t> s16 = pcmcompare::ReadRawS16(Path(e) + ".s16");
        ASSERT_FALSE(f32.empty());
        EXPECT_EQ(ours.pcm.size(), f32.size());
        EXPECT_EQ(ours.pcm.size(), s16.size());
        for (int ch = 0; ch < channels; ++ch) {
            SCOPED_TRACE("channel " + std::to_string(ch));
            const auto full = pcmcompare::CompareS16ToF32(ours.pcm, f32, channels, ch);
            // The synthesis hook gives values in 16-bit steps.
            const auto inner = pcmcompare::CompareChannel(std::span<const float>(ours.unrounded), pcmcompare::kS16Scale,
                                                          std::span<const float>(f32), 1.0, channels, ch);
            const auto bits = pcmcompare::CompareS16(ours.pcm, s16, channels, ch);
            std::printf("%-44s ch%d  rms16 %.3e  max16 %.3e  rmsF %.3e  maxF %.3e  lsb %.0f  differ %.4f%%\n",
                        e.file.c_str(), ch, full.rms, full.maxAbs, inner.rms, inner.maxAbs, bits.maxAbs * 32768,
                        100.0 * bits.DifferingShare());
            const auto ownRounding = pcmcompare::CompareS16ToF32(s16, f32, channels, ch);
            // A full-scale square overshoots: the reference's floats go past
            // 1.0 where 16-bit output clips, so only the float and the
            // 16-bit comparisons apply (the latter shows no wrap-around).
            if (e.sound != "square") {
                EXPECT_LT(full.rms, pcmcompare::FullAccuracyRmsLimit(ownRounding.rms));
                EXPECT_LE(full.maxAbs, pcmcompare::kFullAccuracyMax);
            }
            // Both decoders keep 32-bit floats, whose rounding grows with the
            // level: at full scale (the square, 20 dB above the sweep) the
            // same relative agreement gives a larger absolute difference.
            EXPECT_LE(inner.rms, e.sound == "square" ? kUnroundedRmsFullScale : kUnroundedRms);
            EXPECT_LE(bits.maxAbs, kOneStep);
            EXPECT_LE(bits.DifferingShare(), kDifferingShare);
        }
        ++checked;
    }
    EXPECT_GT(checked, 10);
}

// Bytes pushed into the streaming memory input in pieces of 1 to 5000
// bytes decode exactly as the file does: frame reading resumes where a
// short read stopped, the reservoir included.
TEST_F(MpegAccuracy, PushedPiecesDecodeLikeTheWholeFile) {
    std::mt19937 rng(11);
    int checked = 0;
    for (const TFixtureEntry& e : mpegtest::ReadManifest(folder_)) {
        if (e.Has("freeformat") || checked++ % 3 != 0) continue;
        SCOPED_TRACE(e.file);
        const std::string bytes = testsupport::ReadWholeFile(Path(e));
        const mpegtest::TDecoded pushed =
            mpegtest::DecodePushed(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), rng, 5000);
        EXPECT_EQ(pushed.endResult, DECODER_ERR_NEED_DATA);
        EXPECT_EQ(pushed.pcm, mpegtest::DecodeFile(Path(e)).pcm);
    }
    EXPECT_GT(checked, 3);
}
