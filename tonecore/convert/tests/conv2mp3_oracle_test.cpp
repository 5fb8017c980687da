// MP3 files the converter writes through the real encoder module, decoded by
// mpg123: every preset decodes to the source within the encoder's quality,
// a VBR file's header gives mpg123 the exact length, and the stream's last
// moments are there. Skips when mpg123 is missing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/lame_conv2mp3.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;
// About a second that ends 1100 frames into an encoder chunk of 1152 frames
// (stereo or mono at 44100 Hz): a converter that dropped the last partial
// chunk would lose nearly all of the last 26 ms.
constexpr std::size_t kFrames = 38 * 1152 + 1100;
// One MPEG-1 frame: the part of the stream a converter could lose at its end.
constexpr std::size_t kLastFrameSamples = 1152;

bool HaveTool(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A rising sweep from 200 to 1800 Hz, the same in both channels: within
// every preset's band, and with one clear alignment against its decoding.
std::vector<double> Sweep() {
    std::vector<double> s(kFrames);
    const double seconds = static_cast<double>(kFrames) / kRate;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        s[i] = 12000.0 * std::sin(2 * kPi * (200.0 * t + 800.0 * t * t / seconds));
    }
    return s;
}

std::vector<std::uint8_t> StereoPcm(const std::vector<double>& mono) {
    std::vector<int> samples;
    for (double v : mono) {
        samples.push_back(static_cast<int>(std::lround(v)));
        samples.push_back(static_cast<int>(std::lround(v)));
    }
    return pcmtest::Bytes16(samples);
}

// The file decoded by mpg123 to mono at 44100 Hz.
std::vector<double> Decode(const std::string& path) {
    std::vector<double> out;
    const std::string command = "mpg123 -q -m -r 44100 -e s16 -s '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    unsigned char pair[2];
    while (std::fread(pair, 1, 2, pipe) == 2) out.push_back(static_cast<std::int16_t>(pair[0] | (pair[1] << 8)));
    pclose(pipe);
    return out;
}

struct TMatch {
    std::size_t lag = 0;
    double snrDb = -100;
};

// The lag at which the decoding best matches the source, and the signal to
// noise ratio there (with the decoding's gain taken out).
TMatch Match(const std::vector<double>& source, const std::vector<double>& decoded, std::size_t maxLag) {
    const auto dotAt = [&](std::size_t lag, std::size_t step) {
        double dot = 0;
        for (std::size_t i = 0; i < source.size(); i += step) dot += source[i] * decoded[i + lag];
        return dot;
    };
    const auto fits = [&](std::size_t lag) { return lag <= maxLag && lag + source.size() <= decoded.size(); };
    // A coarse look over every other lag with every 16th sample, then every
    // lag near the best one with all samples: the sweep has one sharp peak.
    TMatch best;
    double bestDot = 0;
    for (std::size_t lag = 0; fits(lag); lag += 2) {
        const double dot = dotAt(lag, 16);
        if (dot > bestDot) {
            bestDot = dot;
            best.lag = lag;
        }
    }
    const std::size_t from = best.lag > 16 ? best.lag - 16 : 0;
    bestDot = 0;
    for (std::size_t lag = from; lag <= from + 32 && fits(lag); ++lag) {
        const double dot = dotAt(lag, 1);
        if (dot > bestDot) {
            bestDot = dot;
            best.lag = lag;
        }
    }
    if (bestDot <= 0) return best;
    double ss = 0, sd = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        ss += source[i] * source[i];
        sd += source[i] * decoded[i + best.lag];
    }
    const double gain = sd / ss;
    double noise = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const double e = decoded[i + best.lag] - gain * source[i];
        noise += e * e;
    }
    best.snrDb = 10 * std::log10(gain * gain * ss / std::max(noise, 1e-9));
    return best;
}

double Energy(const std::vector<double>& s, std::size_t from, std::size_t count) {
    double e = 0;
    for (std::size_t i = from; i < from + count && i < s.size(); ++i) e += s[i] * s[i];
    return e;
}

