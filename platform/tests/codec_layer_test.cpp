#include "platform/codec_layer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/codec_block_stream.h"
#include "platform/codec_g711.h"
#include "testsupport/wave_format_bytes.h"

namespace {

using testsupport::PutLe16;
using TFormat = testsupport::TFormatBytes;

TFormat Ima(std::uint16_t channels, std::uint16_t align) { return testsupport::ImaAdpcmFormat(channels, 8000, align); }
TFormat MsAdpcm(std::uint16_t channels, std::uint16_t align) {
    return testsupport::MsAdpcmFormat(channels, 8000, align);
}
TFormat Gsm() { return TFormat(WAVE_FORMAT_GSM610, 1, 8000, 65, 0, {0x40, 0x01}); }
TFormat Pcm16(std::uint16_t channels, std::uint32_t rate) { return testsupport::Pcm16Format(channels, rate); }

struct TStream {
    HACMSTREAM handle = nullptr;
    ~TStream() {
        if (handle != nullptr) acmStreamClose(handle);
    }
};

// Converts source through a new stream in one call; the bytes made.
std::vector<std::uint8_t> ConvertOnce(const TFormat& source, const std::vector<std::uint8_t>& data,
                                      std::uint32_t* used = nullptr) {
    TStream stream;
    const TFormat pcm = Pcm16(source.Get()->nChannels, source.Get()->nSamplesPerSec);
    EXPECT_EQ(acmStreamOpen(&stream.handle, source.Get(), pcm.Get()), MMSYSERR_NOERROR);
    std::vector<std::uint8_t> out(data.size() * 8 + 4096);
    TCodecStreamHeader header;
    header.source = data.data();
    header.sourceBytes = static_cast<std::uint32_t>(data.size());
    header.destination = out.data();
    header.destinationBytes = static_cast<std::uint32_t>(out.size());
    EXPECT_EQ(acmStreamPrepareHeader(stream.handle, &header), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream.handle, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamUnprepareHeader(stream.handle, &header), MMSYSERR_NOERROR);
    if (used != nullptr) *used = header.sourceUsed;
    out.resize(header.destinationUsed);
    return out;
}

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) out.push_back(GetSample16(bytes.data() + i));
    return out;
}

TEST(G711, ExpandsTheCodesAtTheEndsAndMiddleOfTheRange) {
    // Smallest steps either side of zero, full scale, and the sign bit.
    EXPECT_EQ(ALawToLinear(0xD5), 8);
    EXPECT_EQ(ALawToLinear(0x55), -8);
    EXPECT_EQ(ALawToLinear(0xAA), 32256);
    EXPECT_EQ(ALawToLinear(0x2A), -32256);
    EXPECT_EQ(MuLawToLinear(0xFF), 0);
    EXPECT_EQ(MuLawToLinear(0x7F), 0);
    EXPECT_EQ(MuLawToLinear(0x80), 32124);
    EXPECT_EQ(MuLawToLinear(0x00), -32124);
    // Each half of the code space is monotonic: A-law by the code with its
    // even bits restored, mu-law falling from 0x80 to 0xFF.
    for (int v = 0; v < 0x7F; ++v) {
        EXPECT_LT(ALawToLinear(static_cast<std::uint8_t>((0x80 | v) ^ 0x55)),
                  ALawToLinear(static_cast<std::uint8_t>((0x80 | (v + 1)) ^ 0x55)));
    }
    for (int code = 0x80; code < 0xFF; ++code) {
        EXPECT_GT(MuLawToLinear(static_cast<std::uint8_t>(code)), MuLawToLinear(static_cast<std::uint8_t>(code + 1)));
    }
}

