#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <string>

#include "filekit/file_obj.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/tests/peak_test_support.h"

using peaktest::Get32;
using peaktest::PeaksTest;

TEST_F(PeaksTest, ScanWritesThePeaksFileBesideTheSongsMirror) {
    const WAVEFORMATEX f = peaktest::StereoFormat();
    const auto pcm = peaktest::MakeSignal(f, {{300, 0}, {500, 20000}, {200, 30000}});
    auto song = OpenSong("tone.wav");
    const std::string songPath = song->FilePath();
    CPeaks peaks;
    ASSERT_EQ(peaktest::ScanSignal(peaks, pcm, f, 10, song.get()), 1);

    // The song's path mirrored into the temporary sound folder, ".ipk" on.
    const std::string expected = cache_ + "/" + songPath + ".ipk";
    EXPECT_EQ(std::filesystem::weakly_canonical(peaks.PeakFilePath()),
              std::filesystem::weakly_canonical(expected));
    EXPECT_EQ(CacheFiles().size(), 1u);  // no temporary file left over
    EXPECT_EQ(peaks.WroteToDisk(), 1);

    const std::string bytes = testsupport::ReadWholeFile(peaks.PeakFilePath());
    ASSERT_EQ(bytes.size(), 100u + 40u);
    EXPECT_EQ(Get32(bytes, 0), 1000u);  // length
    EXPECT_EQ(Get32(bytes, 4), 10u);    // ms per peak
    EXPECT_EQ(Get32(bytes, 8), 100u);   // N
    const auto memory = peaktest::BufferedPeaks(peaks);
    for (std::size_t i = 0; i < 100; ++i) ASSERT_EQ(std::uint8_t(bytes[12 + i]), memory[i]) << i;
    EXPECT_EQ(Get32(bytes, 112), std::uint32_t(peaks.GetMaxLeft()));
    EXPECT_EQ(Get32(bytes, 116), std::uint32_t(peaks.GetMaxRight()));
    EXPECT_EQ(Get32(bytes, 120), 300u);  // trim start
    EXPECT_EQ(Get32(bytes, 124), 1000u);  // trim end: the song ends loud
    EXPECT_EQ(Get32(bytes, 128), 0u);    // total silence
}

TEST_F(PeaksTest, PeaksFileRoundTripsWithItsFacts) {
    auto written = CachedSet("a.mp3", {0, 3, 60, 70, 80, 20}, 25, 9000, 8000);
    written->SetHasNonCDQualityFrames(1);
    ASSERT_EQ(written->SaveAs(written->PeakFilePath().c_str()), 1);  // rewrite with the flag

    CPeaks read;
    ASSERT_EQ(read.LoadPeaksFromFile(written->PeakFilePath().c_str(), 1), 1);
    EXPECT_EQ(read.References(), 1);
    EXPECT_EQ(peaktest::BufferedPeaks(read), (std::vector<std::uint8_t>{0, 3, 60, 70, 80, 20}));
    EXPECT_EQ(read.GetNumPeaks(), 6u);
    EXPECT_EQ(read.NumMilsPerPeak(), 25u);
    EXPECT_EQ(read.LengthOfSound(), 150);
    EXPECT_EQ(read.GetMaxLeft(), 9000);
    EXPECT_EQ(read.GetMaxRight(), 8000);
    EXPECT_EQ(read.GetAutoTrimTimeStart(), 50);
    EXPECT_EQ(read.GetAutoTrimTimeEnd(), 150);  // loud to the last peak
    EXPECT_EQ(read.IsPartialSong(), 1);  // derived again from the last peak
    EXPECT_EQ(read.HasNonCDQualityFrames(), 1);
    EXPECT_EQ(read.HasBadFrames(), 0);
    EXPECT_EQ(read.IsStreaming(), 0);
    EXPECT_EQ(read.PeakFilePath(), written->PeakFilePath());
    // Streaming the file window by window gives what the whole load gave.
    CPeaks streamed(read);
    EXPECT_EQ(peaktest::StreamAllPeaks(streamed), peaktest::BufferedPeaks(read));
    EXPECT_EQ(read.IsLoaded(), 1);
}

