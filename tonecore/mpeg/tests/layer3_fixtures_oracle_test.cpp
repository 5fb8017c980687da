// The verification harness end to end: make_fixtures.sh makes the streams,
// reference_output.sh decodes them with the reference program, and the
// layer III decoder walks every stream. Set TRACKPRESS_MPEG_FIXTURES to a
// folder made by "make_fixtures.sh --full" (and reference_output.sh
// --folder) to run over the large set instead of the small one.

#include "tonecore/mpeg/layer3_stream_tag.h"
#include "tonecore/mpeg/tests/layer3_test_stream.h"
#include "tonecore/mpeg/tests/mpeg_fixture_set.h"
#include "tonecore/mpeg/tests/pcm_compare.h"
#include "testsupport/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using layer3test::TGranuleEvent;
using layer3test::TWalkSummary;
using layer3test::WalkStream;

class Layer3Fixtures : public mpegtest::CMpegFixtureTest {};

}  // namespace

// Every stream decodes without an abandoned granule and with every
// granule's Huffman data ending at its declared length; the reference
// program's output has one frame's worth of samples for each frame found.
// Free format is not decoded: no frame is found in it.
TEST_F(Layer3Fixtures, EveryStreamWalksCleanlyAndMatchesTheReferenceLength) {
    const std::vector<mpegtest::TFixtureEntry> entries = mpegtest::ReadManifest(folder_);
    ASSERT_FALSE(entries.empty());
    for (const mpegtest::TFixtureEntry& e : entries) {
        SCOPED_TRACE(e.file);
        const std::string bytes = testsupport::ReadWholeFile(folder_ + "/" + e.file);
        int misaligned = 0;
        int samplesPerFrame = 0;
        int channels = 0;
        const TWalkSummary summary = WalkStream(bytes, [&](const TGranuleEvent& ev) {
            samplesPerFrame = ev.frame->info.lsf ? 576 : 1152;
            channels = ev.frame->info.channels;
            EXPECT_EQ(ev.frame->sampleRateHz, e.rateHz);
            for (int ch = 0; ch < channels; ++ch) misaligned += ev.report->endBitDifference[ch] != 0;
        });
        if (e.notes.find("freeformat") != std::string::npos) {
            EXPECT_EQ(summary.frames, 0);
            continue;
        }
        EXPECT_GT(summary.frames, 10);
        EXPECT_EQ(summary.abandoned, 0);
        EXPECT_EQ(summary.framesWithoutReservoir, 0);
        EXPECT_EQ(misaligned, 0);
        EXPECT_EQ(channels, e.mode == "m" ? 1 : 2);
        const std::vector<std::int16_t> reference = pcmcompare::ReadRawS16(folder_ + "/" + e.file + ".s16");
        // The reference run decodes an Info tag frame as an ordinary (silent) frame, as we do.
        EXPECT_EQ(reference.size(), static_cast<std::size_t>(summary.frames) * samplesPerFrame * channels);

        // The encoder's tag counts the frames after it, with a seek table.
        TMpegTagHeader header;
        header.mpeg1 = samplesPerFrame == 1152;
        header.mono = channels == 1;
        header.sampleRateHz = static_cast<std::uint32_t>(e.rateHz);
        header.bitrateKbps = 128;
        TMpegStreamTag tag;
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        ASSERT_TRUE(ParseMpegStreamTag(std::span(data, std::min<std::size_t>(bytes.size(), 152)), header,
                                       static_cast<std::uint32_t>(bytes.size()), tag));
        const bool tagged = e.notes.find("infotag") != std::string::npos;
        EXPECT_EQ(tag.frameCountKnown, tagged);
        if (tagged) {
            EXPECT_EQ(tag.frames, static_cast<std::uint32_t>(summary.frames - 1));
            EXPECT_TRUE(tag.hasToc);
        }
    }
}

// The comparison metrics on the reference's own two outputs: its 16-bit
// output is its float output rounded, so it sits at the full-accuracy limit
// (RMS of a rounding error, 2^-15/sqrt(12)) and never further than half a
// step away, while a half-step offset would fail.
TEST_F(Layer3Fixtures, ComparisonMetricsOnTheReferencesOwnOutputs) {
    int compared = 0;
    for (const mpegtest::TFixtureEntry& e : mpegtest::ReadManifest(folder_)) {
        if (e.sound != "sweep" || !e.notes.empty()) continue;
        SCOPED_TRACE(e.file);
        const std::vector<float> f32 = pcmcompare::ReadRawF32(folder_ + "/" + e.file + ".f32");
        const std::vector<std::int16_t> s16 = pcmcompare::ReadRawS16(folder_ + "/" + e.file + ".s16");
        ASSERT_EQ(f32.size(), s16.size());
        const int channels = e.mode == "m" ? 1 : 2;
        for (int ch = 0; ch < channels; ++ch) {
            const pcmcompare::TPcmDifference d = pcmcompare::CompareS16ToF32(s16, f32, channels, ch);
            EXPECT_EQ(d.lengthDifference, 0u);
            EXPECT_LT(d.rms, pcmcompare::kFullAccuracyRms * 1.05);
            EXPECT_LE(d.maxAbs, std::ldexp(1.0, -16) + 1e-9);
            EXPECT_GT(d.differing, d.compared / 2);  // floats are rarely whole steps
        }
        std::vector<std::int16_t> shifted = s16;
        for (auto& v : shifted) v = static_cast<std::int16_t>(v > -32768 ? v - 1 : v);
        const pcmcompare::TPcmDifference off = pcmcompare::CompareS16(shifted, s16, channels, 0);
        EXPECT_NEAR(off.maxAbs * 32768, 1.0, 1e-12);
        EXPECT_GT(off.DifferingShare(), 0.99);
        ++compared;
    }
    EXPECT_GT(compared, 0);
}