TEST(CodecLayer, OpensOnlyFor16BitPcmOfTheSourcesRateAndChannels) {
    struct TCase {
        const char* what;
        TFormat source;
        TFormat destination;
        bool opens;
    };
    const TCase cases[] = {
        {"IMA mono", Ima(1, 256), Pcm16(1, 8000), true},
        {"IMA stereo", Ima(2, 512), Pcm16(2, 8000), true},
        {"IMA to another rate", Ima(1, 256), Pcm16(1, 16000), false},
        {"IMA to other channels", Ima(1, 256), Pcm16(2, 8000), false},
        {"IMA to 8 bits", Ima(1, 256), TFormat(WAVE_FORMAT_PCM, 1, 8000, 1, 8), false},
        {"IMA block smaller than its header", Ima(2, 4), Pcm16(2, 8000), false},
        {"IMA block not whole groups", Ima(1, 258), Pcm16(1, 8000), false},
        {"IMA of three channels", Ima(3, 12 * 4), Pcm16(3, 8000), false},
        {"IMA past any real rate", testsupport::ImaAdpcmFormat(1, 500000, 256), Pcm16(1, 500000), false},
        {"MS ADPCM", MsAdpcm(2, 512), Pcm16(2, 8000), true},
        {"MS ADPCM without pairs", TFormat(WAVE_FORMAT_ADPCM, 1, 8000, 256, 4, {0xF4, 0x01, 0x00, 0x00}),
         Pcm16(1, 8000), false},
        {"MS ADPCM with more pairs than its extension",
         TFormat(WAVE_FORMAT_ADPCM, 1, 8000, 256, 4, {0xF4, 0x01, 0x07, 0x00, 0x00, 0x01, 0x00, 0x00}),
         Pcm16(1, 8000), false},
        {"MS ADPCM block smaller than its header", MsAdpcm(1, 6), Pcm16(1, 8000), false},
        {"A-law", TFormat(WAVE_FORMAT_ALAW, 2, 8000, 2, 8), Pcm16(2, 8000), true},
        {"mu-law with a wrong block align", TFormat(WAVE_FORMAT_MULAW, 1, 8000, 0, 8), Pcm16(1, 8000), false},
        {"GSM", Gsm(), Pcm16(1, 8000), true},
        {"GSM stereo", TFormat(WAVE_FORMAT_GSM610, 2, 8000, 65, 0), Pcm16(2, 8000), false},
        {"unknown tag", TFormat(0x1234, 1, 8000, 1, 8), Pcm16(1, 8000), false},
        {"rate 0", TFormat(WAVE_FORMAT_ALAW, 1, 0, 1, 8), Pcm16(1, 0), false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TStream stream;
        const MMRESULT result = acmStreamOpen(&stream.handle, c.source.Get(), c.destination.Get());
        EXPECT_EQ(result == MMSYSERR_NOERROR, c.opens);
        EXPECT_EQ(stream.handle != nullptr, c.opens);
        if (!c.opens) {
            EXPECT_EQ(result, ACMERR_NOTPOSSIBLE);
        }
    }
}

TEST(CodecLayer, SizesAndConvertsWholeBlocksOnly) {
    // IMA mono, 256-byte blocks of 505 samples (1010 bytes of PCM).
    const TFormat source = Ima(1, 256);
    const TFormat pcm = Pcm16(1, 8000);
    TStream stream;
    ASSERT_EQ(acmStreamOpen(&stream.handle, source.Get(), pcm.Get()), MMSYSERR_NOERROR);
    struct TSize {
        std::uint32_t input;
        std::uint32_t flags;
        std::uint32_t output;
    };
    for (const TSize& s : {TSize{255, ACM_STREAMSIZEF_SOURCE, 0}, TSize{256, ACM_STREAMSIZEF_SOURCE, 1010},
                           TSize{767, ACM_STREAMSIZEF_SOURCE, 2020}, TSize{1009, ACM_STREAMSIZEF_DESTINATION, 0},
                           TSize{1010, ACM_STREAMSIZEF_DESTINATION, 256},
                           TSize{3029, ACM_STREAMSIZEF_DESTINATION, 512}}) {
        std::uint32_t output = 99;
        const MMRESULT result = acmStreamSize(stream.handle, s.input, &output, s.flags);
        EXPECT_EQ(output, s.output) << s.input;
        EXPECT_EQ(result, s.output == 0 ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR);
    }

    std::vector<std::uint8_t> data(3 * 256 + 100, 0x11);
    for (int b = 0; b < 3; ++b) data[256 * b + 2] = 10;  // step index
    std::vector<std::uint8_t> out(2100);
    TCodecStreamHeader header;
    header.source = data.data();
    header.sourceBytes = static_cast<std::uint32_t>(data.size());
    header.destination = out.data();
    header.destinationBytes = static_cast<std::uint32_t>(out.size());
    EXPECT_EQ(acmStreamConvert(stream.handle, &header, 0), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamPrepareHeader(stream.handle, &header), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream.handle, &header, 0x10), MMSYSERR_INVALFLAG);
    ASSERT_EQ(acmStreamConvert(stream.handle, &header, 0), MMSYSERR_NOERROR);
    // Room for two decoded blocks of three, and the partial fourth is left.
    EXPECT_EQ(header.sourceUsed, 512u);
    EXPECT_EQ(header.destinationUsed, 2020u);
    EXPECT_EQ(acmStreamUnprepareHeader(stream.handle, &header), MMSYSERR_NOERROR);

    TCodecStreamHeader empty;
    EXPECT_EQ(acmStreamPrepareHeader(stream.handle, &empty), MMSYSERR_INVALPARAM);
}

