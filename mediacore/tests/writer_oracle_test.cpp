// The writer, fed a sine in blocks of random sizes in two input formats at
// the engine's CD profile (128 kbit/s, 44.1 kHz stereo): what ffprobe reads
// of the file, and how close the song comes back through the reader.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <sstream>

#include "mediacore/asf_file.h"
#include "mediacore/asf_header.h"
#include "mediacore/tests/media_test_helpers.h"
#include "mediacore/tests/mediacore_module.h"
#include "mediacore/tests/watchdog.h"
#include "mediacore/tests/wma_fixture.h"

namespace {

using namespace std::chrono_literals;
using mediatest::TMediaModule;

constexpr double kToneHz = 997.0;
constexpr double kSeconds = 2.0;
constexpr double kAmplitude = 0.5;
// The quietest the sine may come back: noise and coding error together at
// least this far (dB) below it.
constexpr double kMinSnrDb = 40.0;
constexpr int kFrameSamples = 2048;  // a Windows Media audio frame at 44.1 kHz

struct TInput {
    const char* name;
    DWORD rate;
    WORD channels;
    WORD bits;
    std::int32_t profileTag;  // the codec the profile asks for
    const char* codec;        // as ffprobe names it
};

std::vector<BYTE> Sine(const TInput& input) {
    const auto frames = static_cast<std::size_t>(kSeconds * input.rate);
    std::vector<BYTE> pcm;
    for (std::size_t n = 0; n < frames; ++n) {
        const double value = kAmplitude * std::sin(2.0 * M_PI * kToneHz * static_cast<double>(n) / input.rate);
        for (WORD c = 0; c < input.channels; ++c) {
            if (input.bits == 8) {
                pcm.push_back(static_cast<BYTE>(std::lround(128.0 + 127.0 * value)));
            } else {
                const auto sample = static_cast<std::int16_t>(std::lround(32767.0 * value));
                pcm.push_back(static_cast<BYTE>(sample & 0xFF));
                pcm.push_back(static_cast<BYTE>((sample >> 8) & 0xFF));
            }
        }
    }
    return pcm;
}

// Writes pcm in blocks of random sizes (not whole input blocks), the way the
// sound engine hands over what it has.
void WriteInRandomBlocks(IWMWriter* writer, const std::vector<BYTE>& pcm) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> sizes(1, 9000);
    QWORD time = 0;
    for (std::size_t at = 0; at < pcm.size();) {
        const std::size_t n = std::min(sizes(random), pcm.size() - at);
        INSSBuffer* sample = nullptr;
        ASSERT_EQ(writer->AllocateSample(static_cast<DWORD>(n), &sample), S_OK);
        BYTE* bytes = nullptr;
        DWORD length = 0;
        ASSERT_EQ(sample->GetBufferAndLength(&bytes, &length), S_OK);
        ASSERT_GE(length, n);
        std::memcpy(bytes, pcm.data() + at, n);
        ASSERT_EQ(sample->SetLength(static_cast<DWORD>(n)), S_OK);
        ASSERT_EQ(writer->WriteSample(0, time, 0, sample), S_OK);
        sample->Release();
        at += n;
        time += 10000;
    }
}

std::map<std::string, std::string> ProbeFields(const std::string& path) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(mediatest::Capture("ffprobe -v error -show_streams -show_format '" + path + "'"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        // The stream's fields come first; a format field of the same name
        // (duration, bit_rate) is kept under "format.".
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        if (fields.count(key) == 0) {
            fields[key] = line.substr(eq + 1);
        } else {
            fields["format." + key] = line.substr(eq + 1);
        }
    }
    return fields;
}

// Left channel of the decoded song, as the fraction of full scale.
std::vector<double> ReadBackLeft(TMediaModule& module, const std::string& path, WORD& channels) {
    IWMReader* reader = nullptr;
    EXPECT_EQ(module.WMCreateReader(nullptr, 0, &reader, nullptr), S_OK);
    IWMSyncReader* sync = nullptr;
    EXPECT_EQ(reader->QueryInterface(IID_IWMSyncReader, reinterpret_cast<void**>(&sync)), S_OK);
    reader->Release();
    const std::u16string wide = mediatest::Wide(path);
    EXPECT_EQ(sync->Open(wide.c_str()), S_OK);
    IWMOutputMediaProps* props = nullptr;
    EXPECT_EQ(sync->GetOutputProps(0, &props), S_OK);
    channels = mediatest::WaveFormatOf(props).nChannels;
    props->Release();
    std::vector<double> left;
    mediatest::PullSamples(sync, [&](const BYTE* bytes, DWORD length, QWORD, QWORD) {
        const auto* pcm = reinterpret_cast<const std::int16_t*>(bytes);
        for (DWORD i = 0; i < length / 2; i += channels) left.push_back(pcm[i] / 32768.0);
    });
    sync->Release();
    return left;
}

