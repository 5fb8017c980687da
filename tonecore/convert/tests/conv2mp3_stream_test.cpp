// The MP3 converter's stream: what reaches the encoder library (through a
// stand-in that hands every value back as it came), the configuration
// records of both kinds, chunking, the end of the stream and failures.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/convert/blade_conv2mp3.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conversion_errors.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/lame_conv2mp3.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

using pcmtest::Bytes16;
using pcmtest::Pcm;
using pcmtest::Samples16;

void* IdentityModule() {
    static void* module = dlopen(TRACKPRESS_IDENTITY_ENCODER_MODULE, RTLD_NOW);
    return module;
}

template <typename T>
T Query(const char* name) {
    return reinterpret_cast<T>(dlsym(IdentityModule(), name));
}

TEncoderConfig LastConfig() {
    TEncoderConfig config{};
    Query<void (*)(TEncoderConfig*)>("IdentityLastConfig")(&config);
    return config;
}

// A converter of an encoder kind whose library is the stand-in.
template <typename Base>
class CIdentityConverter : public Base {
public:
    void* EncoderModule() override { return IdentityModule(); }
};

// An MP3 target at the CD preset's settings, with the mode given.
CConv2FileFormat Target(std::int32_t mode) {
    CConv2FileFormat target(WAVE_FORMAT_MPEGLAYER3);
    target.usePreset = 0;
    target.mode = mode;
    target.nChannels = mode == 3 ? 1 : 2;
    target.CalcBlockAlignNAvgBytesPerSec();
    return target;
}

constexpr std::size_t kFileMarkerBytes = 4;  // the stand-in's "END!"

class Conv2MP3Stream : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(IdentityModule(), nullptr) << dlerror();
        Query<void (*)()>("IdentityReset")();
        path_ = dir_.File("out.mp3");
    }

    // Converts pcm in blocks of the given sizes (the last takes the rest);
    // the 16-bit values the encoder was given, in order.
    std::vector<int> Convert(CConv2FileFormat target, const WAVEFORMATEX& source,
                             const std::vector<std::uint8_t>& pcm, std::vector<std::size_t> blocks) {
        auto* conv = new CIdentityConverter<CLameConv2MP3>();
        EXPECT_EQ(conv->Create(path_.c_str(), &target, &source), 1);
        std::size_t at = 0;
        for (std::size_t i = 0; at < pcm.size(); ++i) {
            const std::size_t n = i < blocks.size() ? std::min(blocks[i], pcm.size() - at) : pcm.size() - at;
            std::int64_t accepted = -1;
            EXPECT_GE(conv->WriteStreamData(pcm.data() + at, static_cast<std::int64_t>(n), &accepted), 0);
            EXPECT_EQ(accepted, static_cast<std::int64_t>(n)) << "every byte handed over is taken";
            at += n;
        }
        EXPECT_EQ(conv->EndWriteStream(), 0);
        int done = 0;
        EXPECT_GE(conv->FinalData(path_.c_str(), "test", &done, nullptr), 0);
        EXPECT_EQ(done, 1);
        conv->Close();
        DeleteRefObject(&conv);
        const std::string file = testsupport::ReadWholeFile(path_);
        EXPECT_GE(file.size(), kFileMarkerBytes);
        EXPECT_EQ(file.substr(file.size() - kFileMarkerBytes), "END!");
        const std::vector<std::uint8_t> bytes(file.begin(), file.end() - kFileMarkerBytes);
        return Samples16(bytes, bytes.size() / 2);
    }

    testsupport::TempDir dir_;
    std::string path_;
};