TEST(CodecLayer, ImaAdpcmTakesLowNibblesFirstAndAdaptsItsStep) {
    // Mono block: header (first sample 100, step index 0), then one group of
    // four bytes. Code 7 at step 7 adds 0 + 7 + 3 + 1 = 11 and moves the
    // index by 8 (step 16); code 7 again adds 2 + 16 + 8 + 4 = 30; code 0xF
    // at index 16 (step 34) subtracts 4 + 34 + 17 + 8 = 63.
    const std::vector<std::uint8_t> block = {100, 0, 0, 0, 0x77, 0x0F, 0, 0};
    const std::vector<std::int16_t> pcm = Samples(ConvertOnce(Ima(1, 8), block));
    ASSERT_EQ(pcm.size(), 9u);
    EXPECT_EQ(pcm[0], 100);
    EXPECT_EQ(pcm[1], 111);
    EXPECT_EQ(pcm[2], 141);
    EXPECT_EQ(pcm[3], 78);
}

TEST(CodecLayer, MsAdpcmStartsWithTheHeaderSamplesAndTakesHighNibblesFirst) {
    // Mono block: predictor 0 (256, 0), delta 16, newer 1000, older 900.
    // Code 1 adds 16 to the newer sample; its adaptation 230 x 16 / 256 = 14
    // is held at 16; code 0xF (-1) then subtracts 16.
    std::vector<std::uint8_t> block = {0};
    PutLe16(block, 16);
    PutLe16(block, 1000);
    PutLe16(block, 900);
    block.push_back(0x1F);
    const std::vector<std::int16_t> pcm = Samples(ConvertOnce(MsAdpcm(1, 8), block));
    EXPECT_EQ(pcm, (std::vector<std::int16_t>{900, 1000, 1016, 1000}));
}

TEST(CodecLayer, MsAdpcmDamagedBlocksStayInRange) {
    // A huge step, a predictor past the table and codes that keep growing
    // the step: the samples clip and nothing overflows.
    std::vector<std::uint8_t> block = {200};
    PutLe16(block, 32767);
    PutLe16(block, 32767);
    PutLe16(block, -32768);
    block.resize(256, 0x77);
    const std::vector<std::int16_t> pcm = Samples(ConvertOnce(MsAdpcm(1, 256), block));
    ASSERT_EQ(pcm.size(), 500u);
    EXPECT_EQ(pcm.back(), 32767);
}

