// Layer III decoding of streams made by an outside encoder. Without the
// synthesis filterbank these tests check what the subband samples allow:
// every granule's Huffman data ends exactly where its part2_3_length says
// (any wrong code table, scale factor length or region boundary breaks that
// at once), and encodings of the same sound that differ only in block
// switching or stereo coding decode to nearly the same subband signal.

#include "tonecore/mpeg/tests/layer3_test_stream.h"
#include "testsupport/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using layer3test::CollectSubbands;
using layer3test::HaveTools;
using layer3test::RunCommand;
using layer3test::TGranuleEvent;
using layer3test::TWalkSummary;
using layer3test::WalkStream;

class Layer3Streams : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools({"lame", "sox"})) GTEST_SKIP() << "lame and sox are needed";
    }

    // A stereo test sound at `rateHz`: a tone on the left, pink noise on the
    // right, plucks on both for transients.
    std::string MakeSound(int rateHz, double seconds = 1.0) {
        const std::string wav = dir_.File("sound-" + std::to_string(rateHz) + ".wav");
        const std::string length = std::to_string(seconds);
        const std::string command = "sox -n -r " + std::to_string(rateHz) + " -c 2 -b 16 " + wav + " synth " + length +
                                    " sine 600 pinknoise synth " + length + " pluck mix 220 pluck mix 330 vol -6dB";
        if (!RunCommand(command)) {
            ADD_FAILURE() << command;
        }
        return wav;
    }

    std::string Encode(const std::string& wav, const std::string& options) {
        const std::string mp3 = dir_.File("out-" + std::to_string(count_++) + ".mp3");
        const std::string command = "lame --quiet -t " + options + " " + wav + " " + mp3;
        if (!RunCommand(command)) {
            ADD_FAILURE() << command;
            return {};
        }
        return testsupport::ReadWholeFile(mp3);
    }

    testsupport::TempDir dir_;
    int count_ = 0;
};

struct TAlignment {
    int granules = 0;
    int misaligned = 0;
    int abandoned = 0;
    int shortGranules = 0;
    std::string first;
};

TAlignment CheckAlignment(const std::string& mp3) {
    TAlignment a;
    WalkStream(mp3, [&](const TGranuleEvent& e) {
        ++a.granules;
        if (e.result != 0) {
            ++a.abandoned;
            return;
        }
        for (int ch = 0; ch < e.frame->info.channels; ++ch) {
            if (e.side->granule[e.granule][ch].ShortBlock()) ++a.shortGranules;
            if (e.report->endBitDifference[ch] != 0) {
                if (a.misaligned++ == 0) {
                    a.first = "frame " + std::to_string(e.frameIndex) + " granule " + std::to_string(e.granule) +
                              " channel " + std::to_string(ch) + " off by " +
                              std::to_string(e.report->endBitDifference[ch]) + " bits";
                }
            }
        }
    });
    return a;
}

// Signal-to-difference ratio in dB of `b` against `a`.
double SnrDb(const std::vector<float>& a, const std::vector<float>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    double signal = 0.0;
    double noise = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        signal += static_cast<double>(a[i]) * a[i];
        const double d = static_cast<double>(a[i]) - b[i];
        noise += d * d;
    }
    return 10.0 * std::log10(signal / std::max(noise, 1e-30));
}

}  // namespace

TEST_F(Layer3Streams, HuffmanDataEndsAtPart23LengthAtEveryRateAndMode) {
    struct TCase {
        int rateHz;
        std::string options;
    };
    std::vector<TCase> cases;
    for (const int rate : {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000}) {
        cases.push_back({rate, "-m j -V 2"});
    }
    for (const int rate : {44100, 22050, 8000}) {
        for (const char* mode : {"-m s -b 64", "-m f -b 32", "-m m -b 8", "-m d -b 128 -p", "-m j -b 320 --nores"}) {
            cases.push_back({rate, mode});
        }
    }
    cases.push_back({44100, "-m j --abr 160"});
    cases.push_back({48000, "-m j -b 320 --allshort"});
    cases.push_back({16000, "-m s -b 160 --allshort"});
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.rateHz) + " Hz, " + c.options);
        const std::string mp3 = Encode(MakeSound(c.rateHz), c.options + " --resample " + std::to_string(c.rateHz / 1000.0));
        ASSERT_FALSE(mp3.empty());
        const TAlignment a = CheckAlignment(mp3);
        EXPECT_GT(a.granules, 10);
        EXPECT_EQ(a.abandoned, 0);
        EXPECT_EQ(a.misaligned, 0) << a.first;
    }
}

