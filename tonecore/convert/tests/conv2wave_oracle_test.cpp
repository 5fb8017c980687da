// WAV files the converter writes, read by outside tools: sox reads the
// format, the length and the samples (a sine converted to each WAV target,
// handed over in random blocks); ffprobe reads the INFO texts back. Each
// test skips when its tool is missing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2wave_file.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAmplitude = 12000.0;
constexpr double kToneHz = 441.0;
constexpr std::size_t kSourceFrames = 44100 / 2;

bool HaveTool(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        pclose(pipe);
    }
    return out;
}

// The tone at 44100 Hz, 16-bit stereo, the same in both channels.
std::vector<std::uint8_t> Tone() {
    std::vector<int> samples;
    for (std::size_t i = 0; i < kSourceFrames; ++i) {
        const int v = static_cast<int>(std::lround(kAmplitude * std::sin(2 * kPi * kToneHz * static_cast<double>(i) / 44100.0)));
        samples.push_back(v);
        samples.push_back(v);
    }
    return pcmtest::Bytes16(samples);
}

// Converts the tone to the target in random blocks and finishes the file
// with the song's texts.
bool WriteTone(const std::string& path, std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
               TMusicInfo* info) {
    CConv2FileFormat target(1);
    target.soundQuality = SOUND_QUALITY_USER;
    target.usePreset = 0;
    target.nSamplesPerSec = rate;
    target.nChannels = channels;
    target.wBitsPerSample = bits;
    target.CalcBlockAlignNAvgBytesPerSec();
    const WAVEFORMATEX source = pcmtest::Pcm(44100, 2, 16);
    const std::vector<std::uint8_t> pcm = Tone();
    auto* converter = new CConv2WaveFile();
    bool ok = converter->Create(path.c_str(), &target, &source) == 1;
    std::mt19937 random(rate + channels + bits);
    for (std::size_t at = 0; ok && at < pcm.size();) {
        const std::size_t size = std::min<std::size_t>(1 + random() % 9000, pcm.size() - at);
        ok = converter->WriteStreamData(pcm.data() + at, static_cast<std::int64_t>(size), nullptr) >= 0;
        at += size;
    }
    int done = 0;
    ok = ok && converter->EndWriteStream() >= 0 && converter->FinalData(path.c_str(), "Trackpress", &done, info) >= 0;
    converter->Close();
    DeleteRefObject(&converter);
    return ok && done == 1;
}

TEST(Conv2WaveOracle, SoxReadsEveryTargetWithItsLengthAndSamples) {
    if (!HaveTool("sox") || !HaveTool("soxi")) GTEST_SKIP() << "sox is not installed";
    struct Case {
        std::uint32_t rate;
        std::uint16_t channels;
        std::uint16_t bits;
        int tolerance;  // on the 16-bit scale
    };
    const Case cases[] = {
        {44100, 2, 16, 1}, {22050, 2, 16, 1}, {11025, 2, 16, 1}, {44100, 1, 16, 1},
        {22050, 1, 8, 257}, {11025, 2, 8, 257},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " ch, " << c.bits << " bit");
        const std::string path = dir.File("tone.wav");
        ASSERT_TRUE(WriteTone(path, c.rate, c.channels, c.bits, nullptr));
        const std::size_t frames = kSourceFrames * c.rate / 44100;
        std::istringstream info(Output("soxi -r '" + path + "'; soxi -c '" + path + "'; soxi -b '" + path +
                                       "'; soxi -s '" + path + "'"));
        std::uint32_t rate = 0, channels = 0, bits = 0;
        std::size_t samples = 0;
        info >> rate >> channels >> bits >> samples;
        EXPECT_EQ(rate, c.rate);
        EXPECT_EQ(channels, c.channels);
        EXPECT_EQ(bits, c.bits);
        EXPECT_EQ(samples, frames);

        const std::string raw = dir.File("tone.raw");
        ASSERT_EQ(std::system(("sox '" + path + "' -t raw -e signed-integer -b 16 '" + raw + "'").c_str()), 0);
        const std::string bytes = testsupport::ReadWholeFile(raw);
        ASSERT_EQ(bytes.size(), frames * c.channels * 2);
        const std::vector<int> decoded =
            pcmtest::Samples16(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), frames * c.channels);
        // Written unchanged, target frame k is source frame k. Converted, it
        // holds the source at (k + 1) target periods (the converter starts
        // one source frame on), and the last frame holds the last source
        // frame, so it is left out.
        const bool converted = c.rate != 44100 || c.channels != 2 || c.bits != 16;
        const std::size_t lead = converted ? 1 : 0;
        int worst = 0;
        for (std::size_t k = 0; k + 1 < frames; ++k) {
            const double t = static_cast<double>(k + lead) / c.rate;
            const int expected = static_cast<int>(std::lround(kAmplitude * std::sin(2 * kPi * kToneHz * t)));
            for (std::size_t ch = 0; ch < c.channels; ++ch) {
                worst = std::max(worst, std::abs(decoded[k * c.channels + ch] - expected));
            }
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(Conv2WaveOracle, InfoTextsReadBack) {
    if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
    testsupport::TempDir dir;
    const std::string path = dir.File("tagged.wav");
    TMusicInfo info;
    info.tagType = TAG_TYPE_ID3V2;
    std::strcpy(info.title, "Odd Title");
    std::strcpy(info.artist, "Some Band");
    std::strcpy(info.album, "The Album");
    std::strcpy(info.comment, "ripped here");
    info.year = 2003;
    info.trackNumber = 4;
    info.trackCount = 11;
    ASSERT_TRUE(WriteTone(path, 22050, 1, 16, &info));
    const std::string tags = Output("ffprobe -v error -show_entries format_tags -of default=nw=1 '" + path + "'");
    for (const char* expected : {"TAG:title=Odd Title", "TAG:artist=Some Band", "TAG:IALB=The Album",
                                 "TAG:comment=ripped here", "TAG:date=2003", "TAG:track=4/11",
                                 "TAG:encoder=Trackpress"}) {
        EXPECT_NE(tags.find(expected), std::string::npos) << expected << " in\n" << tags;
    }
}

}  // namespace
