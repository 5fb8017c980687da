// The module's exports as the sound engine calls them: the codec list over
// the real catalogue, profiles for the engine's presets, the editor.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mediacore/errors.h"
#include "mediacore/tests/mediacore_module.h"
#include "platform/last_error.h"

namespace {

using mediatest::TMediaModule;

std::vector<WAVEFORMATEX> ListAll(TMediaModule& module) {
    std::uint32_t count = 0;
    EXPECT_EQ(module.GenerateCodecList(nullptr, &count), S_OK);
    std::vector<WAVEFORMATEX> list(count);
    WAVEFORMATEX* buffer = list.data();
    EXPECT_EQ(module.GenerateCodecList(&buffer, &count), S_OK);
    EXPECT_EQ(count, list.size());
    return list;
}

TEST(CodecList, CountingAndListing) {
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    const std::vector<WAVEFORMATEX> all = ListAll(module);
    ASSERT_FALSE(all.empty());
    for (const WAVEFORMATEX& f : all) {
        EXPECT_TRUE(f.wFormatTag == 0x161 || f.wFormatTag == 0x160);
        EXPECT_GT(+f.nBlockAlign, 0);
    }

    // A count of 0 writes nothing and says so.
    std::uint8_t sentinel[18];
    std::memset(sentinel, 0x5A, sizeof sentinel);
    WAVEFORMATEX* untouched = reinterpret_cast<WAVEFORMATEX*>(sentinel);
    std::uint32_t count = 0;
    EXPECT_EQ(module.GenerateCodecList(&untouched, &count), S_OK);
    EXPECT_EQ(count, 0u);
    for (std::uint8_t b : sentinel) EXPECT_EQ(b, 0x5A);

    // A short list gets the first entries; a long one gets them all and its
    // further slots stay as they were. The count is the caller's and is not
    // changed either way.
    std::vector<WAVEFORMATEX> some(3);
    WAVEFORMATEX* buffer = some.data();
    count = 3;
    EXPECT_EQ(module.GenerateCodecList(&buffer, &count), S_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(std::memcmp(some.data(), all.data(), 3 * sizeof(WAVEFORMATEX)), 0);
    std::vector<std::uint8_t> more((all.size() + 5) * sizeof(WAVEFORMATEX), 0x5A);
    buffer = reinterpret_cast<WAVEFORMATEX*>(more.data());
    count = static_cast<std::uint32_t>(all.size() + 5);
    EXPECT_EQ(module.GenerateCodecList(&buffer, &count), S_OK);
    EXPECT_EQ(count, all.size() + 5);
    EXPECT_EQ(std::memcmp(more.data(), all.data(), all.size() * sizeof(WAVEFORMATEX)), 0);
    EXPECT_TRUE(std::all_of(more.begin() + static_cast<std::ptrdiff_t>(all.size() * sizeof(WAVEFORMATEX)), more.end(),
                            [](std::uint8_t b) { return b == 0x5A; }));

    EXPECT_EQ(module.GenerateCodecList(nullptr, nullptr), E_INVALIDARG);
}

TEST(CodecList, EngineRatesAndPresetsOverTheRealEncoder) {
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    const std::vector<WAVEFORMATEX> all = ListAll(module);

    const WAVEFORMATEX* cd = nullptr;
    for (const WAVEFORMATEX& f : all) {
        if (f.wFormatTag == 0x161 && f.nChannels == 2 && f.nSamplesPerSec == 44100 &&
            std::abs(static_cast<int>(f.nAvgBytesPerSec) * 8 - 128000) < 250) {
            cd = &f;
        }
    }
    ASSERT_NE(cd, nullptr);
    EXPECT_EQ(+cd->nBlockAlign, 743);
    EXPECT_EQ(+cd->nAvgBytesPerSec, 15999u);
    EXPECT_EQ(+cd->wBitsPerSample, 16);
    EXPECT_EQ(+cd->cbSize, 10);

    // The engine's WMA presets (kbit/s, rate, channels) and whether the
    // encoder can make them.
    const struct {
        int preset, kbps;
        std::uint32_t rate;
        int channels;
        bool offered;
    } presets[] = {{1, 8, 8000, 1, false},   {2, 20, 16000, 1, false}, {3, 32, 22050, 2, true},
                   {4, 48, 44100, 1, true},  {5, 64, 44100, 2, true},  {6, 96, 44100, 2, true},
                   {7, 128, 44100, 2, true}, {8, 192, 44100, 2, true}};
    for (const auto& p : presets) {
        bool found = false;
        for (const WAVEFORMATEX& f : all) {
            found = found || (f.nSamplesPerSec == p.rate && f.nChannels == p.channels &&
                              std::abs(p.kbps * 1000 - static_cast<int>(f.nAvgBytesPerSec) * 8) < 250);
        }
        EXPECT_EQ(found, p.offered) << "preset " << p.preset;
    }
}

TEST(GenerateProfile, ArgumentsResultsAndTheLastError) {
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    const ProfileRequest cd = {128000, 0x161, 44100, 2};
    IWMProfile* profile = nullptr;

    // A reason left by an earlier call never survives into this one.
    SetLastError(0x20000116);
    EXPECT_EQ(module.GenerateProfile(nullptr, &profile), E_INVALIDARG);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(module.GenerateProfile(&cd, nullptr), E_INVALIDARG);

    const ProfileRequest impossible = {8000, 0x161, 8000, 1};
    SetLastError(0x20000117);
    EXPECT_EQ(module.GenerateProfile(&impossible, &profile), E_FAIL);
    EXPECT_EQ(GetLastError(), MEDIACORE_ERR_NO_PROFILE_FORMAT);
    EXPECT_EQ(profile, nullptr);

    ASSERT_EQ(module.GenerateProfile(&cd, &profile), S_OK);
    ASSERT_NE(profile, nullptr);
    IWMStreamConfig* config = nullptr;
    ASSERT_EQ(profile->GetStream(0, &config), S_OK);
    DWORD bitrate = 0;
    config->GetBitrate(&bitrate);
    EXPECT_EQ(bitrate, 15999u * 8);
    config->Release();

    module.ReleaseProfile(&profile);
    EXPECT_EQ(profile, nullptr);
    module.ReleaseProfile(&profile);  // already null: nothing
    module.ReleaseProfile(nullptr);
}

TEST(CreateEditor, HandsOutAnEditorWithHeaderInformation) {
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    IWMMetadataEditor* editor = nullptr;
    ASSERT_EQ(module.WMCreateEditor(&editor), S_OK);
    IWMHeaderInfo* info = nullptr;
    ASSERT_EQ(editor->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void**>(&info)), S_OK);
    void* nothing = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(editor->QueryInterface(IID_IWMReader, &nothing), E_NOINTERFACE);
    EXPECT_EQ(nothing, nullptr);
    EXPECT_EQ(info->Release(), 1u);
    EXPECT_EQ(editor->Release(), 0u);
}

}  // namespace
