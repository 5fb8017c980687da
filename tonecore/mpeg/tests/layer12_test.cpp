// Layers I and II through the whole decoder: forbidden values abandon only
// their frame, a layer II scale factor index of 63 silences its third, a
// joint stereo bound past the coded subbands is held to them, the table
// choice by bitrate per channel, and the slot counts under rate reduction.

#include "tonecore/mpeg/layer12_frame.h"
#include "tonecore/mpeg/layer12_tables.h"
#include "tonecore/mpeg/tests/layer12_frame_writer.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"
#include "testsupport/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

using namespace layer3test;

mpegtest::TDecoded DecodeBytes(const std::string& stream, const mpegtest::TDecodeOptions& options = {}) {
    testsupport::TempDir dir;
    testsupport::WriteWholeFile(dir.File("stream.mpa"), stream);
    return mpegtest::DecodeFile(dir.File("stream.mpa"), options);
}

std::string Frames(std::mt19937& rng, const MpegFrameHeader& header, int count) {
    std::string stream;
    while (count > 0) {
        const std::string bytes = WriteLayer12Frame(RandomLayer12Frame(rng, header, 4));
        if (bytes.empty()) continue;
        stream += bytes;
        --count;
    }
    return stream;
}

}  // namespace

TEST(Layer12Decoding, ForbiddenLayerIValuesAbandonOnlyTheirFrame) {
    const MpegFrameHeader header = Layer12Header(1, false, 0, 14, MPEG_MODE_STEREO, 0);
    struct TCase {
        const char* name;
        void (*spoil)(TLayer12WriterFrame& f);
    };
    const TCase cases[] = {
        {"allocation 15", [](TLayer12WriterFrame& f) { f.allocation[1][5] = 15; }},
        {"scale factor 63", [](TLayer12WriterFrame& f) {
             f.allocation[0][2] = 3;
             f.scaleFactor[0][2][0] = 63;
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng(5);
        TLayer12WriterFrame bad = RandomLayer12Frame(rng, header, 2);
        c.spoil(bad);
        const std::string spoiled = WriteLayer12Frame(bad);
        ASSERT_FALSE(spoiled.empty());
        const std::string stream = Frames(rng, header, 2) + spoiled + Frames(rng, header, 2);
        const mpegtest::TDecoded decoded = DecodeBytes(stream);
        EXPECT_EQ(decoded.framesDropped, 1);
        EXPECT_EQ(decoded.frameSamples.size(), 4u);
        EXPECT_EQ(decoded.pcm.size(), 4u * 384 * 2);
    }
}

// A layer II scale factor index of 63 is not refused: the subband is silent
// in that third, exactly as if its samples there were zero.
TEST(Layer12Decoding, LayerIIScaleFactor63SilencesItsThird) {
    const MpegFrameHeader header = Layer12Header(2, false, 0, 10, MPEG_MODE_MONO, 0);
    std::mt19937 rng(9);
    TLayer12WriterFrame frame = RandomLayer12Frame(rng, header, 4);
    const int sb = 1;
    frame.allocation[0][sb] = 4;
    frame.scfsi[0][sb] = 0;
    const std::uint32_t steps =
        kLayer2QuantClass[Layer2AllocationTable(false, 0, Layer2BitrateClass(header)).classes[sb][3]].steps;
    TLayer12WriterFrame zeroed = frame;
    frame.scaleFactor[0][sb][1] = 63;
    for (int s = 12; s < 24; ++s) zeroed.code[0][sb][s] = (steps - 1) / 2;  // the middle step is 0
    const mpegtest::TDecoded withIndex63 = DecodeBytes(WriteLayer12Frame(frame));
    const mpegtest::TDecoded withZeros = DecodeBytes(WriteLayer12Frame(zeroed));
    EXPECT_EQ(withIndex63.framesDropped, 0);
    ASSERT_EQ(withIndex63.pcm.size(), 1152u);
    EXPECT_EQ(withIndex63.pcm, withZeros.pcm);
    EXPECT_NE(std::count(withIndex63.pcm.begin(), withIndex63.pcm.end(), 0), 1152);
}

// At the lowest bitrates only 8 (or 12) subbands are coded, below the joint
// stereo bounds 12 and 16: the bound is held to the coded subbands and the
// frame decodes.
TEST(Layer12Decoding, JointStereoBoundPastTheCodedSubbandsDecodes) {
    for (std::uint32_t extension = 0; extension < 4; ++extension) {
        SCOPED_TRACE(extension);
        const MpegFrameHeader header = Layer12Header(2, false, 0, 4, MPEG_MODE_JOINT_STEREO, extension);
        EXPECT_EQ(Layer12JointStereoBound(header, 8), std::min<int>(4 + 4 * extension, 8));
        std::mt19937 rng(extension);
        const mpegtest::TDecoded decoded = DecodeBytes(Frames(rng, header, 3));
        EXPECT_EQ(decoded.framesDropped, 0);
        EXPECT_EQ(decoded.pcm.size(), 3u * 1152 * 2);
    }
}

TEST(Layer12Decoding, TableChoiceFollowsTheBitratePerChannel) {
    struct TCase {
        bool lsf;
        std::uint32_t rateIndex;
        std::uint32_t mode;
        std::uint32_t bitrateIndex;
        int sblimit;
    };
    const TCase cases[] = {
        {false, 0, MPEG_MODE_MONO, 1, 8},     {false, 0, MPEG_MODE_MONO, 2, 8},
        {false, 0, MPEG_MODE_MONO, 3, 27},    {false, 0, MPEG_MODE_MONO, 5, 27},
        {false, 0, MPEG_MODE_MONO, 6, 30},    {false, 1, MPEG_MODE_MONO, 10, 27},
        {false, 2, MPEG_MODE_MONO, 2, 12},    {false, 2, MPEG_MODE_MONO, 8, 30},
        {false, 0, MPEG_MODE_STEREO, 4, 8},   {false, 2, MPEG_MODE_STEREO, 4, 12},
        {false, 0, MPEG_MODE_STEREO, 6, 8},   {false, 0, MPEG_MODE_STEREO, 7, 27},
        {false, 0, MPEG_MODE_STEREO, 10, 30}, {false, 1, MPEG_MODE_JOINT_STEREO, 14, 27},
        {true, 0, MPEG_MODE_STEREO, 14, 30},  {true, 2, MPEG_MODE_MONO, 1, 30},
    };
    for (const TCase& c : cases) {
        MpegFrameHeader h = Layer12Header(2, c.lsf, static_cast<int>(c.rateIndex),
                                          static_cast<int>(c.bitrateIndex), c.mode, 0);
        EXPECT_EQ(Layer2AllocationTable(c.lsf, c.rateIndex, Layer2BitrateClass(h)).sblimit, c.sblimit)
            << "rate " << c.rateIndex << " mode " << c.mode << " bitrate " << c.bitrateIndex;
    }
}

// Rate reduction feeds only the lowest subbands and shortens each slot.
TEST(Layer12Decoding, RateReductionShortensEveryFrame) {
    struct TCase {
        int layer;
        std::int32_t reduction;
        std::uint32_t samples;
    };
    const TCase cases[] = {{1, 0, 384}, {1, 1, 192}, {1, 2, 96}, {2, 0, 1152}, {2, 2, 288}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.layer) + "/" + std::to_string(c.reduction));
        const MpegFrameHeader header = Layer12Header(c.layer, false, 0, 10, MPEG_MODE_STEREO, 0);
        std::mt19937 rng(3);
        mpegtest::TDecodeOptions options;
        options.rateReduction = c.reduction;
        const mpegtest::TDecoded decoded = DecodeBytes(Frames(rng, header, 2), options);
        ASSERT_EQ(decoded.frameSamples.size(), 2u);
        EXPECT_EQ(decoded.frameSamples[0], c.samples);
        EXPECT_EQ(decoded.sampleRate, 44100u >> c.reduction);
    }
}