TEST(CodecLayer, SuggestsPcmAndNamesTheTagsOfTheStreamsDriver) {
    struct TCase {
        TFormat source;
        const char* name;
    };
    const TCase cases[] = {
        {Ima(2, 512), "IMA ADPCM"},
        {MsAdpcm(1, 256), "Microsoft ADPCM"},
        {TFormat(WAVE_FORMAT_ALAW, 1, 11025, 1, 8), "CCITT A-Law"},
        {TFormat(WAVE_FORMAT_MULAW, 2, 8000, 2, 8), "CCITT u-Law"},
        {Gsm(), "GSM 6.10"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        WAVEFORMATEX suggested{};
        suggested.wFormatTag = WAVE_FORMAT_PCM;
        ASSERT_EQ(acmFormatSuggest(c.source.Get(), &suggested, sizeof suggested, ACM_FORMATSUGGESTF_WFORMATTAG),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(suggested.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(suggested.nChannels, c.source.Get()->nChannels);
        EXPECT_EQ(suggested.nSamplesPerSec, c.source.Get()->nSamplesPerSec);
        EXPECT_EQ(suggested.wBitsPerSample, 16);
        EXPECT_EQ(suggested.nBlockAlign, 2 * suggested.nChannels);
        EXPECT_EQ(suggested.nAvgBytesPerSec, suggested.nBlockAlign * suggested.nSamplesPerSec);

        TStream stream;
        ASSERT_EQ(acmStreamOpen(&stream.handle, c.source.Get(), &suggested), MMSYSERR_NOERROR);
        HACMDRIVERID id = 0;
        ASSERT_EQ(acmDriverID(stream.handle, &id), MMSYSERR_NOERROR);
        EXPECT_NE(id, 0u);
        HACMDRIVER driver = nullptr;
        ASSERT_EQ(acmDriverOpen(&driver, id), MMSYSERR_NOERROR);
        TCodecTagDetails details;
        details.formatTag = c.source.Get()->wFormatTag;
        EXPECT_EQ(acmFormatTagDetails(driver, &details, ACM_FORMATTAGDETAILSF_FORMATTAG), MMSYSERR_NOERROR);
        EXPECT_STREQ(details.name, c.name);
        details.formatTag = 0x1234;
        EXPECT_EQ(acmFormatTagDetails(driver, &details, ACM_FORMATTAGDETAILSF_FORMATTAG), ACMERR_NOTPOSSIBLE);
        EXPECT_EQ(acmDriverClose(driver), MMSYSERR_NOERROR);
    }

    WAVEFORMATEX suggested{};
    suggested.wFormatTag = WAVE_FORMAT_PCM;
    EXPECT_EQ(acmFormatSuggest(TFormat(0x1234, 1, 8000, 1, 8).Get(), &suggested, sizeof suggested, 0),
              ACMERR_NOTPOSSIBLE);
    suggested.wFormatTag = WAVE_FORMAT_ALAW;
    EXPECT_EQ(acmFormatSuggest(Gsm().Get(), &suggested, sizeof suggested, ACM_FORMATSUGGESTF_WFORMATTAG),
              ACMERR_NOTPOSSIBLE);
    HACMDRIVER none = nullptr;
    EXPECT_EQ(acmDriverOpen(&none, 0), MMSYSERR_INVALHANDLE);
}

// A driver of the test's own, for registration.
class CNullDriver : public ICodecDriver {
public:
    explicit CNullDriver(const char* name) : name_(name) {}
    const char* Name() const override { return name_; }
    const char* TagName(std::uint16_t tag) const override { return tag == 0x7777 ? "Test" : nullptr; }
    std::unique_ptr<ICodecStream> Open(const WAVEFORMATEX*, const WAVEFORMATEX*) override { return nullptr; }
    bool SuggestPCM(const WAVEFORMATEX*, WAVEFORMATEX*) const override { return false; }

private:
    const char* name_;
};

TEST(CodecLayer, AddsADriverOnceByName) {
    const HACMDRIVERID first = CodecLayerAddDriver(std::make_unique<CNullDriver>("test-null"));
    EXPECT_GT(first, 4u);  // after the built-in drivers
    EXPECT_EQ(CodecLayerAddDriver(std::make_unique<CNullDriver>("test-null")), first);
    EXPECT_EQ(CodecLayerAddDriver(nullptr), 0u);
    HACMDRIVER driver = nullptr;
    ASSERT_EQ(acmDriverOpen(&driver, first), MMSYSERR_NOERROR);
    TCodecTagDetails details;
    details.formatTag = 0x7777;
    EXPECT_EQ(acmFormatTagDetails(driver, &details, ACM_FORMATTAGDETAILSF_FORMATTAG), MMSYSERR_NOERROR);
    EXPECT_STREQ(details.name, "Test");
    acmDriverClose(driver);
}

}  // namespace