// How far (dB) the sine stands above everything else in the middle of the
// song: the best-fitting sine of the tone's frequency (any phase and gain)
// against what is left.
double SineSnrDb(const std::vector<double>& left, double rate) {
    const std::size_t from = static_cast<std::size_t>(0.2 * rate);
    const std::size_t to = left.size() - static_cast<std::size_t>(0.2 * rate);
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (std::size_t n = from; n < to; ++n) {
        const double phase = 2.0 * M_PI * kToneHz * static_cast<double>(n) / rate;
        const double s = std::sin(phase), c = std::cos(phase);
        ss += s * s, cc += c * c, sc += s * c, ys += left[n] * s, yc += left[n] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double signal = 0, noise = 0;
    for (std::size_t n = from; n < to; ++n) {
        const double phase = 2.0 * M_PI * kToneHz * static_cast<double>(n) / rate;
        const double fit = a * std::sin(phase) + b * std::cos(phase);
        signal += fit * fit;
        noise += (left[n] - fit) * (left[n] - fit);
    }
    return 10.0 * std::log10(signal / noise);
}

TEST(WriterOracle, SineInRandomBlocksComesBackAtTheProfilesFormat) {
    if (!mediatest::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg and ffprobe are needed";
    mediatest::CWatchdog watchdog(60s, "writing and reading back");
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    testsupport::TempDir dir;
    const TInput inputs[] = {{"cd", 44100, 2, 16, 0x161, "wmav2"},
                             {"low", 22050, 1, 8, 0x161, "wmav2"},
                             {"version 1", 44100, 2, 16, 0x160, "wmav1"}};
    for (const TInput& input : inputs) {
        SCOPED_TRACE(input.name);
        const ProfileRequest request = {128000, input.profileTag, 44100, 2};
        IWMProfile* profile = nullptr;
        ASSERT_EQ(module.GenerateProfile(&request, &profile), S_OK);
        const std::string path = dir.File(std::string(input.name) + ".wma");
        const std::u16string wide = mediatest::Wide(path);
        IWMWriter* writer = nullptr;
        ASSERT_EQ(module.WMCreateWriter(nullptr, &writer, wide.c_str()), S_OK);
        ASSERT_EQ(writer->SetProfile(profile), S_OK);
        module.ReleaseProfile(&profile);
        ASSERT_EQ(mediatest::SetPcmInput(writer, 1, input.rate, input.channels, input.bits), S_OK);
        ASSERT_EQ(writer->BeginWriting(), S_OK);
        WriteInRandomBlocks(writer, Sine(input));
        ASSERT_EQ(writer->EndWriting(), S_OK);
        EXPECT_EQ(writer->Flush(), S_OK);
        writer->Release();

        std::map<std::string, std::string> probe = ProbeFields(path);
        EXPECT_EQ(probe["codec_name"], input.codec);
        EXPECT_EQ(probe["sample_rate"], "44100");
        EXPECT_EQ(probe["channels"], "2");
        EXPECT_NEAR(std::atof(probe["bit_rate"].c_str()), 128000.0, 250.0);
        // The header tells the length: the input's, give or take a frame and
        // the coder's delay.
        EXPECT_NEAR(std::atof(probe["format.duration"].c_str()), kSeconds, 2.0 * kFrameSamples / 44100.0);

        // Our own header reader sees the same: the file's real size, the
        // duration and the stream's bitrate.
        std::vector<std::uint8_t> headerBytes;
        std::uint64_t fileSize = 0;
        TAsfHeader header;
        ASSERT_EQ(ReadAsfHeaderBytes(path, headerBytes, fileSize), S_OK);
        ASSERT_EQ(ReadAsfHeader(headerBytes, header), S_OK);
        EXPECT_EQ(header.fileSize, fileSize);
        EXPECT_NEAR(static_cast<double>(header.playDuration) / 1e7 - header.prerollMs / 1e3, kSeconds,
                    2.0 * kFrameSamples / 44100.0);

        WORD channels = 0;
        const std::vector<double> left = ReadBackLeft(module, path, channels);
        EXPECT_EQ(channels, 2);
        EXPECT_NEAR(static_cast<double>(left.size()), kSeconds * 44100.0, 2.0 * kFrameSamples);
        const double snr = SineSnrDb(left, 44100.0);
        EXPECT_GE(snr, kMinSnrDb);
        RecordProperty(std::string("snr_db_") + input.name, std::to_string(snr));
    }
}

}  // namespace
