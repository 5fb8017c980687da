// The encoder module as the sound engine sees it: loaded by its module name,
// driven through the bound entry points, its output read back frame by frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "lame_enc/encoder_interface.h"
#include "testsupport/mp3_frames.h"
#include "platform/dynamic_module.h"
#include "testsupport/temp_dir.h"

namespace {

struct TEntries {
    PFN_beInitStream init = nullptr;
    PFN_beEncodeChunk encode = nullptr;
    PFN_beDeinitStream deinit = nullptr;
    PFN_beCloseStream close = nullptr;
    PFN_beWriteVBRHeader writeVbrHeader = nullptr;
    PFN_beVersion version = nullptr;
};

class LameEncModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadModule("Lame_enc.dll");
        ASSERT_NE(module_, nullptr);
        e_.init = reinterpret_cast<PFN_beInitStream>(GetModuleSymbol(module_, "beInitStream"));
        e_.encode = reinterpret_cast<PFN_beEncodeChunk>(GetModuleSymbol(module_, "beEncodeChunk"));
        e_.deinit = reinterpret_cast<PFN_beDeinitStream>(GetModuleSymbol(module_, "beDeinitStream"));
        e_.close = reinterpret_cast<PFN_beCloseStream>(GetModuleSymbol(module_, "beCloseStream"));
        e_.writeVbrHeader = reinterpret_cast<PFN_beWriteVBRHeader>(GetModuleSymbol(module_, "beWriteVBRHeader"));
        e_.version = reinterpret_cast<PFN_beVersion>(GetModuleSymbol(module_, "beVersion"));
    }
    static void TearDownTestSuite() {
        FreeModule(module_);
        module_ = nullptr;
    }

    // Encodes seconds of a sine (per channel of the stream) through whole
    // chunks and a shorter last one; the MP3 bytes.
    static std::string Encode(const TEncoderConfig& config, double seconds, int rate, int channels) {
        std::uint32_t chunk = 0, outBytes = 0, stream = 0;
        EXPECT_EQ(e_.init(&config, &chunk, &outBytes, &stream), ENCODER_OK);
        const auto values = static_cast<std::size_t>(seconds * rate) * static_cast<std::size_t>(channels);
        std::vector<std::int16_t> pcm(values);
        for (std::size_t i = 0; i < values; ++i) {
            pcm[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440.0 * double(i / channels) / rate));
        }
        std::string mp3;
        std::vector<std::uint8_t> out(outBytes);
        for (std::size_t at = 0; at < values; at += chunk) {
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(chunk, values - at));
            std::uint32_t produced = 0;
            EXPECT_EQ(e_.encode(stream, n, pcm.data() + at, out.data(), &produced), ENCODER_OK);
            mp3.append(reinterpret_cast<const char*>(out.data()), produced);
        }
        std::uint32_t produced = 0;
        EXPECT_EQ(e_.deinit(stream, out.data(), &produced), ENCODER_OK);
        mp3.append(reinterpret_cast<const char*>(out.data()), produced);
        EXPECT_EQ(e_.close(stream), ENCODER_OK);
        return mp3;
    }

    static inline void* module_ = nullptr;
    static inline TEntries e_;
};

TEncoderConfig PlainRecord(std::uint32_t rate, std::uint8_t mode, std::uint16_t kbps) {
    TEncoderConfig c{};
    c.mp3.configKind = kEncoderConfigMP3;
    c.mp3.sampleRate = rate;
    c.mp3.mode = mode;
    c.mp3.bitrate = kbps;
    return c;
}

TEncoderConfig LameRecord(std::uint32_t rate, std::int32_t mode, std::uint32_t kbps) {
    TEncoderConfig c{};
    TEncoderConfigLame& l = c.lame;
    l.configKind = kEncoderConfigLame;
    l.structVersion = kLameConfigVersion;
    l.structSize = kEncoderConfigBytes;
    l.sampleRate = rate;
    l.reSampleRate = rate;
    l.mode = mode;
    l.bitrate = kbps;
    l.preset = -1;
    l.vbrMethod = ENCODER_VBR_NONE;
    return c;
}

TEncoderConfig VbrRecord(std::int32_t method) {
    TEncoderConfig c = LameRecord(44100, ENCODER_MODE_JOINT_STEREO, 128);
    c.lame.maxBitrate = 320;
    c.lame.enableVBR = 1;
    c.lame.writeVBRHeader = 1;
    c.lame.vbrQuality = 2;
    c.lame.vbrMethod = method;
    if (method == ENCODER_VBR_ABR) c.lame.abrBitrateBps = 192000;
    return c;
}

