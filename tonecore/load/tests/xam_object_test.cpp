#include "tonecore/load/xam_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "testsupport/temp_dir.h"
#include "tonecore/load/mp3_source_format.h"
#include "tonecore/engine/tonecore_strings.h"

namespace {

// The source format of a song: rate class, channels, kbit/s and the average
// frame size in the layer-3 extension.
TMp3SourceFormat Source(std::uint32_t rate, std::uint16_t channels, std::uint32_t kbps,
                        std::uint16_t frameBytes) {
    TMp3SourceFormat f;
    std::memset(&f, 0, sizeof f);
    f.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    f.wfx.nChannels = channels;
    f.wfx.nSamplesPerSec = rate;
    f.wfx.nAvgBytesPerSec = kbps * 125;
    f.wfx.nBlockAlign = 1;
    f.wfx.cbSize = 14;
    f.wID = 1;
    f.fdwFlags = 2;
    f.nBlockSize = frameBytes;
    f.nFramesPerBlock = 1;
    f.nCodecDelay = 1393;
    return f;
}

}  // namespace

TEST(XAMObject, DestinationIs16BitPcmAtTheSourcesChannelsAndRate) {
    const TMp3SourceFormat source = Source(22050, 1, 64, 209);
    XAMObject xam(&source.wfx, 1);
    const WAVEFORMATEX* destination = xam.GetDestFormat();
    ASSERT_NE(destination, nullptr);
    EXPECT_EQ(destination->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(destination->nChannels, 1);
    EXPECT_EQ(destination->nSamplesPerSec, 22050u);
    EXPECT_EQ(destination->nAvgBytesPerSec, 44100u);
    EXPECT_EQ(xam.IsACM(), 0);
    EXPECT_EQ(xam.SuggestPCMFormat(), 1);
    EXPECT_EQ(xam.BlockSize(xam.GetSrcFormat()), 209);
    EXPECT_EQ(xam.Layer(), 3);
    EXPECT_FLOAT_EQ(xam.Version(), 1.0f);

    // Set while the stream runs, completed as PCM.
    ASSERT_EQ(xam.EnableStream(1), 1);
    WAVEFORMATEX cd{};
    cd.wFormatTag = WAVE_FORMAT_PCM;
    cd.nChannels = 2;
    cd.nSamplesPerSec = 44100;
    cd.wBitsPerSample = 16;
    EXPECT_EQ(xam.SetDestFormat(&cd), 1);
    EXPECT_EQ(xam.GetDestFormat()->nAvgBytesPerSec, 176400u);
    EXPECT_EQ(xam.GetDestFormat()->nBlockAlign, 4);
}

TEST(XAMObject, FramesAreTimedByLayerAndTheStreamsOwnRate) {
    struct {
        std::int32_t layer;
        std::int32_t rate;
        double ms;
    } const cases[] = {
        {1, 44100, 8.707483}, {1, 48000, 8.0},  {1, 32000, 12.0},     {2, 44100, 26.12245},
        {2, 48000, 24.0},     {2, 32000, 36.0}, {3, 44100, 26.12245}, {3, 48000, 24.0},
        {3, 32000, 36.0},     {3, 22050, 0.0},  {3, 8000, 0.0},
    };
    const TMp3SourceFormat source = Source(44100, 2, 128, 417);
    for (const auto& c : cases) {
        XAMObject xam(&source.wfx, 1);
        xam.SetLayer(c.layer);
        xam.SetFrequency(c.rate);
        EXPECT_DOUBLE_EQ(xam.MilsPerFrame(), c.ms) << c.layer << " " << c.rate;
    }
}

TEST(XAMObject, BufferSizesFollowFramesOrBytesPerSecond) {
    // A 48 kHz song plays at the 44100 Hz rate class: a frame of 384 bytes
    // lasts 24 ms, 4233.6 bytes of 44100 Hz stereo.
    const TMp3SourceFormat cbr48 = Source(44100, 2, 128, 384);
    XAMObject xam(&cbr48.wfx, 1);
    xam.SetFrequency(48000);
    EXPECT_DOUBLE_EQ(xam.GetConvertedBufferSize(384 * 10 + 100), 10 * 24.0 * 176400 * 0.001);
    EXPECT_EQ(xam.GetSourceBufferSize(0), 0);
    EXPECT_EQ(xam.GetSourceBufferSize(176400), 15744);  // 16000 in whole frames
    EXPECT_EQ(xam.GetSourceBufferSize(4), 384);         // never less than a frame

    // A 22050 Hz song has no frame duration: sized by bytes per second.
    const TMp3SourceFormat low = Source(22050, 2, 64, 209);
    XAMObject lowRate(&low.wfx, 1);
    lowRate.SetFrequency(22050);
    EXPECT_DOUBLE_EQ(lowRate.GetConvertedBufferSize(8000), 8000.0 * 88200 / 8000);

    // A format without a frame size falls back to bytes per second rather
    // than dividing by it.
    const TMp3SourceFormat noFrames = Source(44100, 2, 128, 0);
    XAMObject unsized(&noFrames.wfx, 1);
    unsized.SetFrequency(44100);
    EXPECT_DOUBLE_EQ(unsized.GetConvertedBufferSize(16000), 176400.0);
    EXPECT_EQ(unsized.GetSourceBufferSize(176400), 16000);

    struct {
        std::int64_t in, minimum, adjusted;
    } const sizes[] = {
        {1000, 2048, 996}, {4096, 4096, 4092}, {3, 2048, 0}, {100, 2048, 96}, {4, 2048, 0}};
    for (const auto& c : sizes) {
        std::int64_t minimum = c.in;
        xam.CheckMinimumSrcSize(&minimum);
        EXPECT_EQ(minimum, c.minimum) << c.in;
        std::int64_t offset = c.in;
        xam.AdjustSrcOffset(&offset);
        EXPECT_EQ(offset, c.adjusted) << c.in;
    }
    EXPECT_EQ(xam.GetInitialNumOffsetsInRev(), -2);
}

TEST(XAMObject, FormatTextNamesVersionLayerModeAndRate) {
    const std::string saved = ToneCoreStringFile();
    ASSERT_FALSE(FindToneCoreStringFile().empty());
    SetToneCoreStringFile(FindToneCoreStringFile().c_str());
    struct {
        float version;
        std::int32_t layer, mode, vbr, bitRate;
        const char* text;
    } const cases[] = {
        {1.0f, 3, 1, 0, 128000, "128 kbit/s, MPEG 1 Layer 3, Joint Stereo"},
        {2.0f, 3, 3, 1, 64000, "64 kbit/s, MPEG 2 Layer 3, Mono, VBR"},
        {2.5f, 3, 0, 0, 32000, "32 kbit/s, MPEG 2.5 Layer 3, Stereo"},
        {1.0f, 2, 2, 0, 192000, "192 kbit/s, MPEG 1 Layer 2, Dual Channel"},
    };
    const TMp3SourceFormat source = Source(44100, 2, 128, 417);
    for (const auto& c : cases) {
        XAMObject xam(&source.wfx, 1);
        xam.SetVersion(c.version);
        xam.SetLayer(c.layer);
        xam.SetMode(c.mode);
        xam.SetVBR(c.vbr);
        xam.SetBitRate(c.bitRate);
        char text[128];
        EXPECT_EQ(xam.GetSrcFormatStr(text, sizeof text), 1);
        EXPECT_STREQ(text, c.text);
        char small[10];
        xam.GetSrcFormatStr(small, sizeof small);  // cut, never overrun
        EXPECT_EQ(std::string(small), std::string(c.text).substr(0, 9));
    }

    // An edited template whose conversions do not fit the values is not
    // used.
    testsupport::TempDir dir;
    const std::string file = dir.File("strings.ini");
    testsupport::WriteWholeFile(
        file, "[Strings]\nFS_MP3_FORMAT=%s %s %n\nFS_MONO=Mono\nIDS_MPEG1=MPEG 1\n");
    SetToneCoreStringFile(file.c_str());
    XAMObject xam(&source.wfx, 1);
    xam.SetMode(XAMObject::kModeMono);
    xam.SetBitRate(96000);
    char text[128];
    xam.GetSrcFormatStr(text, sizeof text);
    EXPECT_STREQ(text, "96 kbit/s, MPEG 1 Layer 3, Mono");
    SetToneCoreStringFile(saved.c_str());
}

TEST(XAMObject, CopyKeepsTheSongsFactsButNotItsModeOrDecoder) {
    const TMp3SourceFormat source = Source(44100, 2, 128, 417);
    XAMObject xam(&source.wfx, 1);
    xam.SetVBR(1);
    xam.SetVersion(2.5f);
    xam.SetLayer(2);
    xam.SetAverageFrameSize(417.5);
    xam.SetMode(XAMObject::kModeMono);
    xam.SetFirstFrameDecodesToCDQuality(1);
    xam.SetFrequency(48000);
    ASSERT_EQ(xam.EnableStream(1), 1);
    std::unique_ptr<XAMObject> copy(static_cast<XAMObject*>(xam.Copy()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->IsVBR(), 1);
    EXPECT_FLOAT_EQ(copy->Version(), 2.5f);
    EXPECT_EQ(copy->Layer(), 2);
    EXPECT_DOUBLE_EQ(copy->AverageFrameSize(), 417.5);
    EXPECT_EQ(copy->FirstFrameDecodesToCDQuality(), 1);
    EXPECT_EQ(copy->GetFrequency(), 48000);
    EXPECT_EQ(copy->Mode(), 0);
    // No decoder yet: nothing is decoded until the copy's own stream runs.
    std::vector<std::uint8_t> out(64);
    std::uint8_t* block = out.data();
    std::int64_t taken = 4;
    const std::uint8_t bytes[4] = {0xff, 0xfb, 0x90, 0x00};
    EXPECT_EQ(copy->Convert(bytes, taken, block, 64, kConversionFirst, 1), 0);
    EXPECT_EQ(taken, 0);
}
