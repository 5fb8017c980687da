// A lower-rate mixed block with intensity stereo, decoded whole: every line
// of the intensity region is the left channel's value scaled once by the
// gains of the position sent for its own band (and window, in the short
// part). The expected subband samples are built from single-line frames
// without intensity, since the transform is linear.

#include "tonecore/mpeg/tests/layer3_frame_writer.h"
#include "tonecore/mpeg/tests/layer3_test_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace layer3test;

constexpr int kIllegal = 7;  // the largest value of a 3-bit position

struct TLine {
    int line;
    int value;
    bool isLong;
    int band;
    int window;
};

// Both channels mixed blocks; the right channel's positions have 3 bits
// (scale factor lengths 3, 3, 3).
TWriterFrame MixedFrame(const std::vector<TLine>& left, const std::vector<int>& rightLines, bool illegalPositions) {
    TWriterFrame f = LowerRateIntensityFrame(true, 2 * (3 * 36 + 3 * 6 + 3));
    for (const TLine& l : left) f.channel[0][0].values[l.line] = l.value;
    TWriterChannel& right = f.channel[0][1];
    for (const int line : rightLines) right.values[line] = 1;
    for (int band = 0; band < 6; ++band) {
        right.sf.longBands[band] = static_cast<std::uint8_t>(illegalPositions ? kIllegal : (band + 2) % 7);
    }
    for (int band = 3; band < 12; ++band) {
        for (int w = 0; w < 3; ++w) {
            right.sf.shortBands[band][w] = static_cast<std::uint8_t>(illegalPositions ? kIllegal : (band + 2 * w) % 7);
        }
    }
    return f;
}

// Left and right gains of a lower-rate position (intensity_scale 0).
void Gains(int position, double& left, double& right) {
    const double k = std::pow(2.0, -0.25);
    left = position % 2 == 1 ? std::pow(k, (position + 1) / 2) : 1.0;
    right = position % 2 == 0 ? std::pow(k, position / 2) : 1.0;
}

std::unique_ptr<TLayer3SubbandSamples> DecodeOne(TWriterFrame frame) {
    const std::string bytes = WriteLayer3Frame(frame);
    EXPECT_FALSE(bytes.empty());
    auto out = std::make_unique<TLayer3SubbandSamples>();
    int granules = 0;
    WalkStream(bytes, [&](const TGranuleEvent& e) {
        EXPECT_EQ(e.result, 0);
        *out = *e.samples;
        ++granules;
    });
    EXPECT_EQ(granules, 1);
    return out;
}

}  // namespace

TEST(Layer3StereoMixed, LowerRateIntensityScalesEachLineOnceByItsOwnPosition) {
    // At 22050 Hz the long part is bands 0-5 (lines 0-35); short band 3
    // starts at line 36 with windows of 6 lines, band 7 at 126 (14 lines),
    // band 11 at 396 (42 lines).
    const std::vector<TLine> left = {
        {14, 5, true, 2, 0},     // long band 2
        {31, -3, true, 5, 0},    // long band 5
        {37, 4, false, 3, 0},    // short band 3, window 0
        {49, -6, false, 3, 2},   // short band 3, window 2
        {141, 7, false, 7, 1},   // short band 7, window 1
        {400, -2, false, 11, 0}, // short band 11, window 0
        {485, 3, false, 11, 2},  // short band 11, window 2
    };
    struct TCase {
        const char* name;
        std::vector<int> rightLines;
        int longBound;  // first long band coded in intensity (6: none)
    };
    const TCase cases[] = {
        // The short part silent in every window: intensity from long band 0.
        {"right silent", {}, 0},
        // A value in long band 3: intensity from long band 4 and in the short part.
        {"right ends in long band 3", {20}, 4},
        // A value in short band 4 of window 1: that window is intensity coded
        // from band 5, the other windows from band 3; the long part stays
        // left/right.
        {"right ends in short band 4", {36 + 18 + 6}, 6},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto decoded = DecodeOne(MixedFrame(left, c.rightLines, false));
        // The right channel's own values below the bound are plain left/right:
        // with the left channel empty the intensity region is silent.
        const auto rightAlone = DecodeOne(MixedFrame({}, c.rightLines, false));
        double expected[2][kLayer3Slots][kLayer3Subbands] = {};
        for (int ch = 0; ch < 2; ++ch) {
            for (int t = 0; t < kLayer3Slots; ++t) {
                for (int sb = 0; sb < kLayer3Subbands; ++sb) expected[ch][t][sb] = rightAlone->values[ch][t][sb];
            }
        }
        for (const TLine& l : left) {
            const auto alone = DecodeOne(MixedFrame({l}, {}, true));
            double gl = 1.0;
            double gr = 0.0;
            const bool intensity = !l.isLong || l.band >= c.longBound;
            if (intensity) {
                const int position = l.isLong ? (l.band + 2) % 7 : (l.band + 2 * l.window) % 7;
                Gains(position, gl, gr);
            }
            for (int t = 0; t < kLayer3Slots; ++t) {
                for (int sb = 0; sb < kLayer3Subbands; ++sb) {
                    expected[0][t][sb] += gl * alone->values[0][t][sb];
                    expected[1][t][sb] += gr * alone->values[0][t][sb];
                }
            }
        }
        double peak = 0.0;
        for (int ch = 0; ch < 2; ++ch) {
            for (int t = 0; t < kLayer3Slots; ++t) {
                for (int sb = 0; sb < kLayer3Subbands; ++sb) {
                    peak = std::max(peak, std::abs(expected[ch][t][sb]));
                    EXPECT_NEAR(decoded->values[ch][t][sb], expected[ch][t][sb], 1e-6)
                        << "channel " << ch << " slot " << t << " subband " << sb;
                }
            }
        }
        EXPECT_GT(peak, 1e-4);
    }
}