std::vector<int> Ramp(std::size_t count) {
    std::vector<int> values(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = static_cast<int>(i % 60000) - 30000;
    return values;
}

TEST_F(Conv2MP3Stream, EveryValueReachesTheEncoderWhateverTheBlocks) {
    // 1.3 chunks, whole buffers, odd blocks: the encoder sees the stream in
    // order, and the part short of a whole chunk at the end is not lost.
    const std::vector<int> values = Ramp(2 * 44100 + 2 * 300);
    const std::vector<std::vector<std::size_t>> splits = {
        {}, {4 * 1152 + 4, 8}, {179712}, {4, 4, 4, 9212, 100000}};
    for (const auto& blocks : splits) {
        SCOPED_TRACE(blocks.size());
        EXPECT_EQ(Convert(Target(0), Pcm(44100, 2, 16), Bytes16(values), blocks), values);
    }
}

TEST_F(Conv2MP3Stream, ChannelsAreMixedOrDoubledForTheTargetMode) {
    struct TCase {
        const char* name;
        std::int32_t mode;
        std::uint16_t channels;
        std::vector<int> in;
        std::vector<int> out;
    };
    const TCase cases[] = {
        // The average of the two sides; a sum would clip loud music.
        {"stereo to mono", 3, 2, {30000, 10000, -32768, -32768, 32767, -32768, 5, 6}, {20000, -32768, 0, 5}},
        {"mono to mono", 3, 1, {1, -2, 3}, {1, -2, 3}},
        {"mono to stereo", 0, 1, {1, -2}, {1, 1, -2, -2}},
        {"stereo to joint stereo", 1, 2, {1, -2, 3, -4}, {1, -2, 3, -4}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Convert(Target(c.mode), Pcm(44100, c.channels, 16), Bytes16(c.in), {}), c.out);
    }
}

TEST_F(Conv2MP3Stream, EightBitSourcesAreWidened) {
    const std::vector<std::uint8_t> pcm = {128, 0, 255, 129};
    EXPECT_EQ(Convert(Target(0), Pcm(44100, 2, 8), pcm, {}), (std::vector<int>{0, -32768, 32512, 256}));
}

TEST_F(Conv2MP3Stream, TheBufferSizeIsHalfASecondInWholeChunks) {
    auto* conv = new CIdentityConverter<CLameConv2MP3>();
    EXPECT_EQ(conv->GetDesiredBufferSize(), -1);
    CConv2FileFormat target = Target(0);
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    ASSERT_EQ(conv->Create(path_.c_str(), &target, &source), 1);
    // (176400 / 2 / 2304 + 1) x 2304 values of two bytes.
    EXPECT_EQ(conv->GetDesiredBufferSize(), 179712);
    // A block of exactly that size is encoded whole: no value waits.
    const std::vector<std::uint8_t> block(179712, 1);
    std::int64_t accepted = 0;
    EXPECT_EQ(conv->WriteStreamData(block.data(), 179712, &accepted), 179712);
    EXPECT_EQ(accepted, 179712);
    DeleteRefObject(&conv);
    EXPECT_EQ(Query<int (*)()>("IdentityOpenStreams")(), 0) << "the destructor closes an open stream";
}

TEST_F(Conv2MP3Stream, TheRecordsCarryTheTargetsSettings) {
    const WAVEFORMATEX source = Pcm(48000, 2, 16);
    CConv2FileFormat cbr = Target(1);
    cbr.nSamplesPerSec = 44100;
    cbr.crc = 1;
    cbr.originalBit = 1;
    CConv2FileFormat vbr = cbr;
    vbr.enableVBR = 1;
    vbr.vbrQuality = 3;
    CConv2FileFormat abr = vbr;
    abr.enableABR = 1;
    abr.abrBitrate = 200;

    struct TLameCase {
        const char* name;
        CConv2FileFormat target;
        std::uint32_t bitrate, maxBitrate;
        std::int32_t writeHeader, enableVBR, method;
        std::uint32_t abrBps;
    };
    const TLameCase cases[] = {
        {"constant", cbr, 192, 0, 0, 0, -1, 0},
        {"variable", vbr, 128, 320, 1, 1, 3, 0},
        {"average", abr, 128, 320, 1, 1, 4, 200000},
    };
    for (const TLameCase& c : cases) {
        SCOPED_TRACE(c.name);
        CConv2FileFormat target = c.target;
        auto* conv = new CIdentityConverter<CLameConv2MP3>();
        ASSERT_EQ(conv->Create(path_.c_str(), &target, &source), 1);
        DeleteRefObject(&conv);
        // Fields of the packed record are read by value (unary +).
        const TEncoderConfigLame r = LastConfig().lame;
        EXPECT_EQ(+r.configKind, 256u);
        EXPECT_EQ(+r.structVersion, 1u);
        EXPECT_EQ(+r.structSize, 331u);
        EXPECT_EQ(+r.sampleRate, 48000u) << "the source's rate";
        EXPECT_EQ(+r.reSampleRate, 44100u) << "the target's rate";
        EXPECT_EQ(+r.mode, 1);
        EXPECT_EQ(+r.bitrate, c.bitrate);
        EXPECT_EQ(+r.maxBitrate, c.maxBitrate);
        EXPECT_EQ(+r.preset, -1);
        EXPECT_EQ(+r.mpegVersion, 1);
        EXPECT_EQ(+r.crc, 1);
        EXPECT_EQ(+r.original, 1);
        EXPECT_EQ(+r.copyright, 0);
        EXPECT_EQ(+r.writeVBRHeader, c.writeHeader);
        EXPECT_EQ(+r.enableVBR, c.enableVBR);
        EXPECT_EQ(+r.vbrQuality, c.target.vbrQuality);
        EXPECT_EQ(+r.abrBitrateBps, c.abrBps);
        EXPECT_EQ(+r.vbrMethod, c.method);
        const TEncoderConfig whole = LastConfig();
        for (std::size_t i = 88; i < kEncoderConfigBytes; ++i) ASSERT_EQ(whole.bytes[i], 0) << i;
    }

    CConv2FileFormat blade = Target(2);
    blade.bitrate = 160;
    blade.privateBit = 1;
    blade.copyrightBit = 1;
    auto* conv = new CIdentityConverter<CBladeConv2MP3>();
    const WAVEFORMATEX cd = Pcm(44100, 2, 16);
    ASSERT_EQ(conv->Create(path_.c_str(), &blade, &cd), 1);
    DeleteRefObject(&conv);
    const TEncoderConfig whole = LastConfig();
    const TEncoderConfigMP3& r = whole.mp3;
    EXPECT_EQ(+r.configKind, 0u);
    EXPECT_EQ(+r.sampleRate, 44100u);
    EXPECT_EQ(+r.mode, 2);
    EXPECT_EQ(+r.bitrate, 160);
    EXPECT_EQ(+r.privateBit, 1);
    EXPECT_EQ(+r.crc, 0);
    EXPECT_EQ(+r.copyright, 1);
    EXPECT_EQ(+r.original, 0);
    for (std::size_t i = 27; i < kEncoderConfigBytes; ++i) ASSERT_EQ(whole.bytes[i], 0) << i;
}

TEST_F(Conv2MP3Stream, TheVbrHeaderIsWrittenIntoTheFinishedFile) {
    auto* conv = new CIdentityConverter<CLameConv2MP3>();
    CConv2FileFormat target = Target(0);
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    ASSERT_EQ(conv->Create(path_.c_str(), &target, &source), 1);
    int done = 0;
    EXPECT_EQ(conv->FinalData(path_.c_str(), "", &done, nullptr), 4);
    EXPECT_EQ(std::string(Query<const char* (*)()>("IdentityLastHeaderPath")()), path_);
    DeleteRefObject(&conv);
}

TEST_F(Conv2MP3Stream, AnEncoderFailureClosesTheStreamAndKeepsWhatWasWritten) {
    Query<void (*)(int)>("IdentityFailAfterChunks")(2);
    auto* conv = new CIdentityConverter<CLameConv2MP3>();
    CConv2FileFormat target = Target(0);
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    ASSERT_EQ(conv->Create(path_.c_str(), &target, &source), 1);
    const std::vector<std::uint8_t> block(4 * 2304 * 2, 1);
    std::int64_t accepted = 5;
    EXPECT_EQ(conv->WriteStreamData(block.data(), static_cast<std::int64_t>(block.size()), &accepted), -1);
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_MP3_ENCODER);
    EXPECT_EQ(Query<int (*)()>("IdentityOpenStreams")(), 0);
    EXPECT_EQ(conv->WriteStreamData(block.data(), 4, &accepted), -1) << "the stream is gone";
    int done = 1;
    EXPECT_EQ(conv->FinalData(path_.c_str(), "", &done, nullptr), -1);
    EXPECT_EQ(done, 0);
    conv->Close();
    DeleteRefObject(&conv);
    EXPECT_EQ(testsupport::ReadWholeFile(path_).size(), 2u * 2304 * 2) << "the two chunks encoded stay";
}

TEST_F(Conv2MP3Stream, CreateRefusesWhatItCannotEncode) {
    CConv2FileFormat target = Target(0);
    auto* conv = new CIdentityConverter<CLameConv2MP3>();
    const WAVEFORMATEX floatSource = Pcm(44100, 2, 32);
    EXPECT_EQ(conv->Create(path_.c_str(), &target, &floatSource), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_UNSUPPORTED_FORMAT);
    DeleteRefObject(&conv);

    // The base converter has no encoder, and the Blade library is not
    // there: neither creates a file.
    auto* base = new CConv2MP3();
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    EXPECT_EQ(base->Create(path_.c_str(), &target, &source), 0);
    DeleteRefObject(&base);
    CConv2FileObj* blade = NewCConv2FileObj(FILE_CONVERSION_MP3, MP3_ENCODER_BLADE);
    ASSERT_NE(blade, nullptr);
    EXPECT_EQ(blade->Create(path_.c_str(), &target, &source), 0);
    DeleteRefObject(&blade);
    EXPECT_FALSE(testsupport::ReadWholeFile(path_).size() > 0);
}

}  // namespace
