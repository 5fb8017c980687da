// Choosing a profile's codec format over made-up catalogues, and the profile
// built around the winner.

#include <gtest/gtest.h>

#include <cstring>

#include "mediacore/errors.h"
#include "mediacore/profile_builder.h"
#include "platform/last_error.h"

namespace {

TCodecFormat Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint32_t avgBytes,
                    std::uint16_t blockAlign, std::vector<std::uint8_t> extra = {}) {
    TCodecFormat f;
    f.head = {tag, channels, rate, avgBytes, blockAlign, 16, static_cast<std::uint16_t>(extra.size())};
    f.extra = std::move(extra);
    return f;
}

constexpr ProfileRequest kCdRequest = {128000, 0x161, 44100, 2};

TEST(ProfileSelection, BitrateWindowAndMatchingFields) {
    struct TCase {
        const char* what;
        std::vector<TCodecFormat> formats;
        int expected;
    };
    const TCase cases[] = {
        {"16000 bytes/s matches, 16032 does not (256 bit/s off)",
         {Format(0x161, 2, 44100, 16032, 5945), Format(0x161, 2, 44100, 16000, 2973)}, 1},
        {"only 16032 bytes/s", {Format(0x161, 2, 44100, 16032, 2973)}, -1},
        {"248 bit/s above", {Format(0x161, 2, 44100, 16031, 10)}, 0},
        {"another tag", {Format(0x160, 2, 44100, 16000, 10)}, -1},
        {"another rate", {Format(0x161, 2, 48000, 16000, 10)}, -1},
        {"another channel count", {Format(0x161, 1, 44100, 16000, 10)}, -1},
        {"empty catalogue", {}, -1},
    };
    for (const TCase& c : cases) EXPECT_EQ(SelectProfileFormat(c.formats, kCdRequest), c.expected) << c.what;

    // Both ends of the window are outside it.
    const std::vector<TCodecFormat> one = {Format(0x161, 2, 44100, 16000, 10)};
    const struct {
        std::int32_t bitsPerSecond;
        int expected;
    } edges[] = {{128250, -1}, {128249, 0}, {127751, 0}, {127750, -1}};
    for (const auto& e : edges) {
        EXPECT_EQ(SelectProfileFormat(one, {e.bitsPerSecond, 0x161, 44100, 2}), e.expected) << e.bitsPerSecond;
    }
}

TEST(ProfileSelection, LargestAlignmentWinsAndLaterTiesReplace) {
    const std::vector<TCodecFormat> formats = {
        Format(0x161, 2, 44100, 16000, 2973), Format(0x161, 2, 44100, 16000, 5945, {1}),
        Format(0x161, 2, 44100, 16010, 5945, {2}), Format(0x161, 2, 44100, 16000, 4000)};
    EXPECT_EQ(SelectProfileFormat(formats, kCdRequest), 2);
}

TEST(ProfileBuild, NoMatchFailsWithTheReasonAndHandsOutNothing) {
    SetLastError(0);
    IWMProfile* profile = reinterpret_cast<IWMProfile*>(0x1);
    const std::vector<TCodecFormat> formats = {Format(0x161, 2, 44100, 16032, 2973)};
    EXPECT_EQ(BuildProfile(formats, kCdRequest, &profile), E_FAIL);
    EXPECT_EQ(GetLastError(), MEDIACORE_ERR_NO_PROFILE_FORMAT);
    EXPECT_EQ(profile, nullptr);
}

TEST(ProfileBuild, OneAudioStreamOfTheWinner) {
    const std::vector<std::uint8_t> extra = {0, 0, 0, 0, 0x17, 0, 0, 0, 0, 0};
    const std::vector<TCodecFormat> formats = {Format(0x161, 2, 44100, 16000, 2973),
                                               Format(0x161, 2, 44100, 15999, 5945, extra)};
    IWMProfile* profile = nullptr;
    ASSERT_EQ(BuildProfile(formats, kCdRequest, &profile), S_OK);

    WMT_VERSION version{};
    ASSERT_EQ(profile->GetVersion(&version), S_OK);
    EXPECT_EQ(version, 0x70000u);
    WCHAR name[64];
    DWORD nameLength = 64;
    ASSERT_EQ(profile->GetName(name, &nameLength), S_OK);
    EXPECT_EQ(std::u16string(name), u"Custom Profile");
    DWORD streams = 0;
    ASSERT_EQ(profile->GetStreamCount(&streams), S_OK);
    ASSERT_EQ(streams, 1u);

    IWMStreamConfig* config = nullptr;
    ASSERT_EQ(profile->GetStream(0, &config), S_OK);
    WORD number = 0;
    DWORD bitrate = 0;
    WCHAR text[64];
    WORD textLength = 64;
    config->GetStreamNumber(&number);
    config->GetBitrate(&bitrate);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(bitrate, 15999u * 8);
    ASSERT_EQ(config->GetStreamName(text, &textLength), S_OK);
    EXPECT_EQ(std::u16string(text), u"Audio Stream");
    textLength = 64;
    ASSERT_EQ(config->GetConnectionName(text, &textLength), S_OK);
    EXPECT_EQ(std::u16string(text), u"Audio");

    IWMMediaProps* props = nullptr;
    ASSERT_EQ(config->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&props)), S_OK);
    DWORD size = 0;
    ASSERT_EQ(props->GetMediaType(nullptr, &size), S_OK);
    ASSERT_EQ(size, sizeof(WM_MEDIA_TYPE) + 18 + extra.size());
    std::vector<std::uint64_t> storage((size + 7) / 8);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(storage.data());
    DWORD tooSmall = size - 1;
    EXPECT_EQ(props->GetMediaType(type, &tooSmall), MEDIACORE_E_BUFFER_TOO_SMALL);
    ASSERT_EQ(props->GetMediaType(type, &size), S_OK);
    EXPECT_EQ(type->majortype, WMMEDIATYPE_Audio);
    const GUID wmaSubtype = {0x00000161, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    EXPECT_EQ(type->subtype, wmaSubtype);
    EXPECT_EQ(type->bFixedSizeSamples, 1);
    EXPECT_EQ(type->bTemporalCompression, 0);
    EXPECT_EQ(type->lSampleSize, 5945u);
    EXPECT_EQ(type->formattype, WMFORMAT_WaveFormatEx);
    EXPECT_EQ(type->pUnk, nullptr);
    ASSERT_EQ(type->cbFormat, 18 + extra.size());
    WAVEFORMATEX head{};
    std::memcpy(&head, type->pbFormat, sizeof head);
    EXPECT_EQ(+head.nBlockAlign, 5945);
    EXPECT_EQ(+head.nAvgBytesPerSec, 15999u);
    EXPECT_EQ(std::size_t{head.cbSize}, extra.size());
    EXPECT_EQ(std::vector<std::uint8_t>(type->pbFormat + 18, type->pbFormat + type->cbFormat), extra);

    props->Release();
    config->Release();
    profile->Release();
}

}  // namespace
