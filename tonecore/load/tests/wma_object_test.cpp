// The WMA decoding object without a song: its answers to the decoding
// object's operations, its sizes by bit rate (a file without one included),
// its format line, copies, and the calls that need an open reader.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testsupport/temp_dir.h"
#include "tonecore/load/tests/wma_test_support.h"
#include "tonecore/engine/tonecore_strings.h"
#include "tonecore/load/wma_buffer.h"
#include "tonecore/load/wma_object.h"

namespace {

std::unique_ptr<WMAObject> Object(std::uint16_t channels, std::uint32_t rate, std::int32_t bitRate) {
    WAVEFORMATEX source = wmatest::StartFormat();
    source.nChannels = channels;
    source.nSamplesPerSec = rate;
    source.nBlockAlign = static_cast<std::uint16_t>(2 * channels);
    source.nAvgBytesPerSec = static_cast<std::uint32_t>(bitRate / 8);
    auto object = std::make_unique<WMAObject>(&source, 1);
    object->SetBitRate(bitRate);
    return object;
}

TEST(WmaObject, AnswersForTheDecodingObjectsOperations) {
    auto object = Object(2, 44100, 128000);
    EXPECT_EQ(object->IsACM(), 0);
    EXPECT_EQ(object->ACMDriverInstalled(), 1);
    EXPECT_EQ(object->ActivateDriver(1), 1);
    EXPECT_EQ(object->SuggestPCMFormat(), 1);
    EXPECT_EQ(object->GetInitialNumOffsetsInRev(), -2);
    EXPECT_EQ(object->EnableStream(0), 1);
    // No reader: nothing to pause, resume, start or stop.
    EXPECT_FALSE(object->Pause());
    EXPECT_FALSE(object->Resume());
    EXPECT_EQ(object->Start(0), E_FAIL);
    EXPECT_EQ(object->Stop(), S_OK);
    EXPECT_TRUE(object->Close());
    EXPECT_EQ(object->MaxBufferOverload(), 1000000u);

    // The destination: 16-bit PCM at the source's channels and rate.
    const WAVEFORMATEX* out = object->GetDestFormat();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->wFormatTag, 1);
    EXPECT_EQ(out->nChannels, 2);
    EXPECT_EQ(out->nSamplesPerSec, 44100u);
    EXPECT_EQ(out->nBlockAlign, 4);
    EXPECT_EQ(out->nAvgBytesPerSec, 176400u);
    WAVEFORMATEX mono = *out;
    mono.nChannels = 1;
    EXPECT_EQ(object->SetDestFormat(&mono), 1);
    EXPECT_EQ(object->GetDestFormat()->nBlockAlign, 2);  // completed
    EXPECT_EQ(object->GetDestFormat()->nAvgBytesPerSec, 88200u);

    std::int64_t offsets[][2] = {{100, 96}, {5, 1}, {4, 0}, {3, 0}, {0, 0}};
    for (auto& [in, expected] : offsets) {
        object->AdjustSrcOffset(&in);
        EXPECT_EQ(in, expected);
    }
    std::int64_t sizes[][2] = {{1000, 2048}, {2048, 2048}, {4096, 4096}};
    for (auto& [in, expected] : sizes) {
        object->CheckMinimumSrcSize(&in);
        EXPECT_EQ(in, expected);
    }
}

TEST(WmaObject, SizesFollowTheBitRateAndNeverReachZero) {
    struct TCase {
        std::int32_t bitRate;
        std::int32_t block;
        double decodedPerSecondOfSource;  // decoded bytes for bitRate / 8 source bytes
        std::int64_t sourceForOneSecond;  // source bytes for 176400 decoded bytes
    };
    const TCase cases[] = {
        {128000, 512, 176400.0, 15872},  // 16000 in whole blocks of 512
        {64000, 256, 176400.0, 7936},
        {192000, 768, 176400.0, 23808},
    };
    for (const TCase& c : cases) {
        auto object = Object(2, 44100, c.bitRate);
        EXPECT_EQ(object->BlockSize(object->GetSrcFormat()), c.block);
        EXPECT_DOUBLE_EQ(object->GetConvertedBufferSize(c.bitRate / 8), c.decodedPerSecondOfSource);
        EXPECT_EQ(object->GetSourceBufferSize(176400), c.sourceForOneSecond);
        EXPECT_EQ(object->GetSourceBufferSize(0), 0);
        EXPECT_EQ(object->GetSourceBufferSize(1), c.block);  // at least one block
    }
    // Without any bit rate the decoded PCM's rate sizes the blocks.
    auto unknown = Object(2, 44100, 0);
    EXPECT_GT(unknown->BlockSize(unknown->GetSrcFormat()), 0);
    EXPECT_GT(unknown->GetConvertedBufferSize(4096), 0.0);
    EXPECT_GT(unknown->GetSourceBufferSize(4096), 0);
}