TEST_F(PeaksTest, DamagedOrForeignPeakFilesAreRefusedWithoutAReference) {
    CPeaks good;
    CMyArrayList list = peaktest::PeakList({10, 20, 30, 40});
    ASSERT_EQ(good.LoadPeaksFromArrayList(list, 10, 40, 1, 1, nullptr), 1);
    const std::string goodPath = dir_.File("good.ipk");
    ASSERT_EQ(good.SaveAs(goodPath.c_str()), 1);
    const std::string bytes = testsupport::ReadWholeFile(goodPath);
    ASSERT_EQ(bytes.size(), 44u);

    struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"zero length", bytes},
        {"zero ms per peak", bytes},
        {"zero peak count", bytes},
        {"trailer one byte short", bytes.substr(0, bytes.size() - 1)},
        {"peaks cut short", bytes.substr(0, 14)},
        {"header only", bytes.substr(0, 12)},
        {"empty", ""},
        {"a text file", "not a peaks file at all, just some words"},
        {"count beyond the file", bytes},
        // Counts a copy of the set could not carry.
        {"ms per peak of 2^31", bytes},
        {"ms per peak of 2^32 - 1", bytes},
    };
    peaktest::Put32(cases[0].content, 0, 0);
    peaktest::Put32(cases[1].content, 4, 0);
    peaktest::Put32(cases[2].content, 8, 0);
    peaktest::Put32(cases[8].content, 8, 0x7fffffff);
    peaktest::Put32(cases[9].content, 4, 0x80000000);
    peaktest::Put32(cases[10].content, 4, 0xffffffff);
    for (auto& c : cases) {
        const std::string path = dir_.File("bad.ipk");
        testsupport::WriteWholeFile(path, c.content);
        for (int whole : {0, 1}) {
            CPeaks peaks;
            EXPECT_EQ(peaks.LoadPeaksFromFile(path.c_str(), whole), 0) << c.name;
            EXPECT_EQ(peaks.IsLoaded(), 0) << c.name;
            EXPECT_EQ(peaks.References(), 1) << c.name;  // no record kept
            EXPECT_EQ(peaks.GetDataPtr(), nullptr) << c.name;
        }
    }
    CPeaks missing;
    EXPECT_EQ(missing.LoadPeaksFromFile(dir_.File("none.ipk").c_str(), 1), 0);
    // A failed load leaves a loaded set as it was.
    EXPECT_EQ(good.LoadPeaksFromFile(dir_.File("bad.ipk").c_str(), 1), 0);
    EXPECT_EQ(good.References(), 1);
    EXPECT_EQ(peaktest::BufferedPeaks(good), (std::vector<std::uint8_t>{10, 20, 30, 40}));
}

TEST_F(PeaksTest, LongSongStreamsTheSamePeaksAsAWholeLoad) {
    // Three minutes at 10 ms per peak: 18000 peaks, a buffer of 1000.
    const auto values = peaktest::RampPeaks(18000);
    auto built = CachedSet("long.mp3", values);
    EXPECT_EQ(built->IsStreaming(), 1);
    EXPECT_EQ(built->GetBufferedPeaks(), 1000u);
    const std::string path = built->PeakFilePath();
    EXPECT_EQ(testsupport::ReadWholeFile(path).size(), 18040u);

    // The file holds every peak in order.
    const std::string bytes = testsupport::ReadWholeFile(path);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 12, bytes.begin() + 12 + 18000), values);

    for (int whole : {0, 1}) {
        CPeaks read;
        ASSERT_EQ(read.LoadPeaksFromFile(path.c_str(), whole), 1);
        EXPECT_EQ(read.IsStreaming(), 1);
        EXPECT_EQ(read.GetBufferedPeaks(), 1000u);
        // Only the last peak is read; it sits in the buffer's last slot.
        EXPECT_EQ(read.GetDataPtr()[999], values.back());
        EXPECT_EQ(peaktest::StreamAllPeaks(read), values);

        // A window from the middle, with a limit below the buffer.
        ASSERT_EQ(read.OpenPeaksFile(nullptr, 0), 1);
        EXPECT_EQ(read.IsPeakFileOpen(), 1);
        EXPECT_EQ(read.IsPeakFileWriteMode(), 0);
        ASSERT_EQ(read.SeekToPeakIndex(17990), 1);
        std::uint32_t got = 0;
        int atEnd = 0;
        EXPECT_EQ(read.StreamPeaksFromFile(500, &got, &atEnd), 1);
        EXPECT_EQ(got, 10u);  // only ten are left
        EXPECT_EQ(atEnd, 1);
        EXPECT_EQ(std::vector<std::uint8_t>(read.GetDataPtr(), read.GetDataPtr() + 10),
                  std::vector<std::uint8_t>(values.end() - 10, values.end()));
        EXPECT_EQ(read.ClosePeaksFile(), 1);
        EXPECT_EQ(read.IsPeakFileOpen(), 0);
    }
}