TEST_F(LameEncModule, BindsEveryEntryPointAndReportsItsVersion) {
    ASSERT_NE(e_.init, nullptr);
    ASSERT_NE(e_.encode, nullptr);
    ASSERT_NE(e_.deinit, nullptr);
    ASSERT_NE(e_.close, nullptr);
    ASSERT_NE(e_.writeVbrHeader, nullptr);
    ASSERT_NE(e_.version, nullptr);
    std::uint8_t record[512];
    std::memset(record, 0xEE, sizeof record);
    e_.version(reinterpret_cast<TEncoderVersion*>(record));
    EXPECT_EQ(record[0], 1);
    EXPECT_EQ(record[1], 0);
    EXPECT_EQ(record[2], 3);  // libmp3lame 3.x
    EXPECT_GT(record[3], 0);
    EXPECT_EQ(record[4], 0xEE) << "only the first four bytes are filled";
}

// Each record gives a stream of the version, rate, mode and bitrate it asks
// for, with chunks of one frame per channel, and its last partial chunk is
// in the output (enough frames for every sample).
struct TRecordCase {
    const char* name;
    TEncoderConfig config;
    int rate;
    int channels;
    std::uint32_t chunk;
    int version;
    int modeBits;
    int kbps;
};

TEST_F(LameEncModule, EachRecordKindGivesTheStreamItAsksFor) {
    TEncoderConfig flags = PlainRecord(44100, ENCODER_MODE_STEREO, 128);
    flags.mp3.crc = 1;
    flags.mp3.copyright = 1;
    flags.mp3.original = 1;
    flags.mp3.privateBit = 1;
    const TRecordCase cases[] = {
        {"plain stereo", PlainRecord(44100, ENCODER_MODE_STEREO, 128), 44100, 2, 2304, 1, 0, 128},
        {"plain mono", PlainRecord(32000, ENCODER_MODE_MONO, 64), 32000, 1, 1152, 1, 3, 64},
        {"plain dual as stereo", PlainRecord(48000, ENCODER_MODE_DUAL_CHANNEL, 192), 48000, 2, 2304, 1, 0, 192},
        {"extended joint MPEG-2", LameRecord(22050, ENCODER_MODE_JOINT_STEREO, 96), 22050, 2, 1152, 0, 1, 96},
        {"extended mono MPEG-2.5", LameRecord(8000, ENCODER_MODE_MONO, 16), 8000, 1, 576, 2, 3, 16},
        {"plain with flags", flags, 44100, 2, 2304, 1, 0, 128},
    };
    for (const TRecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t chunk = 0, outBytes = 0, stream = 0;
        ASSERT_EQ(e_.init(&c.config, &chunk, &outBytes, &stream), ENCODER_OK);
        EXPECT_EQ(chunk, c.chunk);
        EXPECT_GE(outBytes, 7200u);
        EXPECT_EQ(e_.close(stream), ENCODER_OK);

        const double seconds = 1.01;
        const std::string mp3 = Encode(c.config, seconds, c.rate, c.channels);
        const std::vector<TFrameInfo> frames = WalkFrames(mp3, 0);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.back().offset + frames.back().length, mp3.size()) << "nothing but frames";
        const auto samplesPerFrame = static_cast<double>(c.chunk / static_cast<std::uint32_t>(c.channels));
        EXPECT_GE(static_cast<double>(frames.size()) * samplesPerFrame, seconds * c.rate);
        for (const TFrameInfo& f : frames) {
            ASSERT_EQ(f.version, c.version);
            ASSERT_EQ(f.rate, c.rate);
            ASSERT_EQ(f.bitrateKbps, c.kbps);
            // Joint stereo may code plain stereo frames; the others are fixed.
            if (c.modeBits != 1) {
                ASSERT_EQ(f.mode, c.modeBits);
            }
        }
        const bool flagged = std::string(c.name) == "plain with flags";
        EXPECT_EQ(frames[0].crc, flagged);
        EXPECT_EQ(frames[0].copyright, flagged);
        EXPECT_EQ(frames[0].original, flagged);
        EXPECT_EQ(frames[0].privateBit, flagged);
    }
}

