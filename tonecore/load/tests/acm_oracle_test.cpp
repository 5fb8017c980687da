// Compressed WAV songs against sox: sox encodes a generated signal in each
// encoding the codec layer decodes and decodes it again as the reference.
// The decoding object must give the same PCM (sample for sample), the right
// length and peaks, and seeks that continue as the straight decode does.
// MPEG layer 3 in WAV is checked against the engine's MPEG decoder reading
// the same frames from a plain file. Each test skips when a tool is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "testsupport/temp_dir.h"
#include "tonecore/load/acm_buffer.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/load/tests/acm_test_support.h"

namespace {

bool RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
bool Have(const char* tool) { return RunQuiet(std::string("command -v ") + tool); }

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    const std::string text = testsupport::ReadWholeFile(path);
    return {text.begin(), text.end()};
}

std::uint32_t Le32(const std::uint8_t* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// Where a WAV file keeps its "fmt " record and its sample data.
struct TWavLayout {
    std::vector<std::uint8_t> format;
    std::int64_t dataStart = -1;
    std::int64_t dataEnd = -1;
};

TWavLayout WalkWav(const std::vector<std::uint8_t>& file) {
    TWavLayout layout;
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::uint32_t size = Le32(&file[at + 4]);
        const std::size_t body = at + 8;
        const std::size_t present = std::min<std::size_t>(size, file.size() - body);
        if (std::memcmp(&file[at], "fmt ", 4) == 0) layout.format.assign(&file[body], &file[body] + present);
        if (std::memcmp(&file[at], "data", 4) == 0) {
            layout.dataStart = static_cast<std::int64_t>(body);
            layout.dataEnd = static_cast<std::int64_t>(body + present);
        }
        at = body + size + (size & 1);
    }
    return layout;
}

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return out;
}

// A compressed song opened as the engine opens one: the file stream with
// its data window, a decoding object on its "fmt " record, and one scan.
class CScannedSong {
public:
    explicit CScannedSong(const std::string& path) : layout_(WalkWav(FileBytes(path))) {
        file_ = new CFileObj;
        EXPECT_EQ(file_->Open(path.c_str(), 0, 0), 1);
        file_->SetDataOffsets(layout_.dataStart, layout_.dataEnd);
        decoder_ = std::make_unique<ACMObject>(reinterpret_cast<const WAVEFORMATEX*>(layout_.format.data()),
                                               static_cast<std::uint32_t>(layout_.format.size()), kAcmUseDecode);
        EXPECT_EQ(decoder_->SuggestPCMFormat(), 1);
        decoder_->ParseScanAndBuild(file_, map_, peaks_, &lengthMs_, &bytesDone_, layout_.dataStart,
                                    layout_.dataEnd, 0, 1, 1, 1, 10, 0, 0, nullptr, nullptr);
    }
    ~CScannedSong() {
        ReleaseSeekMap(&map_);
        delete peaks_;
        decoder_.reset();
        DeleteRefObject(&file_);
    }
    CScannedSong(const CScannedSong&) = delete;
    CScannedSong& operator=(const CScannedSong&) = delete;

    // Everything from position on, read in pieces of piece bytes.
    std::vector<std::uint8_t> ReadFrom(std::int64_t position, std::size_t count, std::uint32_t piece,
                                       bool withMap) {
        acmtest::TBufferedSource source(*decoder_, file_, withMap ? map_ : nullptr);
        EXPECT_EQ(source.buffer->Seek(position), 1);
        EXPECT_EQ(source.buffer->DecodedPosition(), position);
        return acmtest::ReadThrough(*source.buffer, count, piece);
    }

    ACMObject& Decoder() { return *decoder_; }
    CSeekMap* Map() const { return map_; }
    CPeaks* Peaks() const { return peaks_; }
    std::int32_t LengthMs() const { return lengthMs_; }
    std::int64_t BytesDone() const { return bytesDone_; }
    std::int64_t DataSize() const { return layout_.dataEnd - layout_.dataStart; }

private:
    TWavLayout layout_;
    CFileObj* file_ = nullptr;
    std::unique_ptr<ACMObject> decoder_;
    CSeekMap* map_ = nullptr;
    CPeaks* peaks_ = nullptr;
    std::int32_t lengthMs_ = -1;
    std::int64_t bytesDone_ = 0;
};

struct TEncoding {
    const char* soxEncoding;
    int channels;
    int rate;
    // Whether a decode that starts at a block gives exactly what the
    // straight decode gives there (false for codecs with state across
    // blocks).
    bool blocksIndependent;
};

