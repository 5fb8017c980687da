#include "tonecore/pcm/lowpass_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "pcm_test_formats.h"
#include "tonecore/pcm/pcm_block.h"

using pcmtest::Bytes16;
using pcmtest::Pcm;
using pcmtest::Samples16;

namespace {

// Runs the filter over bytes in place and returns them.
std::vector<std::uint8_t> Filter(CFilter& filter, std::vector<std::uint8_t> bytes,
                                 const WAVEFORMATEX& format) {
    _bufferType block;
    block.format = &format;
    block.data = bytes.data();
    block.size = static_cast<std::uint32_t>(bytes.size());
    EXPECT_EQ(filter.Work(&block, nullptr), 1);
    return bytes;
}

// Peak level of the second half of a filtered sine, relative to its input.
double Gain(CFilter& filter, double hz, int rate) {
    const WAVEFORMATEX f = Pcm(static_cast<std::uint32_t>(rate), 1, 16);
    std::vector<int> sine;
    const int n = rate / 5;
    for (int i = 0; i < n; ++i) {
        sine.push_back(static_cast<int>(std::lround(16000 * std::sin(2 * std::numbers::pi * hz * i / rate))));
    }
    filter.Flush();
    const auto out = Samples16(Filter(filter, Bytes16(sine), f), static_cast<std::size_t>(n));
    int peak = 0;
    for (std::size_t i = out.size() / 2; i < out.size(); ++i) peak = std::max(peak, std::abs(out[i]));
    return peak / 16000.0;
}

}  // namespace

TEST(LowPass, PassesTheBandAndStopsAboveIt) {
    CLowPass lowPass(63, 0, 44100, 4000);
    EXPECT_EQ(lowPass.Type(), kEffectLowPass);
    ASSERT_EQ(lowPass.Taps(), 63);
    for (double hz : {100.0, 1000.0, 2500.0}) {
        const double gain = Gain(lowPass, hz, 44100);
        EXPECT_NEAR(gain, 1.0, 0.03) << hz;  // flat within about 0.25 dB
    }
    for (double hz : {8000.0, 12000.0, 18000.0}) {
        EXPECT_LT(Gain(lowPass, hz, 44100), 0.01) << hz;  // at least 40 dB down
    }
    // An even design has a finite centre tap (the sinc's limit).
    const std::vector<double> even = DesignLowPass(8, 44100, 11025);
    EXPECT_DOUBLE_EQ(even[4], 0.5);
    for (double h : even) EXPECT_TRUE(std::isfinite(h));
}

TEST(Filter, OneTapIdentityAndLimits) {
    const double unity = 1.0;
    const double loud = 4.0;
    CFilter identity(1, 0);
    EXPECT_EQ(identity.Type(), kEffectFilter);
    identity.SetCoefficients(1, &unity, 0);
    const WAVEFORMATEX mono16 = Pcm(8000, 1, 16);
    const WAVEFORMATEX mono8 = Pcm(8000, 1, 8);
    const auto samples = Bytes16({0, 1, -1, 32767, -32768});
    EXPECT_EQ(Filter(identity, samples, mono16), samples);
    const std::vector<std::uint8_t> bytes = {0, 1, 127, 128, 129, 255};
    EXPECT_EQ(Filter(identity, bytes, mono8), bytes);

    CFilter gain(1, 0);
    gain.SetCoefficients(1, &loud, 0);
    EXPECT_EQ(Samples16(Filter(gain, Bytes16({10000, -10000, 3}), mono16), 3),
              (std::vector<int>{32767, -32768, 12}));
    EXPECT_EQ(Filter(gain, {0xC0, 0x40}, mono8), (std::vector<std::uint8_t>{255, 0}));
}

TEST(Filter, HistoriesCarryAcrossBlocksUntilFlushed) {
    // h = {0, 1}: the output is the previous sample, per channel.
    const double delay[] = {0.0, 1.0};
    const WAVEFORMATEX stereo16 = Pcm(8000, 2, 16);
    CFilter filter(2, 1);
    filter.SetCoefficients(2, delay, 1);
    EXPECT_EQ(Samples16(Filter(filter, Bytes16({1, 2, 3, 4}), stereo16), 4),
              (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(Samples16(Filter(filter, Bytes16({5, 6}), stereo16), 2), (std::vector<int>{3, 4}));
    std::unique_ptr<CEffect> copy(filter.Copy());
    filter.Flush();
    EXPECT_EQ(Samples16(Filter(filter, Bytes16({7, 8}), stereo16), 2), (std::vector<int>{0, 0}));
    // The copy kept the history it was made with.
    auto* copied = dynamic_cast<CFilter*>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(Samples16(Filter(*copied, Bytes16({9, 9}), stereo16), 2), (std::vector<int>{5, 6}));

    // A mono filter on stereo data runs all samples through one history.
    CFilter mono(2, 0);
    mono.SetCoefficients(2, delay, 0);
    EXPECT_EQ(Samples16(Filter(mono, Bytes16({1, 2, 3, 4}), stereo16), 4),
              (std::vector<int>{0, 1, 2, 3}));

    // Into a separate, shorter output: only the frames both hold.
    std::vector<std::uint8_t> in = Bytes16({10, 20, 30});
    std::vector<std::uint8_t> out(3, 0xEE);
    const WAVEFORMATEX mono16 = Pcm(8000, 1, 16);
    _bufferType from, to;
    from.format = to.format = &mono16;
    from.data = in.data();
    from.size = 6;
    to.data = out.data();
    to.size = 3;
    CFilter pass(1, 0);
    const double unity = 1.0;
    pass.SetCoefficients(1, &unity, 0);
    EXPECT_EQ(pass.Work(&from, &to), 1);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{10, 0, 0xEE}));
}