TEST_F(LameEncModule, VbrStreamsGetTheirHeaderAfterTheFileIsWritten) {
    testsupport::TempDir dir;
    for (const std::int32_t method : {ENCODER_VBR_MTRH, ENCODER_VBR_ABR}) {
        SCOPED_TRACE(method);
        const std::string mp3 = Encode(VbrRecord(method), 2.0, 44100, 2);
        const std::vector<TFrameInfo> frames = WalkFrames(mp3, 0);
        ASSERT_GT(frames.size(), 2u);
        // A leading tag of the caller's own stays where it is.
        std::string id3(2058, '\0');
        id3.replace(0, 10, std::string("ID3\x03\x00\x00\x00\x00\x10\x00", 10));
        const std::string path = dir.File("vbr.mp3");
        testsupport::WriteWholeFile(path, id3 + mp3);
        ASSERT_EQ(e_.writeVbrHeader(path.c_str()), ENCODER_OK);

        const std::string file = testsupport::ReadWholeFile(path);
        ASSERT_EQ(file.size(), id3.size() + mp3.size());
        EXPECT_EQ(file.substr(0, id3.size()), id3);
        EXPECT_EQ(file.substr(id3.size() + frames[0].length), mp3.substr(frames[0].length)) << "audio untouched";
        const std::vector<TFrameInfo> written = WalkFrames(file, AudioStart(file));
        ASSERT_EQ(written.size(), frames.size());
        std::string tag;
        std::uint32_t count = 0;
        ASSERT_TRUE(ReadVbrHeader(file, written[0], &tag, &count));
        EXPECT_EQ(tag, "Xing");
        EXPECT_EQ(count, frames.size() - 1) << "the header counts the audio frames";
        // Varying bitrates: VBR frames are not all of one size.
        bool varied = false;
        for (const TFrameInfo& f : written) varied = varied || f.bitrateKbps != written[1].bitrateKbps;
        EXPECT_TRUE(varied);
    }
}

TEST_F(LameEncModule, ConversionsOnTwoThreadsEachGetTheirOwnHeader) {
    testsupport::TempDir dir;
    const auto convert = [&](double seconds, const std::string& path) {
        testsupport::WriteWholeFile(path, Encode(VbrRecord(ENCODER_VBR_MTRH), seconds, 44100, 2));
    };
    // Both streams end before either header is written.
    const std::string shortPath = dir.File("short.mp3");
    const std::string longPath = dir.File("long.mp3");
    std::thread other([&] { convert(0.5, shortPath); });
    other.join();
    convert(1.5, longPath);
    std::thread otherHeader([&] { EXPECT_EQ(e_.writeVbrHeader(shortPath.c_str()), ENCODER_OK); });
    otherHeader.join();
    ASSERT_EQ(e_.writeVbrHeader(longPath.c_str()), ENCODER_OK);
    for (const std::string& path : {shortPath, longPath}) {
        const std::string file = testsupport::ReadWholeFile(path);
        const std::vector<TFrameInfo> frames = WalkFrames(file, 0);
        std::string tag;
        std::uint32_t count = 0;
        ASSERT_TRUE(ReadVbrHeader(file, frames.at(0), &tag, &count)) << path;
        EXPECT_EQ(count, frames.size() - 1) << path;
    }
}

TEST_F(LameEncModule, AVbrHeaderIsNotWrittenOverSomethingElse) {
    testsupport::TempDir dir;
    const std::string mp3 = Encode(VbrRecord(ENCODER_VBR_MTRH), 0.5, 44100, 2);
    const std::string path = dir.File("other.mp3");
    const std::string other = "RIFF" + mp3;
    testsupport::WriteWholeFile(path, other);
    EXPECT_EQ(e_.writeVbrHeader(path.c_str()), ENCODER_ERR_FILE);
    EXPECT_EQ(testsupport::ReadWholeFile(path), other);
    EXPECT_EQ(e_.writeVbrHeader(dir.File("missing.mp3").c_str()), ENCODER_ERR_FILE);

    // A constant-bitrate stream has no header to write: nothing changes.
    const std::string cbr = Encode(LameRecord(44100, ENCODER_MODE_STEREO, 128), 0.5, 44100, 2);
    testsupport::WriteWholeFile(path, cbr);
    EXPECT_EQ(e_.writeVbrHeader(path.c_str()), ENCODER_OK);
    EXPECT_EQ(testsupport::ReadWholeFile(path), cbr);
}