TEST_F(PeaksTest, SaveAsWritesInMemoryAndStreamedSets) {
    // In memory: exactly the given path.
    CPeaks small;
    CMyArrayList smallList = peaktest::PeakList({5, 6, 7});
    ASSERT_EQ(small.LoadPeaksFromArrayList(smallList, 10, 30, 0, 0, nullptr), 1);
    const std::string exact = dir_.File("exact.ipk");
    ASSERT_EQ(small.SaveAs(exact.c_str()), 1);
    EXPECT_EQ(small.PeakFilePath(), exact);
    CPeaks smallBack;
    ASSERT_EQ(smallBack.LoadPeaksFromFile(exact.c_str(), 1), 1);
    EXPECT_EQ(peaktest::BufferedPeaks(smallBack), (std::vector<std::uint8_t>{5, 6, 7}));

    // Streamed: the song's peaks file for the given song path.
    const auto values = peaktest::RampPeaks(2500);
    auto big = CachedSet("first.wav", values);
    const std::string oldPath = big->PeakFilePath();
    const std::string newSong = dir_.File("second.wav");
    ASSERT_EQ(big->SaveAs(newSong.c_str()), 1);
    EXPECT_NE(big->PeakFilePath(), oldPath);
    EXPECT_NE(big->PeakFilePath().find("second.wav.ipk"), std::string::npos);
    EXPECT_EQ(testsupport::ReadWholeFile(big->PeakFilePath()), testsupport::ReadWholeFile(oldPath));
    EXPECT_EQ(peaktest::StreamAllPeaks(*big), values);
    EXPECT_EQ(big->References(), 1);
}

TEST_F(PeaksTest, BlankFileHoldsZeroPeaks) {
    CPeaks peaks(10, 1500);
    const std::string songPath = dir_.File("recording.wav");
    ASSERT_EQ(peaks.InitBlankFile(songPath.c_str(), 15000), 1);
    const std::string bytes = testsupport::ReadWholeFile(peaks.PeakFilePath());
    ASSERT_EQ(bytes.size(), 1540u);
    EXPECT_EQ(Get32(bytes, 0), 15000u);
    EXPECT_EQ(Get32(bytes, 8), 1500u);
    // Peaks, maxima and trim start are all zero; the trim end is the length.
    EXPECT_EQ(bytes.find_first_not_of('\0', 12), 1512u + 12);
    EXPECT_EQ(Get32(bytes, 1512 + 12), 15000u);
}

TEST_F(PeaksTest, PeakFileNameRule) {
    const std::string inside = cache_ + "/already/here.wav";
    std::filesystem::create_directories(cache_ + "/already");
    CPeaks peaks(10, 2);
    peaks.StreamPeakFromParse(1, 0);
    peaks.StreamPeakFromParse(2, 0);
    ASSERT_EQ(peaks.InitPeaksToFile(inside.c_str()), 1);
    ASSERT_EQ(peaks.StreamPeaksToFile(2), 1);
    ASSERT_EQ(peaks.FinishPeaksToFile(), 1);
    EXPECT_EQ(peaks.PeakFilePath(), inside + ".ipk");  // used as it stands

    SetTempSndPath(nullptr);
    const std::string beside = dir_.File("beside.wav");
    ASSERT_EQ(peaks.InitPeaksToFile(beside.c_str()), 1);
    ASSERT_EQ(peaks.StreamPeaksToFile(2), 1);
    ASSERT_EQ(peaks.FinishPeaksToFile(), 1);
    EXPECT_EQ(peaks.PeakFilePath(), beside + ".ipk");  // no folder: beside the song

    // A name too long for a path is refused, never cut to another name.
    const std::string tooLong = "/" + std::string(PATH_MAX, 'a');
    EXPECT_EQ(peaks.InitPeaksToFile(tooLong.c_str()), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_PATH_TOO_LONG);
}

TEST_F(PeaksTest, UnfinishedOrFailedFilesLeaveNothingBehind) {
    {
        // The scan is given up half way: the set goes without finishing.
        auto song = OpenSong("given_up.mp3");
        CPeaks peaks(10, 0);
        int toFile = 1;
        peaks.InitStreamPeaksFromParse(&toFile, song.get());
        ASSERT_EQ(toFile, 1);
        for (int i = 0; i < 2500; ++i) ASSERT_EQ(peaks.StreamPeakFromParse(50, toFile), 1);
    }
    EXPECT_TRUE(CacheFiles().empty());

    // The count claims more peaks than were written: the trailer cannot go
    // behind the last one.
    auto song = OpenSong("short.mp3");
    CPeaks peaks(10, 0);
    int toFile = 1;
    peaks.InitStreamPeaksFromParse(&toFile, song.get());
    for (int i = 0; i < 10; ++i) peaks.StreamPeakFromParse(50, toFile);
    EXPECT_EQ(peaks.FinishPeaksFromParse(20, 200, toFile), 0);
    EXPECT_TRUE(CacheFiles().empty());
    EXPECT_EQ(peaks.PeakFilePath(), "");
}

TEST_F(PeaksTest, DeletePeakFileRemovesTheCache) {
    auto peaks = CachedSet("gone.mp3", {1, 2});
    const std::string path = peaks->PeakFilePath();
    ASSERT_EQ(access(path.c_str(), F_OK), 0);
    peaks->DeletePeakFile();
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    EXPECT_EQ(peaks->PeakFilePath(), "");
    EXPECT_EQ(peaks->OpenPeaksFile(nullptr, 0), 0);
}