class AcmAgainstSox : public ::testing::TestWithParam<TEncoding> {};

TEST_P(AcmAgainstSox, DecodesSeeksAndMeasuresAsSoxDecodes) {
    if (!Have("sox")) GTEST_SKIP() << "needs sox";
    const TEncoding& e = GetParam();
    testsupport::TempDir dir;
    const std::string plain = dir.File("plain.wav");
    const std::string coded = dir.File("coded.wav");
    const std::string reference = dir.File("reference.raw");
    ASSERT_TRUE(RunQuiet("sox -R -n -r " + std::to_string(e.rate) + " -c " + std::to_string(e.channels) + " -b 16 " +
                         plain + " synth 1.3 sine 200-4000 pinknoise"));
    ASSERT_TRUE(RunQuiet(std::string("sox ") + plain + " -e " + e.soxEncoding + " " + coded));
    ASSERT_TRUE(RunQuiet("sox -D " + coded + " -t raw -e signed-integer -b 16 -L " + reference));
    const std::vector<std::uint8_t> expected = FileBytes(reference);
    ASSERT_FALSE(expected.empty());

    CScannedSong song(coded);
    const WAVEFORMATEX* pcm = song.Decoder().GetDestFormat();
    ASSERT_NE(pcm, nullptr);
    ASSERT_NE(song.Map(), nullptr);
    ASSERT_NE(song.Peaks(), nullptr);
    EXPECT_EQ(song.BytesDone(), song.DataSize() - song.DataSize() % song.Decoder().BlockSize(song.Decoder().GetSrcFormat()));

    const std::vector<std::uint8_t> decoded = song.ReadFrom(0, expected.size() + 100000, 4410, true);
    // Whole blocks decode; sox may also decode a last partial block.
    const std::size_t blockBytes =
        static_cast<std::size_t>(song.Decoder().GetConvertedBufferSize(song.Decoder().BlockSize(song.Decoder().GetSrcFormat())));
    ASSERT_LE(decoded.size(), expected.size());
    ASSERT_GT(decoded.size() + blockBytes, expected.size());
    const std::vector<std::uint8_t> common(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(decoded.size()));
    EXPECT_TRUE(decoded == common) << "decoded PCM differs from sox's";

    // The length and the map's end are those of the decoded bytes.
    EXPECT_EQ(song.LengthMs(), static_cast<std::int32_t>(decoded.size() * 1000.0 / pcm->nAvgBytesPerSec));
    EXPECT_EQ(song.Map()->SeekMapKeyAt(song.Map()->Count() - 1), static_cast<std::int64_t>(decoded.size()));
    // One peak per 10 ms, the loudest left sample as the maximum.
    const std::vector<std::int16_t> samples = Samples(decoded);
    std::int32_t loudestLeft = 0;
    for (std::size_t i = 0; i < samples.size(); i += static_cast<std::size_t>(e.channels)) {
        loudestLeft = std::max(loudestLeft, std::abs(static_cast<std::int32_t>(samples[i])));
    }
    EXPECT_EQ(song.Peaks()->GetMaxLeft(), loudestLeft);
    EXPECT_NEAR(song.Peaks()->GetNumPeaks(), static_cast<std::uint32_t>(song.LengthMs() / 10), 1);

    std::mt19937 rng(static_cast<unsigned>(e.rate + e.channels));
    const std::size_t frame = 2u * static_cast<std::size_t>(e.channels);
    for (int i = 0; i < 4; ++i) {
        const std::int64_t position =
            static_cast<std::int64_t>((rng() % (decoded.size() / frame - 100)) * frame);
        for (bool withMap : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "seek to " << position << (withMap ? " with" : " without") << " map");
            const std::vector<std::uint8_t> after = song.ReadFrom(position, 8000, 1000, withMap);
            const std::vector<std::uint8_t> straight(
                decoded.begin() + position,
                decoded.begin() + std::min<std::int64_t>(position + 8000, static_cast<std::int64_t>(decoded.size())));
            ASSERT_EQ(after.size(), straight.size());
            if (e.blocksIndependent) {
                EXPECT_TRUE(after == straight);
            } else {
                // A decoder restarted at a block has its own history: it
                // comes close to the straight decode.
                double difference = 0.0;
                double power = 1.0;
                const std::vector<std::int16_t> a = Samples(after);
                const std::vector<std::int16_t> b = Samples(straight);
                for (std::size_t k = 0; k < a.size(); ++k) {
                    difference += (a[k] - b[k]) * static_cast<double>(a[k] - b[k]);
                    power += b[k] * static_cast<double>(b[k]);
                }
                EXPECT_LT(difference / power, 0.05);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, AcmAgainstSox,
                         ::testing::Values(TEncoding{"ima-adpcm", 1, 8000, true},
                                           TEncoding{"ima-adpcm", 2, 22050, true},
                                           TEncoding{"ms-adpcm", 1, 11025, true},
                                           TEncoding{"ms-adpcm", 2, 44100, true},
                                           TEncoding{"a-law", 2, 8000, true},
                                           TEncoding{"u-law", 1, 16000, true},
                                           TEncoding{"gsm-full-rate", 1, 8000, false}),
                         [](const ::testing::TestParamInfo<TEncoding>& info) {
                             std::string name = std::string(info.param.soxEncoding) +
                                                (info.param.channels == 2 ? "_stereo" : "_mono");
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// A WAV file holding MPEG layer 3 frames (format tag 0x55).
std::vector<std::uint8_t> Mp3Wav(const std::vector<std::uint8_t>& frames, std::uint16_t channels,
                                 std::uint32_t rate, std::uint32_t bitRate) {
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    auto tag = [&out](const char* id) { out.insert(out.end(), id, id + 4); };
    tag("RIFF");
    put(4 + 8 + 30 + 8 + static_cast<std::uint32_t>(frames.size()), 4);
    tag("WAVE");
    tag("fmt ");
    put(30, 4);
    put(WAVE_FORMAT_MPEGLAYER3, 2);
    put(channels, 2);
    put(rate, 4);
    put(bitRate / 8, 4);
    put(1, 2);   // block align
    put(0, 2);   // bits
    put(12, 2);  // extension: id, flags, block size, frames per block, codec delay
    put(1, 2);
    put(2, 4);
    put(144 * bitRate / rate, 2);
    put(1, 2);
    put(1393, 2);
    tag("data");
    put(static_cast<std::uint32_t>(frames.size()), 4);
    out.insert(out.end(), frames.begin(), frames.end());
    return out;
}

TEST(AcmMp3InWav, DecodesAsTheMpegDecoderReadingTheFramesDirectly) {
    if (!Have("sox") || !Have("lame")) GTEST_SKIP() << "needs sox and lame";
    testsupport::TempDir dir;
    const std::string plain = dir.File("plain.wav");
    const std::string mp3 = dir.File("song.mp3");
    ASSERT_TRUE(RunQuiet("sox -R -n -r 44100 -c 2 -b 16 " + plain + " synth 1.5 sine 200-4000 pinknoise"));
    ASSERT_TRUE(RunQuiet("lame --quiet -t --cbr -b 128 " + plain + " " + mp3));
    const std::vector<std::uint8_t> frames = FileBytes(mp3);
    const std::string wav = dir.File("song.wav");
    const std::vector<std::uint8_t> wavBytes = Mp3Wav(frames, 2, 44100, 128000);
    testsupport::WriteWholeFile(wav, std::string(wavBytes.begin(), wavBytes.end()));

    const mpegtest::TDecoded direct = mpegtest::DecodeFile(mp3);
    ASSERT_EQ(direct.openResult, 0);
    std::vector<std::uint8_t> expected(direct.pcm.size() * 2);
    std::memcpy(expected.data(), direct.pcm.data(), expected.size());

    CScannedSong song(wav);
    char text[200] = {};
    ASSERT_EQ(song.Decoder().GetSrcFormatStr(text, sizeof text), 1);  // the scan's stream is open
    EXPECT_NE(std::string(text).find("MPEG Layer-3"), std::string::npos) << text;
    const std::vector<std::uint8_t> decoded = song.ReadFrom(0, expected.size() + 100000, 8820, true);
    EXPECT_EQ(decoded.size(), expected.size());
    EXPECT_TRUE(decoded == expected) << "layer 3 in WAV differs from the MPEG decoder's own output";
    EXPECT_EQ(song.LengthMs(), static_cast<std::int32_t>(expected.size() * 1000.0 / 176400));
    ASSERT_NE(song.Map(), nullptr);
    EXPECT_EQ(song.Map()->SeekMapKeyAt(song.Map()->Count() - 1), static_cast<std::int64_t>(expected.size()));
    // A seek lands at its position and reads on.
    EXPECT_EQ(song.ReadFrom(100000, 8000, 1000, true).size(), 8000u);
    EXPECT_EQ(song.ReadFrom(100000, 8000, 1000, false).size(), 8000u);
}

}  // namespace