TEST_F(LameEncModule, RefusesBadRecordsHandlesAndOversizedChunks) {
    std::uint32_t chunk = 0, outBytes = 0, stream = 0;
    TEncoderConfig unknown = PlainRecord(44100, 0, 128);
    unknown.mp3.configKind = 7;
    TEncoderConfig wrongSize = LameRecord(44100, 0, 128);
    wrongSize.lame.structSize = 330;
    TEncoderConfig wrongVersion = LameRecord(44100, 0, 128);
    wrongVersion.lame.structVersion = 2;
    const std::pair<TEncoderConfig, std::uint32_t> refused[] = {
        {unknown, ENCODER_ERR_INVALID_FORMAT},
        {wrongSize, ENCODER_ERR_INVALID_FORMAT},
        {wrongVersion, ENCODER_ERR_INVALID_FORMAT},
        {PlainRecord(0, 0, 128), ENCODER_ERR_INVALID_FORMAT_PARAMETERS},
        {PlainRecord(44100, 4, 128), ENCODER_ERR_INVALID_FORMAT_PARAMETERS},
        {PlainRecord(44100, 0, 0), ENCODER_ERR_INVALID_FORMAT_PARAMETERS},
    };
    for (const auto& [config, code] : refused) EXPECT_EQ(e_.init(&config, &chunk, &outBytes, &stream), code);
    EXPECT_EQ(e_.init(nullptr, &chunk, &outBytes, &stream), ENCODER_ERR_INVALID_FORMAT);

    const TEncoderConfig good = PlainRecord(44100, ENCODER_MODE_STEREO, 128);
    ASSERT_EQ(e_.init(&good, &chunk, &outBytes, &stream), ENCODER_OK);
    std::vector<std::int16_t> pcm(chunk + 2);
    std::vector<std::uint8_t> out(outBytes);
    std::uint32_t produced = 99;
    EXPECT_EQ(e_.encode(stream, chunk + 2, pcm.data(), out.data(), &produced), ENCODER_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(e_.encode(stream, 3, pcm.data(), out.data(), &produced), ENCODER_ERR_BUFFER_TOO_SMALL)
        << "half a stereo pair";
    EXPECT_EQ(e_.encode(stream + 1000, chunk, pcm.data(), out.data(), &produced), ENCODER_ERR_INVALID_HANDLE);
    EXPECT_EQ(e_.deinit(stream, out.data(), &produced), ENCODER_OK);
    EXPECT_EQ(e_.deinit(stream, out.data(), &produced), ENCODER_ERR_INVALID_HANDLE) << "ended once";
    EXPECT_EQ(e_.close(stream), ENCODER_OK);
    EXPECT_EQ(e_.close(stream), ENCODER_ERR_INVALID_HANDLE);
}

TEST_F(LameEncModule, StreamsOfOneProcessDoNotMix) {
    const TEncoderConfig config = LameRecord(44100, ENCODER_MODE_JOINT_STEREO, 160);
    const std::string alone = Encode(config, 0.5, 44100, 2);
    // The same stream again while a second one runs interleaved with it.
    std::uint32_t chunk = 0, outBytes = 0, a = 0, b = 0;
    ASSERT_EQ(e_.init(&config, &chunk, &outBytes, &a), ENCODER_OK);
    ASSERT_EQ(e_.init(&config, &chunk, &outBytes, &b), ENCODER_OK);
    ASSERT_NE(a, b);
    const std::size_t values = 22050 * 2;
    std::vector<std::int16_t> pcm(values), noise(values);
    for (std::size_t i = 0; i < values; ++i) {
        pcm[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440.0 * double(i / 2) / 44100));
        noise[i] = static_cast<std::int16_t>((i * 7919) % 20000);
    }
    std::string mp3;
    std::vector<std::uint8_t> out(outBytes);
    for (std::size_t at = 0; at < values; at += chunk) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(chunk, values - at));
        std::uint32_t produced = 0;
        ASSERT_EQ(e_.encode(b, n, noise.data() + at, out.data(), &produced), ENCODER_OK);
        ASSERT_EQ(e_.encode(a, n, pcm.data() + at, out.data(), &produced), ENCODER_OK);
        mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    }
    std::uint32_t produced = 0;
    ASSERT_EQ(e_.deinit(a, out.data(), &produced), ENCODER_OK);
    mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    EXPECT_EQ(e_.close(a), ENCODER_OK);
    EXPECT_EQ(e_.close(b), ENCODER_OK) << "a stream may be closed without being ended";
    EXPECT_EQ(mp3, alone);
}

}  // namespace
