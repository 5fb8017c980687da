// Streams that switch between long, start, short and stop blocks, with and
// without the mixed-block flag, at every sample rate, and streams of a
// single frame followed by a tag: written by the test frame writer and
// decoded by this decoder and the reference program.

#include "tonecore/mpeg/tests/layer3_frame_writer.h"
#include "tonecore/mpeg/tests/layer3_test_stream.h"
#include "tonecore/mpeg/tests/written_stream_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

using namespace layer3test;

struct TRate {
    const char* name;
    bool lsf;
    bool mpeg25;
    int sampleRateIndex;
};

// ISO/IEC 11172-3 and 13818-3 sample rates, and MPEG-2.5's.
const TRate kRates[] = {
    {"44100 Hz", false, false, 0}, {"48000 Hz", false, false, 1}, {"32000 Hz", false, false, 2},
    {"22050 Hz", true, false, 0},  {"24000 Hz", true, false, 1},  {"16000 Hz", true, false, 2},
    {"11025 Hz", true, true, 0},   {"12000 Hz", true, true, 1},   {"8000 Hz", true, true, 2},
};

// Granule after granule: long, start, short, short, stop, long, ...
constexpr int kBlockCycle[] = {0, 1, 2, 2, 3, 0};

// Block types (bits 1 << type) that carry the mixed-block flag.
constexpr unsigned kNoneMixed = 0;
constexpr unsigned kStartStopMixed = (1u << 1) | (1u << 3);
constexpr unsigned kAllMixed = kStartStopMixed | (1u << 2);

// One mono frame whose granules take the next block types of the cycle.
TWriterFrame SwitchingFrame(std::mt19937& rng, const TRate& rate, unsigned mixedTypes, int& granuleIndex) {
    std::uniform_int_distribution<int> any(0, 1 << 20);
    TWriterFrame f;
    f.info.lsf = rate.lsf;
    f.info.mpeg25 = rate.mpeg25;
    f.info.sampleRateIndex = rate.sampleRateIndex;
    f.info.mode = 3;
    f.info.channels = 1;
    f.bitrateIndex = 14;
    for (int gr = 0; gr < f.info.Granules(); ++gr) {
        const int block = kBlockCycle[granuleIndex++ % std::size(kBlockCycle)];
        TWriterChannel& c = f.channel[gr][0];
        TLayer3GranuleChannel& g = c.g;
        g.windowSwitching = block != 0;
        g.blockType = static_cast<std::uint32_t>(block);
        g.mixedBlock = ((mixedTypes >> block) & 1) != 0;
        g.globalGain = static_cast<std::uint32_t>(150 + any(rng) % 20);
        g.scalefacScale = any(rng) % 2;
        g.preflag = !rate.lsf && any(rng) % 2;
        g.count1TableB = any(rng) % 2;
        for (auto& s : g.subblockGain) s = static_cast<std::uint32_t>(any(rng) % 3);
        g.scalefacCompress = static_cast<std::uint32_t>(any(rng) % (rate.lsf ? 512 : 16));
        for (auto& v : c.sf.longBands) v = static_cast<std::uint8_t>(any(rng) % 16);
        for (auto& band : c.sf.shortBands) {
            for (auto& v : band) v = static_cast<std::uint8_t>(any(rng) % 16);
        }
        const int cutoff = 150 + any(rng) % 250;
        for (int i = 0; i < cutoff; ++i) {
            const double scale = 12.0 * std::exp(-i / 120.0);
            const int magnitude = static_cast<int>(scale * (any(rng) % 1000) / 1000.0);
            c.values[i] = any(rng) % 2 ? magnitude : -magnitude;
        }
    }
    return f;
}

std::string SwitchingStream(const TRate& rate, unsigned mixedTypes, int frames) {
    std::mt19937 rng(static_cast<unsigned>(17 + rate.sampleRateIndex + 3 * rate.lsf + 5 * rate.mpeg25));
    std::string stream;
    int granuleIndex = 0;
    while (frames > 0) {
        const int before = granuleIndex;
        TWriterFrame frame = SwitchingFrame(rng, rate, mixedTypes, granuleIndex);
        const std::string bytes = WriteLayer3Frame(frame);
        if (bytes.empty()) {  // too much data for one frame: draw again
            granuleIndex = before;
            continue;
        }
        stream += bytes;
        --frames;
    }
    return stream;
}

}  // namespace

