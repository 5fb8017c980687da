// Reading discs in the image drive: the table of contents, extraction by
// disc track number, events, abort, unreadable sectors and bad images.
#include <gtest/gtest.h>

#include "filekit/log.h"
#include "platter/errors.h"
#include "platter/tests/image_fixture.h"

namespace platter_test {
namespace {

// A disc laid into the tray by hand: a data track of 300 sectors, then two
// audio tracks of 150 and 100 sectors.
class ImageReadTest : public ImageDriveTest {
protected:
    void LayMixedDisc() {
        data = std::string(300 * PLATTER_SECTOR_BYTES, '\x11');
        audio2 = SectorPadded(MakePcm(150 * 588, 2));
        audio3 = SectorPadded(MakePcm(100 * 588, 3));
        WriteFile(tray.File("disc.bin"), data + audio2 + audio3);
        WriteFile(tray.File("disc.cue"),
                  "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                  "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n  TRACK 03 AUDIO\n    INDEX 01 00:06:00\n");
    }
    std::string data, audio2, audio3;
};

TEST_F(ImageReadTest, TheTableCountsTheLeadInAndMarksDataTracks) {
    LayMixedDisc();
    Start();
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_WRITTEN);
    ASSERT_TRUE(drive->ReadDeviceInfo()) << LastErrorText();
    ASSERT_EQ(drive->trackCount, 3);
    EXPECT_EQ(drive->GetNumDataTracks(), 1);
    struct {
        std::int32_t start, length, minutes, seconds, frames;
        std::uint8_t dataTrack;
    } expected[] = {{150, 300, 0, 4, 0, 1}, {450, 150, 0, 2, 0, 0}, {600, 100, 0, 1, 25, 0}};
    for (int i = 0; i < 3; ++i) {
        const PLATTER_TTrackInfo& row = drive->trackTable[i];
        EXPECT_EQ(row.startFrame, expected[i].start) << i;
        EXPECT_EQ(row.lengthFrames, expected[i].length) << i;
        EXPECT_EQ(row.minutes, expected[i].minutes) << i;
        EXPECT_EQ(row.seconds, expected[i].seconds) << i;
        EXPECT_EQ(row.frames, expected[i].frames) << i;
        EXPECT_EQ(row.dataTrack, expected[i].dataTrack) << i;
        const PLATTER_TTrackPos& pos = *drive->trackPositions.items[i];
        EXPECT_EQ(pos.frameOffset, expected[i].start) << i;
        EXPECT_EQ(pos.PositionInFrames(), expected[i].start) << i;
        EXPECT_EQ(pos.LengthInFrames(), expected[i].length) << i;
    }
    // Digit sums of 2, 6 and 8 seconds; 700 frames of lead-in and tracks
    // make 9 s, less the first track's 2 s.
    EXPECT_EQ(drive->discId, (16u << 24) | (7u << 8) | 3u);
}

TEST_F(ImageReadTest, TracksAreExtractedByTheirDiscNumberWithEventsAroundTheData) {
    LayMixedDisc();
    Start();
    TRipRecorder rip;
    TExtractParams params = rip.Params(2);
    ASSERT_TRUE(drive->ExtractTrack(&params)) << LastErrorText();
    EXPECT_EQ(rip.data, audio2);
    ASSERT_GE(rip.events.size(), 3u);
    EXPECT_EQ(rip.events.front().code, EVENT_EXTRACT_AUDIO_START);
    EXPECT_EQ(rip.events.front().value1, 450);
    EXPECT_EQ(rip.events.front().value2, 600);
    EXPECT_EQ(rip.events.back().code, EVENT_EXTRACT_AUDIO_END);
    std::int32_t frames = 0;
    for (std::size_t i = 1; i + 1 < rip.events.size(); ++i) {
        EXPECT_EQ(rip.events[i].code, EVENT_EXTRACT_AUDIO_PROGRESS);
        frames += rip.events[i].value2;
    }
    EXPECT_EQ(frames, 150);
    // Every block is whole sectors, counted in sectors.
    for (std::int32_t count : rip.counts) EXPECT_LE(count, 25);
    EXPECT_EQ(Rip(3), audio3);
    char text[64];
    EXPECT_EQ(drive->GetLastError(text, sizeof text), 0);
}

TEST_F(ImageReadTest, AStartOffsetReadsTheTrackFromThatFrameAndNoFurtherThanItsEnd) {
    LayMixedDisc();
    Start();
    struct {
        std::int32_t track, offset;
        bool ok;
        std::int32_t firstFrame, endFrame;
    } cases[] = {
        {2, 0, true, 450, 600},     {2, 37, true, 487, 600},   {2, 149, true, 599, 600},
        {3, 99, true, 699, 700},    {2, 150, false, 0, 0},     {3, 100, false, 0, 0},
        {2, -1, false, 0, 0},
    };
    for (const auto& c : cases) {
        TRipRecorder rip;
        TExtractParams params = rip.Params(c.track);
        params.startFrame = c.offset;
        const std::string what = "track " + std::to_string(c.track) + " from " + std::to_string(c.offset);
        ASSERT_EQ(drive->ExtractTrack(&params), c.ok) << what;
        if (!c.ok) {
            char text[128] = "";
            EXPECT_EQ(drive->GetLastError(text, sizeof text), PLATTER_ERR_BAD_PARAMS) << what;
            EXPECT_TRUE(rip.data.empty()) << what;
            continue;
        }
        const std::string& audio = c.track == 2 ? audio2 : audio3;
        EXPECT_EQ(rip.data, audio.substr(static_cast<std::size_t>(c.offset) * PLATTER_SECTOR_BYTES)) << what;
        EXPECT_EQ(rip.events.front().value1, c.firstFrame) << what;
        EXPECT_EQ(rip.events.front().value2, c.endFrame) << what;
        EXPECT_EQ(rip.events.back().code, EVENT_EXTRACT_AUDIO_END) << what;
    }
}

TEST_F(ImageReadTest, UnusableRequestsFailWithACodeAndNoEvents) {
    LayMixedDisc();
    Start();
    struct {
        const char* what;
        std::int32_t track;
        bool dataCallback;
        std::int32_t code;
    } cases[] = {
        {"the data track", 1, true, PLATTER_ERR_DATA_TRACK},
        {"track 0", 0, true, PLATTER_ERR_NO_SUCH_TRACK},
        {"past the last track", 4, true, PLATTER_ERR_NO_SUCH_TRACK},
        {"no data callback", 2, false, PLATTER_ERR_BAD_PARAMS},
    };
    for (const auto& c : cases) {
        TRipRecorder rip;
        TExtractParams params = rip.Params(c.track);
        if (!c.dataCallback) params.dataCallback = nullptr;
        EXPECT_FALSE(drive->ExtractTrack(&params)) << c.what;
        char text[128] = "";
        EXPECT_EQ(drive->GetLastError(text, sizeof text), c.code) << c.what;
        EXPECT_STRNE(text, "") << c.what;
        EXPECT_TRUE(rip.events.empty()) << c.what;
    }
}

TEST_F(ImageReadTest, AnAbortedTrackNeverEndsAndReportsACancel) {
    LayMixedDisc();
    Start();
    struct {
        const char* what;
        std::size_t abortAfterBlocks;
    } cases[] = {{"after the first block", 1}, {"after the last block", 6}};
    for (const auto& c : cases) {
        TRipRecorder rip;
        rip.afterData = [&](TRipRecorder& r) {
            if (r.counts.size() == c.abortAfterBlocks) drive->AbortExtraction();
        };
        TExtractParams params = rip.Params(2);
        EXPECT_FALSE(drive->ExtractTrack(&params)) << c.what;
        char text[64];
        EXPECT_EQ(drive->GetLastError(text, sizeof text), PLATTER_ERR_CANCELLED) << c.what;
        EXPECT_EQ(rip.counts.size(), c.abortAfterBlocks) << c.what;
        for (const TExtractEvent& event : rip.events) EXPECT_NE(event.code, EVENT_EXTRACT_AUDIO_END) << c.what;
    }
    // The next extraction starts afresh.
    EXPECT_EQ(Rip(2), audio2);
}

TEST_F(ImageReadTest, AnUnreadableSectorFollowsTheErrorPolicy) {
    LayMixedDisc();
    config.badSectorLba = 300 + 40;  // track 2's 41st sector
    Start();
    struct {
        const char* what;
        std::int16_t policy;
        bool ok;
    } cases[] = {{"stop", PLATTER_READ_ERRORS_STOP, false},
                 {"ignore", PLATTER_READ_ERRORS_IGNORE, true},
                 {"retry, then stop", PLATTER_READ_ERRORS_RETRY, false}};
    for (const auto& c : cases) {
        TRipRecorder rip;
        TExtractParams params = rip.Params(2);
        params.errorCorrection = c.policy;
        params.retryCount = 3;
        EXPECT_EQ(drive->ExtractTrack(&params), c.ok) << c.what;
        if (c.ok) {
            std::string expected = audio2;
            std::fill_n(expected.begin() + 40 * PLATTER_SECTOR_BYTES, PLATTER_SECTOR_BYTES, '\0');
            EXPECT_EQ(rip.data, expected) << c.what;
            EXPECT_EQ(rip.events.back().code, EVENT_EXTRACT_AUDIO_END) << c.what;
        } else {
            char text[128];
            EXPECT_EQ(drive->GetLastError(text, sizeof text), PLATTER_ERR_READ) << c.what;
            // The sectors before the bad one's block were delivered, no more.
            EXPECT_EQ(rip.data.size(), 25u * PLATTER_SECTOR_BYTES) << c.what;
            EXPECT_NE(rip.events.back().code, EVENT_EXTRACT_AUDIO_END) << c.what;
        }
    }
}

TEST_F(ImageReadTest, BadImagesAreRefusedBeforeAnythingIsRead) {
    const std::string bin(600 * PLATTER_SECTOR_BYTES, '\0');
    const std::string good = "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    std::string hundredTracks = "FILE \"disc.bin\" BINARY\n";
    for (int i = 0; i < 100; ++i) hundredTracks += "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    struct {
        const char* what;
        std::string cue;
        std::int64_t binBytes;  // -1: no data file
        std::int32_t code;
        bool notOurShape = false;
    } cases[] = {
        {"binary bytes", good + std::string("\0\x01\x02", 3), 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_OPEN},
        {"far too long", good + std::string(70 * 1024, '#'), 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_OPEN},
        {"empty", "", 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_OPEN},
        {"no tracks", "FILE \"disc.bin\" BINARY\n", 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_BAD_TOC, true},
        {"no file", "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_BAD_TOC, true},
        {"track before its file", "  track 01 AUDIO\n" + good, 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_BAD_TOC, true},
        {"a second file", good + "file \"disc.bin\" BINARY\n", 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_BAD_TOC, true},
        {"more tracks than a disc holds", hundredTracks, 600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_BAD_TOC, true},
        {"no data file", good, -1, PLATTER_ERR_OPEN},
        {"data file shorter than the tracks",
         good + "  TRACK 02 AUDIO\n    INDEX 01 00:06:00\n  TRACK 03 AUDIO\n    INDEX 01 00:07:00\n",
         255 * PLATTER_SECTOR_BYTES, PLATTER_ERR_BAD_TOC},
        {"tracks out of order", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:05:00\n"
                                "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n",
         600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_BAD_TOC},
        {"impossible time", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 99:99:99\n",
         600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_OPEN},
        {"track 255", "FILE \"disc.bin\" BINARY\n  TRACK 255 AUDIO\n    INDEX 01 00:00:00\n",
         600 * PLATTER_SECTOR_BYTES, PLATTER_ERR_OPEN},
    };
    Start();
    for (const auto& c : cases) {
        WriteFile(tray.File("disc.cue"), c.cue);
        std::filesystem::remove(tray.File("disc.bin"));
        if (c.binBytes >= 0) WriteFile(tray.File("disc.bin"), bin.substr(0, static_cast<std::size_t>(c.binBytes)));
        EXPECT_FALSE(drive->ReadDeviceInfo()) << c.what;
        char text[200] = "";
        EXPECT_EQ(drive->GetLastError(text, sizeof text), c.code) << c.what;
        EXPECT_STRNE(text, "") << c.what;
        // Sheets not of the drive's shape never reach libcdio's parser.
        EXPECT_EQ(std::string(text).find("one data file with 1 to 99 tracks") != std::string::npos, c.notOurShape) << c.what;
        EXPECT_EQ(drive->trackCount, 0) << c.what;
        TRipRecorder rip;
        TExtractParams params = rip.Params(1);
        EXPECT_FALSE(drive->ExtractTrack(&params)) << c.what;
        EXPECT_TRUE(rip.events.empty()) << c.what;
    }
}

TEST_F(ImageReadTest, EjectKeepsDiscsLaidInByHand) {
    LayMixedDisc();
    Start();
    EXPECT_TRUE(drive->Eject());
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_BLANK_CDR);
    EXPECT_EQ(ReadFile(tray.File("ejected-001.bin")), data + audio2 + audio3);
    EXPECT_NE(ReadFile(tray.File("ejected-001.cue")).find("FILE \"ejected-001.bin\" BINARY\n  TRACK 01 MODE1/2352"),
              std::string::npos);
    // A CUE file too long to be ours is moved, never read whole.
    const std::string huge = "REM " + std::string(100 * 1024, 'x') + "\n";
    WriteFile(tray.File("disc.cue"), huge);
    drive->RefreshStatus();
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_WRITTEN);
    EXPECT_TRUE(drive->Eject());
    EXPECT_EQ(ReadFile(tray.File("ejected-002.cue")), huge);
    EXPECT_EQ(TrayNames(), (std::set<std::string>{"ejected-001.bin", "ejected-001.cue", "ejected-002.cue"}));
}