// Free-format frames are not decoded, and a frame cut short loses only
// itself: decoding finds the frames after it, as in layer III.
TEST(Layer12Decoding, FreeFormatAndCutFramesAreSkipped) {
    for (const int layer : {1, 2}) {
        SCOPED_TRACE(layer);
        const MpegFrameHeader header = Layer12Header(layer, false, 0, 10, MPEG_MODE_STEREO, 0);
        std::mt19937 rng(static_cast<unsigned>(layer));
        const std::string good = Frames(rng, header, 1);
        std::string freeFormat = good;
        freeFormat[2] = static_cast<char>(freeFormat[2] & 0x0F);  // bitrate index 0
        const std::string cut = Frames(rng, header, 1).substr(0, good.size() / 2);
        const std::string stream = good + good + cut + good + good + freeFormat + freeFormat;
        const mpegtest::TDecoded decoded = DecodeBytes(stream);
        const std::uint32_t perFrame = layer == 1 ? 384 : 1152;
        // The two frames before the cut one (the second of them unconfirmed
        // by what follows it may be dropped) and the two after it.
        EXPECT_GE(decoded.frameSamples.size(), 3u);
        EXPECT_LE(decoded.frameSamples.size(), 4u);
        EXPECT_EQ(decoded.pcm.size(), decoded.frameSamples.size() * perFrame * 2);
    }
}
