// The WMA decoding object against the ffmpeg program: songs it made load
// with its length and bit rate, decode to its own decode, and go on from a
// seek exactly as a straight decode does.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "mediacore/tests/wma_fixture.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/load/tests/wma_test_support.h"
#include "tonecore/load/wma_errors.h"

namespace {

using mediatest::TWmaSpec;

const TWmaSpec kSongs[] = {
    {"wmav2", 44100, 2, 128}, {"wmav2", 48000, 2, 96}, {"wmav2", 22050, 1, 32},
    {"wmav1", 44100, 2, 128}, {"wmav1", 48000, 1, 64}, {"wmav1", 22050, 2, 48},
};
constexpr double kSeconds = 1.6;

double Probe(const std::string& path, const std::string& entry) {
    return std::atof(mediatest::Capture("ffprobe -v error -show_entries " + entry + " -of csv=p=0 '" + path + "'")
                         .c_str());
}

class WmaDecodeOracle : public ::testing::TestWithParam<TWmaSpec> {
protected:
    void SetUp() override {
        if (!mediatest::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
        path_ = mediatest::MakeWma(dir_, GetParam(), kSeconds);
        ASSERT_FALSE(path_.empty());
        reference_ = mediatest::FfmpegDecode(path_);
        ASSERT_FALSE(reference_.empty());
    }

    // Version 1 fills its lowest bands with the decoder's running noise
    // generator, which a restarted decode cannot continue; what is coded
    // comes out the same. A sample off in time would differ by far more.
    int SeekTolerance() const { return std::string(GetParam().codec) == "wmav1" ? 256 : 1; }

    testsupport::TempDir dir_;
    std::string path_;
    std::vector<std::int16_t> reference_;
};

TEST_P(WmaDecodeOracle, LoadsWithTheProbedLengthAndDecodesToTheReference) {
    wmatest::TLoadedSong song(path_);
    ASSERT_TRUE(song.loaded) << GetLastError();
    const TWmaSpec spec = GetParam();
    const WAVEFORMATEX* out = song.decoder->GetDestFormat();
    EXPECT_EQ(out->nSamplesPerSec, static_cast<std::uint32_t>(spec.rate));
    EXPECT_EQ(out->nChannels, spec.channels);
    EXPECT_EQ(out->wBitsPerSample, 16);
    const WAVEFORMATEX* in = song.decoder->GetSrcFormat();
    EXPECT_EQ(in->wFormatTag, 0x161);
    EXPECT_EQ(in->nBlockAlign, 2 * spec.channels);
    EXPECT_EQ(in->nAvgBytesPerSec, static_cast<std::uint32_t>(song.decoder->GetBitRate() / 8));

    const double probedMs = Probe(path_, "format=duration") * 1000.0;
    EXPECT_NEAR(static_cast<double>(song.decoder->GetDuration()), probedMs, 2.0);
    const double probedBitRate = Probe(path_, "stream=bit_rate");
    EXPECT_NEAR(song.decoder->GetBitRate(), probedBitRate, probedBitRate * 0.02);
    // The data window is the song's size at its bit rate.
    EXPECT_EQ(song.stream->GetDataStart(), 0);
    EXPECT_EQ(song.stream->DataSize(), song.decoder->GetDataSize());

    ASSERT_EQ(song.buffer->Seek(0), 1);
    const std::vector<std::int16_t> decoded = wmatest::ReadToEnd(*song.buffer, 7);
    EXPECT_EQ(decoded.size(), reference_.size());
    EXPECT_LE(wmatest::MaxDifference(decoded, reference_), 1);
    // The song ended: the reader is closed and the stream stands at its end.
    EXPECT_FALSE(song.decoder->IsOpen());
    EXPECT_GE(song.stream->Tell(), song.stream->GetDataEnd());
}

TEST_P(WmaDecodeOracle, SeeksGoOnAsAStraightDecode) {
    wmatest::TLoadedSong song(path_);
    ASSERT_TRUE(song.loaded) << GetLastError();
    const WAVEFORMATEX* out = song.decoder->GetDestFormat();
    const std::int64_t duration = song.decoder->GetDuration();
    // The decoded song may end a little before the file's stated duration.
    const std::int64_t decodedMs =
        static_cast<std::int64_t>(reference_.size() / out->nChannels) * 1000 / out->nSamplesPerSec;
    // 50 ms, two points within the first 100 ms (the reader restarts at 0),
    // mid-song, and within the last second.
    const std::int64_t targetsMs[] = {50, 1, 73, decodedMs / 2, decodedMs - 700, decodedMs - 30};
    for (const std::int64_t ms : targetsMs) {
        SCOPED_TRACE(ms);
        const std::int64_t position = ms * out->nSamplesPerSec / 1000 * out->nBlockAlign;
        ASSERT_EQ(song.buffer->Seek(position), 1);
        const std::vector<std::int16_t> rest = wmatest::ReadToEnd(*song.buffer, static_cast<std::uint32_t>(ms));
        const std::size_t from = static_cast<std::size_t>(position / 2);
        ASSERT_LE(from, reference_.size());
        EXPECT_EQ(rest.size(), reference_.size() - from);
        EXPECT_LE(wmatest::MaxDifference(rest, reference_, from), SeekTolerance());
        // The read ran to the end and closed the reader: open it again.
        ASSERT_EQ(song.decoder->EnableStream(1), 1);
    }
    const bool past = song.decoder->Seek(static_cast<double>(duration + 50));
    EXPECT_FALSE(past);
    EXPECT_FALSE(song.decoder->IsStarted());
}

TEST_P(WmaDecodeOracle, PeakScanMeasuresTheDecodedLength) {
    wmatest::TLoadedSong song(path_);
    ASSERT_TRUE(song.loaded) << GetLastError();
    const WAVEFORMATEX* out = song.decoder->GetDestFormat();
    CSeekMap* map = nullptr;
    CPeaks* peaks = nullptr;
    std::int32_t length = 0;
    std::int64_t done = 0;
    song.decoder->ParseScanAndBuild(song.stream.get(), map, peaks, &length, &done, 0, song.decoder->GetDataSize(), 0,
                                    1, 1, 0, 10, 1, 0, nullptr, nullptr);
    ASSERT_NE(peaks, nullptr);
    EXPECT_EQ(map, nullptr);
    const auto expected = static_cast<std::int32_t>(static_cast<double>(reference_.size()) * 2 * 1000.0 /
                                                    out->nAvgBytesPerSec);
    EXPECT_EQ(length, expected);
    EXPECT_NEAR(static_cast<double>(peaks->GetNumPeaks()), length / 10.0, 2.0);
    EXPECT_NEAR(static_cast<double>(done), static_cast<double>(song.decoder->GetDataSize()),
                song.decoder->GetDataSize() * 0.05);
    delete peaks;
}

TEST_P(WmaDecodeOracle, ConvertDeliversTheSongThenNothingAtItsEnd) {
    wmatest::TLoadedSong song(path_);
    ASSERT_TRUE(song.loaded) << GetLastError();
    WMAObject& decoder = *song.decoder;
    std::vector<std::uint8_t> block(7000);
    std::uint8_t* out = block.data();
    std::int64_t consumed = -1;
    // A reader that was never started gives nothing, and closes.
    EXPECT_EQ(decoder.Convert(nullptr, consumed, out, 7000, kConversionNext, 0), -1);
    EXPECT_EQ(consumed, 0);
    EXPECT_FALSE(decoder.IsOpen());

    std::vector<std::uint8_t> all;
    TConversionFlag flag = kConversionFirst;
    for (;;) {
        const std::int64_t got = decoder.Convert(nullptr, consumed, out, 7000, flag, 0);
        flag = kConversionNext;
        ASSERT_GE(got, 0);
        if (got == 0) break;
        EXPECT_EQ(consumed, decoder.GetSourceBufferSize(got));
        all.insert(all.end(), block.begin(), block.begin() + got);
    }
    EXPECT_TRUE(decoder.IsEOF());
    EXPECT_EQ(all.size(), reference_.size() * 2);
    EXPECT_EQ(decoder.Convert(nullptr, consumed, out, 7000, kConversionNext, 0), 0);
    // Flag 1 starts the song over.
    EXPECT_EQ(decoder.Convert(nullptr, consumed, out, 7000, kConversionFirst, 0), 7000);
    EXPECT_EQ(0, std::memcmp(out, all.data(), 7000));
}

INSTANTIATE_TEST_SUITE_P(Songs, WmaDecodeOracle, ::testing::ValuesIn(kSongs),
                         [](const auto& info) { return mediatest::SpecName(info.param); });

// Answers a script of progress answers (then 1) and records the calls.
struct TScript {
    std::vector<int> answers;
    std::vector<std::uint32_t> calls;
    static int Answer(std::uint32_t bytes, void* context) {
        auto* script = static_cast<TScript*>(context);
        const std::size_t n = script->calls.size();
        script->calls.push_back(bytes);
        return n < script->answers.size() ? script->answers[n] : 1;
    }
};

TEST(WmaPeakScan, HoldsWhileAskedAndCancelsOnZero) {
    if (!mediatest::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    testsupport::TempDir dir;
    const std::string path = mediatest::MakeWma(dir, {"wmav2", 44100, 2, 128}, 1.0);
    ASSERT_FALSE(path.empty());
    struct TCase {
        std::vector<int> answers;
        bool cancelled;
    };
    const TCase cases[] = {{{1, -1, -1, 7}, false}, {{1, -1, 0}, true}, {{0}, true}};
    for (const TCase& c : cases) {
        wmatest::TLoadedSong song(path);
        ASSERT_TRUE(song.loaded);
        TScript script{c.answers, {}};
        CSeekMap* map = nullptr;
        CPeaks* peaks = nullptr;
        std::int32_t length = 0;
        song.decoder->ParseScanAndBuild(song.stream.get(), map, peaks, &length, nullptr, 0, song.decoder->GetDataSize(),
                                        0, 1, 1, 0, 10, 1, 0, &TScript::Answer, &script);
        EXPECT_EQ(peaks == nullptr, c.cancelled);
        EXPECT_EQ(length == 0, c.cancelled);
        // A hold asks again with 0 until another answer comes.
        for (std::size_t i = 0; i + 1 < script.calls.size() && i < c.answers.size(); ++i) {
            if (c.answers[i] == -1) {
                EXPECT_EQ(script.calls[i + 1], 0u) << i;
            }
        }
        if (c.cancelled) {
            EXPECT_EQ(script.calls.size(), c.answers.size());
        }
        delete peaks;
    }
}

TEST(WmaBufferLoop, ALoopedSongStartsOverAtItsEnd) {
    if (!mediatest::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    testsupport::TempDir dir;
    const std::string path = mediatest::MakeWma(dir, {"wmav2", 22050, 1, 32}, 0.6);
    ASSERT_FALSE(path.empty());
    const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(path);
    wmatest::TLoadedSong song(path);
    ASSERT_TRUE(song.loaded);
    song.stream->SetDataMode(CRefObj::kLoopData);
    ASSERT_EQ(song.buffer->Seek(0), 1);
    // Two and a half rounds, read in pieces that straddle the song's end.
    const std::size_t wanted = reference.size() * 5 / 2;
    std::vector<std::int16_t> looped;
    std::vector<std::int16_t> piece(3001);
    while (looped.size() < wanted) {
        const std::int64_t got = song.buffer->ReadData(reinterpret_cast<BYTE*>(piece.data()), 3001 * 2);
        ASSERT_GT(got, 0);
        looped.insert(looped.end(), piece.begin(), piece.begin() + got / 2);
    }
    for (std::size_t i = 0; i < wanted; ++i) {
        ASSERT_LE(std::abs(looped[i] - reference[i % reference.size()]), 1) << i;
    }
}

// A header stating a duration of thousands of years: the object still loads
// the song and decodes all of it, its stated length held to what the file's
// size allows.
TEST(WmaStatedDuration, AHugeDurationIsHeldToTheFileSize) {
    if (!mediatest::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    testsupport::TempDir dir;
    const std::string path = mediatest::MakeWma(dir, {"wmav2", 22050, 1, 32}, 1.0);
    ASSERT_FALSE(path.empty());
    const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(path);
    std::string bytes = testsupport::ReadWholeFile(path);
    // The File Properties Object's GUID; its play duration lies 64 bytes in.
    const std::string fileProperties("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
    const std::size_t at = bytes.find(fileProperties);
    ASSERT_NE(at, std::string::npos);
    for (int i = 0; i < 8; ++i) bytes[at + 64 + i] = i == 7 ? '\x7F' : '\xFF';
    testsupport::WriteWholeFile(path, bytes);

    wmatest::TLoadedSong song(path);
    ASSERT_TRUE(song.loaded);
    EXPECT_GT(song.decoder->GetDuration(), 0);
    EXPECT_LE(song.decoder->GetDuration(), 10'000) << "no more than the file's bytes can hold";
    EXPECT_GT(song.decoder->GetDataSize(), 0);
    ASSERT_EQ(song.buffer->Seek(0), 1);
    const std::vector<std::int16_t> decoded = wmatest::ReadToEnd(*song.buffer, 5);
    EXPECT_EQ(decoded.size(), reference.size());
}

}  // namespace