// Converts the sweep as the rip worker does: create, reserve the tag, hand
// over whole buffers, end, finish, close, tag.
bool Convert(const std::string& path, CConv2FileFormat target) {
    CConv2FileObj* conv = NewCConv2FileObj(FILE_CONVERSION_MP3, MP3_ENCODER_LAME);
    if (conv == nullptr) return false;
    const WAVEFORMATEX source = pcmtest::Pcm(kRate, 2, 16);
    CConv2FileFormat fitted(WAVE_FORMAT_MPEGLAYER3);
    conv->GetTargetFormat(&fitted, &target, &source, nullptr, nullptr);
    bool ok = conv->Create(path.c_str(), &fitted, &source) == 1 && conv->ReserveTagSpace() > 0;
    const std::vector<std::uint8_t> pcm = StereoPcm(Sweep());
    const auto block = static_cast<std::size_t>(std::max(conv->GetDesiredBufferSize(), 4));
    for (std::size_t at = 0; ok && at < pcm.size(); at += block) {
        ok = conv->WriteStreamData(pcm.data() + at, static_cast<std::int64_t>(std::min(block, pcm.size() - at)),
                                   nullptr) >= 0;
    }
    int done = 0;
    ok = ok && conv->EndWriteStream() == 0 && conv->FinalData(path.c_str(), "test", &done, nullptr) >= 0 && done == 1;
    conv->Close();
    TMusicInfo info;
    ok = ok && conv->WriteTag(path.c_str(), "test", &info, nullptr) > 0;
    DeleteRefObject(&conv);
    return ok;
}

CConv2FileFormat PresetTarget(std::int32_t preset) {
    CConv2FileFormat target(WAVE_FORMAT_MPEGLAYER3);
    target.soundQuality = SOUND_QUALITY_USER;
    target.usePreset = 1;
    target.preset = preset;
    return target;
}

class Conv2MP3Oracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("mpg123")) GTEST_SKIP() << "mpg123 is not installed";
    }
    testsupport::TempDir dir_;
};

TEST_F(Conv2MP3Oracle, EveryPresetDecodesToTheSource) {
    const std::vector<double> source = Sweep();
    // Telephone and short-wave quality keep the sweep but not its detail.
    const double minimumSnrDb[kMP3PresetCount] = {15, 15, 25, 15, 40, 40, 40, 40, 40, 40};
    for (std::int32_t preset = 1; preset <= kMP3PresetCount; ++preset) {
        SCOPED_TRACE(MP3Preset(preset)->nameKey);
        const std::string path = dir_.File("preset" + std::to_string(preset) + ".mp3");
        ASSERT_TRUE(Convert(path, PresetTarget(preset)));
        const std::vector<double> decoded = Decode(path);
        ASSERT_GE(decoded.size(), source.size());
        const TMatch match = Match(source, decoded, 8000);
        EXPECT_GT(match.snrDb, minimumSnrDb[preset - 1]) << "lag " << match.lag;
        // The end of the sweep is in the file, not only its beginning.
        const double tail = Energy(decoded, match.lag + kFrames - kLastFrameSamples, kLastFrameSamples);
        EXPECT_GT(tail, 0.5 * Energy(source, kFrames - kLastFrameSamples, kLastFrameSamples));
    }
}

TEST_F(Conv2MP3Oracle, AVbrFileDecodesToTheExactLength) {
    const std::vector<double> source = Sweep();
    for (const bool abr : {false, true}) {
        SCOPED_TRACE(abr ? "ABR" : "VBR");
        CConv2FileFormat target = PresetTarget(9);
        target.usePreset = 0;
        target.enableVBR = 1;
        target.enableABR = abr ? 1 : 0;
        const std::string path = dir_.File(abr ? "abr.mp3" : "vbr.mp3");
        ASSERT_TRUE(Convert(path, target));
        // The header's delay and padding let mpg123 cut the stream to the
        // source's samples exactly.
        const std::vector<double> decoded = Decode(path);
        ASSERT_EQ(decoded.size(), source.size());
        const TMatch match = Match(source, decoded, 0);
        EXPECT_EQ(match.lag, 0u);
        EXPECT_GT(match.snrDb, 20);
        const double tail = Energy(decoded, kFrames - kLastFrameSamples, kLastFrameSamples);
        EXPECT_GT(tail, 0.5 * Energy(source, kFrames - kLastFrameSamples, kLastFrameSamples));
    }
}

}  // namespace