// Below the switch point of a mixed block every block type is a normal long
// block: a start or stop block with the flag takes the normal window in the
// two lowest subbands and its own window above, at every rate; a short block
// switches where its long part ends (line 36; line 72 at 8000 Hz, where
// short band 3 starts).
//
// At the MPEG-2.5 rates, which no ISO standard covers, the reference program
// decodes mixed short blocks differently from every other rate (its output
// differs even at 11025 and 12000 Hz, whose band layout is that of 22050 and
// 24000 Hz); this decoder keeps the lower-rate rule there, and the
// difference is asserted.
TEST(Layer3BlockSwitching, EveryBlockTypeWithAndWithoutTheMixedFlagMatchesTheReference) {
    if (!HaveTools({"mpg123"})) GTEST_SKIP() << "mpg123 is needed";
    struct TVariant {
        const char* name;
        unsigned mixedTypes;
    };
    const TVariant variants[] = {{"", kNoneMixed}, {" mixed start/stop", kStartStopMixed}, {" mixed", kAllMixed}};
    for (const TRate& rate : kRates) {
        for (const TVariant& v : variants) {
            const std::string label = std::string(rate.name) + v.name;
            SCOPED_TRACE(label);
            const int frames = rate.lsf ? 36 : 18;
            const std::string stream = SwitchingStream(rate, v.mixedTypes, frames);

            int switching = 0;
            int mixedGranules = 0;
            const TWalkSummary summary = WalkStream(stream, [&](const TGranuleEvent& e) {
                const TLayer3GranuleChannel& g = e.side->granule[e.granule][0];
                switching += g.windowSwitching;
                mixedGranules += g.mixedBlock;
                EXPECT_EQ(e.report->endBitDifference[0], 0);
            });
            EXPECT_EQ(summary.frames, frames);
            EXPECT_EQ(summary.abandoned, 0);
            EXPECT_GT(switching, 20);
            EXPECT_EQ(mixedGranules > 0, v.mixedTypes != kNoneMixed);

            TBothDecoded both;
            ASSERT_TRUE(DecodeWithBoth(stream, both));
            ASSERT_EQ(both.ours.pcm.size(), both.reference.size());
            EXPECT_EQ(both.reference.size(), static_cast<std::size_t>(frames) * (rate.lsf ? 576 : 1152));
            if (rate.mpeg25 && v.mixedTypes == kAllMixed) {
                const auto bits = pcmcompare::CompareS16(both.ours.pcm, both.reference16, 1, 0);
                EXPECT_GT(bits.DifferingShare(), 0.05);
                continue;
            }
            ExpectFullAccuracy(both, 1, 0, label);
        }
    }
}

// A frame found after lost sync needs confirmation, and the first frame of a
// stream is such a frame: the end of the input, an ID3v1 tag or an APE tag
// right after it confirm it, so a one-frame stream plays; anything else after
// it leaves it unconfirmed and dropped. The reference program at hand plays
// no one-frame stream at all, so the frame's expected output is the first
// frame of its decoding of the frame twice over (no bit reservoir: the first
// frame's output does not depend on the second).
TEST(Layer3BlockSwitching, OneFrameStreamsPlayWhenATagOrTheEndFollows) {
    if (!HaveTools({"mpg123"})) GTEST_SKIP() << "mpg123 is needed";
    const std::string frame = SwitchingStream(kRates[0], kNoneMixed, 1);
    TBothDecoded twice;
    ASSERT_TRUE(DecodeWithBoth(frame + frame, twice));
    ASSERT_EQ(twice.reference.size(), 2304u);
    twice.reference.resize(1152);
    twice.reference16.resize(1152);

    std::string id3v1(128, '\0');
    id3v1.replace(0, 3, "TAG");
    id3v1.replace(3, 5, "Title");
    // An APEv2 tag without items: a 32-byte header and a 32-byte footer.
    auto apeBlock = [](bool header) {
        std::string block = "APETAGEX";
        const unsigned char fields[24] = {0xD0, 0x07, 0, 0,  // version 2000
                                          32, 0, 0, 0,       // tag size without the header
                                          0, 0, 0, 0,        // items
                                          0, 0, 0, static_cast<unsigned char>(header ? 0xA0 : 0x80)};
        block.append(reinterpret_cast<const char*>(fields), sizeof fields);
        return block;
    };
    const std::string ape = apeBlock(true) + apeBlock(false);
    struct TCase {
        const char* name;
        std::string after;
        bool plays;
    };
    const TCase cases[] = {
        {"nothing", "", true},
        {"ID3v1 tag", id3v1, true},
        {"APE tag", ape, true},
        {"APE tag and ID3v1 tag", ape + id3v1, true},
        {"garbage", std::string(300, '\x55'), false},
        {"an APE look-alike", "APETAGEY" + std::string(100, '\x55'), false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        testsupport::WriteWholeFile(dir.File("one.mp3"), frame + c.after);
        mpegtest::TDecodeOptions options;
        options.unrounded = true;
        TBothDecoded both{twice.reference, twice.reference16, mpegtest::DecodeFile(dir.File("one.mp3"), options)};
        if (!c.plays) {
            EXPECT_TRUE(both.ours.pcm.empty());
            EXPECT_GE(both.ours.framesDropped, 1);
            continue;
        }
        ASSERT_EQ(both.ours.pcm.size(), 1152u);
        ExpectFullAccuracy(both, 1, 0, c.name);
    }
}
