// The writer's states and inputs, and what an unfinished encoding leaves on
// disk (needs FFmpeg's libraries only, not its programs).

#include <gtest/gtest.h>

#include <dirent.h>

#include <set>

#include "mediacore/errors.h"
#include "mediacore/tests/media_test_helpers.h"
#include "mediacore/tests/mediacore_module.h"
#include "testsupport/temp_dir.h"
#include "utilities/unicode.h"

namespace {

using mediatest::TMediaModule;

IWMProfile* CdProfile(TMediaModule& module) {
    const ProfileRequest request = {128000, 0x161, 44100, 2};
    IWMProfile* profile = nullptr;
    EXPECT_EQ(module.GenerateProfile(&request, &profile), S_OK);
    return profile;
}

std::set<std::string> FolderEntries(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.insert(name);
        }
        closedir(dir);
    }
    return names;
}

TEST(Writer, RequestsOutOfOrderAreRefused) {
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    testsupport::TempDir dir;
    IWMWriter* writer = nullptr;
    EXPECT_EQ(module.WMCreateWriter(nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(module.WMCreateWriter(nullptr, &writer, nullptr), E_INVALIDARG);
    EXPECT_EQ(writer, nullptr);
    const std::u16string path = Utf8ToUtf16(dir.File("song.wma"));
    ASSERT_EQ(module.WMCreateWriter(nullptr, &writer, path.c_str()), S_OK);

    IWMInputMediaProps* props = nullptr;
    EXPECT_EQ(writer->GetInputProps(0, &props), NS_E_INVALID_REQUEST);
    EXPECT_EQ(writer->BeginWriting(), NS_E_INVALID_REQUEST);
    INSSBuffer* sample = nullptr;
    ASSERT_EQ(writer->AllocateSample(4, &sample), S_OK);
    EXPECT_EQ(writer->WriteSample(0, 0, 0, sample), NS_E_INVALID_REQUEST);
    EXPECT_EQ(writer->EndWriting(), NS_E_INVALID_REQUEST);
    EXPECT_EQ(writer->Flush(), S_OK);

    IWMProfile* profile = CdProfile(module);
    ASSERT_EQ(writer->SetProfile(profile), S_OK);
    EXPECT_EQ(writer->GetInputProps(1, &props), E_INVALIDARG);
    ASSERT_EQ(writer->BeginWriting(), S_OK);
    EXPECT_EQ(writer->BeginWriting(), NS_E_INVALID_REQUEST);
    EXPECT_EQ(writer->SetProfile(profile), NS_E_INVALID_REQUEST);
    EXPECT_EQ(writer->WriteSample(1, 0, 0, sample), E_INVALIDARG);
    EXPECT_EQ(writer->WriteSample(0, 0, 0, sample), S_OK);
    EXPECT_EQ(writer->EndWriting(), S_OK);
    EXPECT_EQ(writer->EndWriting(), NS_E_INVALID_REQUEST);
    sample->Release();
    module.ReleaseProfile(&profile);
    EXPECT_EQ(writer->Release(), 0u);
}

TEST(Writer, InputFormatsItTakesAndRefuses) {
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    testsupport::TempDir dir;
    const std::u16string path = Utf8ToUtf16(dir.File("song.wma"));
    IWMWriter* writer = nullptr;
    ASSERT_EQ(module.WMCreateWriter(nullptr, &writer, path.c_str()), S_OK);
    IWMProfile* profile = CdProfile(module);
    ASSERT_EQ(writer->SetProfile(profile), S_OK);
    const struct {
        WORD tag;
        DWORD rate;
        WORD channels, bits;
        HRESULT result;
    } inputs[] = {
        {1, 44100, 2, 16, S_OK},
        {1, 22050, 1, 8, S_OK},
        {1, 8000, 2, 8, S_OK},
        {1, 96000, 1, 16, S_OK},
        {1, 44100, 2, 24, MEDIACORE_E_FORMAT},
        {1, 44100, 6, 16, MEDIACORE_E_FORMAT},
        {1, 0, 2, 16, MEDIACORE_E_FORMAT},
        {3, 44100, 2, 32, MEDIACORE_E_FORMAT},
        {0x161, 44100, 2, 16, MEDIACORE_E_FORMAT},
    };
    for (const auto& input : inputs) {
        SCOPED_TRACE(testing::Message() << input.tag << " " << input.rate << " " << input.channels << " " << input.bits);
        EXPECT_EQ(mediatest::SetPcmInput(writer, input.tag, input.rate, input.channels, input.bits), input.result);
    }
    // The last accepted input stands, with its block and byte rate worked out.
    IWMInputMediaProps* props = nullptr;
    ASSERT_EQ(writer->GetInputProps(0, &props), S_OK);
    const WAVEFORMATEX format = mediatest::WaveFormatOf(props);
    EXPECT_EQ(format.nSamplesPerSec, 96000u);
    EXPECT_EQ(format.nBlockAlign, 2);
    EXPECT_EQ(format.nAvgBytesPerSec, 192000u);
    props->Release();
    module.ReleaseProfile(&profile);
    writer->Release();
}

TEST(Writer, AnUnfinishedEncodingLeavesTheFolderAsItWas) {
    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    testsupport::TempDir dir;
    const std::string path = dir.File("song.wma");
    testsupport::WriteWholeFile(path, "the song that was there");
    const std::u16string wide = Utf8ToUtf16(path);
    IWMProfile* profile = CdProfile(module);
    IWMWriter* writer = nullptr;
    ASSERT_EQ(module.WMCreateWriter(nullptr, &writer, wide.c_str()), S_OK);
    ASSERT_EQ(writer->SetProfile(profile), S_OK);
    ASSERT_EQ(writer->BeginWriting(), S_OK);
    INSSBuffer* sample = nullptr;
    ASSERT_EQ(writer->AllocateSample(176400, &sample), S_OK);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(writer->WriteSample(0, 0, 0, sample), S_OK);
    ASSERT_EQ(writer->Flush(), S_OK);
    sample->Release();
    writer->Release();
    module.ReleaseProfile(&profile);
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"song.wma"});
    EXPECT_EQ(testsupport::ReadWholeFile(path), "the song that was there");
}

}  // namespace