// Block switching changes the transform, not the signal. The encoder gives
// both channels the same block types, so a tone on the left with a clicking
// right channel is coded with short blocks at every click, and without the
// clicks only with long blocks: the left channel must decode to nearly the
// same subband signal both ways. A fault in reordering, the short IMDCT, the
// windows, the overlap or the alias reduction leaves them far apart.
TEST_F(Layer3Streams, BlockSwitchingDecodesToTheSameSubbandSignal) {
    for (const int rate : {44100, 22050}) {
        SCOPED_TRACE(rate);
        const std::string r = " -r " + std::to_string(rate);
        const std::string tone = dir_.File("tone.wav");
        const std::string clicks = dir_.File("clicks.wav");
        const std::string withClicks = dir_.File("with-clicks.wav");
        const std::string without = dir_.File("without.wav");
        ASSERT_TRUE(RunCommand("sox -n -c 1 -b 16" + r + " " + tone + " synth 2 sine 600 vol -6dB"));
        ASSERT_TRUE(RunCommand("sox -n -c 1 -b 16" + r + " " + clicks + " synth 2 sine 600 synth 2 square mix 3 vol -6dB"));
        ASSERT_TRUE(RunCommand("sox -M " + tone + " " + clicks + " " + withClicks));
        ASSERT_TRUE(RunCommand("sox -M " + tone + " " + tone + " " + without));
        const std::string options = std::string("-m s ") + (rate > 32000 ? "-b 320" : "-b 160");
        const std::string a = Encode(withClicks, options);
        const std::string b = Encode(without, options);
        int leftShort = 0;
        WalkStream(a, [&](const TGranuleEvent& e) { leftShort += e.side->granule[e.granule][0].ShortBlock(); });
        EXPECT_GE(leftShort, 10);
        const std::vector<float> left = CollectSubbands(a, 0);
        const std::vector<float> reference = CollectSubbands(b, 0);
        ASSERT_EQ(left.size(), reference.size());
        EXPECT_GT(SnrDb(reference, left), 65.0);
    }
}

// Stereo coding changes the representation, not the signal: left/right,
// forced mid/side and joint encodings decode to nearly the same channels.
TEST_F(Layer3Streams, StereoCodingsDecodeToTheSameChannels) {
    for (const int rate : {44100, 22050}) {
        SCOPED_TRACE(rate);
        const std::string wav = MakeSound(rate);
        const std::string resample = " --resample " + std::to_string(rate / 1000.0);
        const std::string bitrate = rate > 32000 ? " -b 320" : " -b 160";
        const std::string leftRight = Encode(wav, "-m s" + bitrate + resample);
        const std::string midSide = Encode(wav, "-m f" + bitrate + resample);
        const std::string joint = Encode(wav, "-m j" + bitrate + resample);
        for (int ch = 0; ch < 2; ++ch) {
            const std::vector<float> a = CollectSubbands(leftRight, ch);
            const std::vector<float> b = CollectSubbands(midSide, ch);
            const std::vector<float> c = CollectSubbands(joint, ch);
            ASSERT_EQ(a.size(), b.size());
            ASSERT_EQ(a.size(), c.size());
            EXPECT_GT(SnrDb(a, b), 15.0) << "channel " << ch;
            EXPECT_GT(SnrDb(a, c), 15.0) << "channel " << ch;
        }
    }
}