TEST_F(ImageReadTest, LibcdioComplainsIntoOurLogAndTheProcessGoesOn) {
    const std::string log = files.File("platter.log");
    LogInit(log.c_str());
    LogOn(1);
    WriteFile(tray.File("disc.cue"), "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 99:99:99\n");
    WriteFile(tray.File("disc.bin"), std::string(PLATTER_SECTOR_BYTES, '\0'));
    Start();
    EXPECT_FALSE(drive->ReadDeviceInfo());
    LogDeinit();
    EXPECT_NE(ReadFile(log).find("libcdio "), std::string::npos) << ReadFile(log);
}

TEST_F(ImageReadTest, ABlankOrEmptyTrayHasNoTracks) {
    for (std::int32_t media : {PLATTER_MEDIA_BLANK_CDR, PLATTER_MEDIA_NONE}) {
        config.freshMedia = media;
        Start();
        EXPECT_EQ(drive->mediaStatus.load(), media);
        EXPECT_FALSE(drive->ReadDeviceInfo());
        EXPECT_EQ(drive->IsDiscReady(), media != PLATTER_MEDIA_NONE);
        TRipRecorder rip;
        TExtractParams params = rip.Params(1);
        EXPECT_FALSE(drive->ExtractTrack(&params));
        char text[100];
        EXPECT_NE(drive->GetLastError(text, sizeof text), 0);
    }
}

}  // namespace
}  // namespace platter_test