TEST(WmaObject, FormatLineIsBoundedAndFallsBackFromAForeignTemplate) {
    auto object = Object(1, 22050, 32000);
    char line[64];
    ASSERT_EQ(object->GetSrcFormatStr(line, sizeof line), 1);
    EXPECT_STREQ(line, "WMA 32 kbps, Mono");
    char tiny[6];
    ASSERT_EQ(object->GetSrcFormatStr(tiny, sizeof tiny), 1);
    EXPECT_STREQ(tiny, "WMA 3");

    const std::string saved = ToneCoreStringFile();
    testsupport::TempDir dir;
    const std::string file = dir.File("strings.ini");
    for (const char* pattern : {"%s %d", "%d %s %s", "%n%d %s", "%d"}) {
        testsupport::WriteWholeFile(file, std::string("[Strings]\nFS_WMA_FORMAT=") + pattern + "\nFS_MONO=Mono\n");
        SetToneCoreStringFile(file.c_str());
        ASSERT_EQ(object->GetSrcFormatStr(line, sizeof line), 1);
        EXPECT_STREQ(line, "WMA 32 kbps Mono") << pattern;
    }
    SetToneCoreStringFile(saved.c_str());
}

TEST(WmaObject, CopiesAndBuffersKeepTheirKind) {
    auto object = Object(2, 48000, 96000);
    object->SetMaxBufferOverload(4096);
    std::unique_ptr<ACMObject> copy(object->Copy());
    auto* wma = dynamic_cast<WMAObject*>(copy.get());
    ASSERT_NE(wma, nullptr);
    EXPECT_EQ(wma->GetBitRate(), 96000);
    EXPECT_EQ(wma->MaxBufferOverload(), 4096u);
    EXPECT_EQ(wma->GetDestFormat()->nSamplesPerSec, 48000u);
    EXPECT_FALSE(wma->IsOpen());

    std::unique_ptr<CACMBuffer> buffer(object->NewBuffer(static_cast<CSeekMap*>(nullptr)));
    ASSERT_NE(dynamic_cast<CWMABuffer*>(buffer.get()), nullptr);
    std::unique_ptr<CACMBuffer> again(object->NewBuffer(*buffer));
    EXPECT_NE(dynamic_cast<CWMABuffer*>(again.get()), nullptr);
    std::unique_ptr<CPCMBuffer> copied(buffer->Copy());
    EXPECT_NE(dynamic_cast<CWMABuffer*>(copied.get()), nullptr);

    // A buffer over an object with no reader gives nothing and cannot seek.
    buffer->SetACMObject(object.get());
    std::uint8_t bytes[16];
    EXPECT_EQ(buffer->ReadData(bytes, sizeof bytes), 0);
    EXPECT_EQ(buffer->Seek(0), 0);
}

TEST(WmaObject, ConvertWithoutASongToOpenFails) {
    auto object = Object(2, 44100, 128000);
    std::uint8_t bytes[64];
    std::uint8_t* out = bytes;
    std::int64_t consumed = 5;
    EXPECT_EQ(object->Convert(nullptr, consumed, out, sizeof bytes, kConversionFirst, 0), -1);
    EXPECT_EQ(consumed, 0);
    EXPECT_EQ(object->EnableStream(1), 0);
    EXPECT_FALSE(object->Seek(0.0));
}

}  // namespace
