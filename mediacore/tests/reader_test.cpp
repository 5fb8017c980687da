// The reader where no song is needed: files it refuses, through both
// interfaces, and requests that come in the wrong state.

#include <gtest/gtest.h>

#include "mediacore/errors.h"
#include "mediacore/tests/asf_builder.h"
#include "mediacore/tests/mediacore_module.h"
#include "mediacore/tests/reader_recorder.h"
#include "mediacore/tests/watchdog.h"
#include "testsupport/temp_dir.h"
#include "utilities/unicode.h"

namespace {

using namespace std::chrono_literals;
using mediatest::CReaderRecorder;
using mediatest::TReaderEvent;

struct TRefusedFile {
    const char* what;
    std::string bytes;  // empty: no file at all
    HRESULT result;
};

std::string AsString(const asftest::Buffer& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Reader, RefusedFilesEndInOneOpenedStatusWithTheReason) {
    mediatest::CWatchdog watchdog(testsupport::kHangLimit, "refused files");
    mediatest::TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    testsupport::TempDir dir;
    const asftest::Buffer protectedSong =
        asftest::Concat({asftest::Header({asftest::FileProperties(0, 10000000, 0),
                                          asftest::AudioStream(1, 16000, kAsfStreamEncryptedFlag)}),
                         asftest::DataObject(64)});
    const TRefusedFile files[] = {
        {"missing", "", MEDIACORE_E_FILE},
        {"a wave file", "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data\0\0\0\0",
         MEDIACORE_E_BAD_HEADER},
        {"protected", AsString(protectedSong), MEDIACORE_E_PROTECTED},
    };
    for (const TRefusedFile& file : files) {
        SCOPED_TRACE(file.what);
        const std::string path = dir.File(std::string(file.what) + ".wma");
        if (!file.bytes.empty()) testsupport::WriteWholeFile(path, file.bytes);
        const std::u16string wide = Utf8ToUtf16(path);

        CReaderRecorder recorder;
        IWMReader* reader = nullptr;
        ASSERT_EQ(module.WMCreateReader(nullptr, 0, &reader, nullptr), S_OK);
        ASSERT_EQ(reader->Open(wide.c_str(), &recorder, nullptr), S_OK);
        ASSERT_TRUE(recorder.WaitForStatus(WMT_OPENED));
        // Nothing is open, so there is nothing to start or close.
        EXPECT_EQ(reader->Start(0, 0, 1.0f, nullptr), NS_E_INVALID_REQUEST);
        EXPECT_EQ(reader->Close(), NS_E_INVALID_REQUEST);
        DWORD outputs = 0;
        EXPECT_EQ(reader->GetOutputCount(&outputs), NS_E_INVALID_REQUEST);
        reader->Release();
        const std::vector<TReaderEvent> events = recorder.Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].result, file.result);
        EXPECT_EQ(recorder.References(), 0);

        IWMReader* pulling = nullptr;
        ASSERT_EQ(module.WMCreateReader(nullptr, 0, &pulling, nullptr), S_OK);
        IWMSyncReader* sync = nullptr;
        ASSERT_EQ(pulling->QueryInterface(IID_IWMSyncReader, reinterpret_cast<void**>(&sync)), S_OK);
        EXPECT_EQ(sync->Open(wide.c_str()), file.result);
        INSSBuffer* sample = nullptr;
        EXPECT_EQ(sync->GetNextSample(0, &sample, nullptr, nullptr, nullptr, nullptr, nullptr), NS_E_INVALID_REQUEST);
        EXPECT_EQ(sample, nullptr);
        sync->Release();
        pulling->Release();
    }
}

TEST(Reader, ArgumentsAndWhatItDoesNotOffer) {
    mediatest::TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    EXPECT_EQ(module.WMCreateReader(nullptr, 0, nullptr, nullptr), E_INVALIDARG);
    IWMReader* reader = nullptr;
    IWMReaderAdvanced2* advanced = nullptr;
    ASSERT_EQ(module.WMCreateReader(nullptr, 0, &reader, &advanced), S_OK);
    ASSERT_NE(advanced, nullptr);
    CReaderRecorder recorder;
    EXPECT_EQ(reader->Open(nullptr, &recorder, nullptr), E_INVALIDARG);
    EXPECT_EQ(reader->Open(u"/nowhere.wma", nullptr, nullptr), E_INVALIDARG);
    // A buffer progress of 100 % would end a caller's scan early.
    DWORD percent = 0;
    QWORD buffering = 0;
    EXPECT_EQ(advanced->GetBufferProgress(&percent, &buffering), E_NOTIMPL);
    EXPECT_EQ(advanced->SetPlayMode(WMT_PLAY_MODE_LOCAL), S_OK);
    EXPECT_EQ(advanced->NotifyLateDelivery(10000), S_OK);
    advanced->Release();
    EXPECT_EQ(reader->Release(), 0u);
    EXPECT_EQ(recorder.References(), 0);
}

}  // namespace
