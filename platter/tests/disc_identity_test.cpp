// What a drive reports of a disc: the track table, the CDDB disc ID, the
// Enhanced CD's audio end and the flag that its lengths are right, for the
// generated shapes of disc; and the images no reader may trust.
#include <gtest/gtest.h>

#include "platter/errors.h"
#include "platter/testsupport/disc_image_maker.h"
#include "platter/tests/image_fixture.h"

namespace platter_test {
namespace {

class DiscIdentityTest : public ImageDriveTest {
protected:
    TDiscImage Lay(const TImageSpec& spec) { return WriteDiscImage(tray.Path(), "disc", spec); }
};

TEST_F(DiscIdentityTest, TablesAndIdsMatchHandCheckedVectors) {
    struct Row {
        std::int32_t start, length;
        bool data;
    };
    TImageSpec longGap{{{9920}, {4560}}};
    longGap.sparseAudio = true;
    struct {
        const char* what;
        TImageSpec spec;
        std::vector<Row> rows;
        std::uint32_t discId;
    } cases[] = {
        // Digit sums 2 + 5 + 1 (2, 5 and 10 s), 14 - 2 = 12 s, 3 tracks.
        {"audio, odd frame counts", AudioDiscSpec(), {{150, 253, false}, {403, 384, false}, {787, 315, false}}, 0x08000c03},
        // The playing time's frames add up past a second: 195 - 2 = 193 s.
        {"frames of the lead-out", longGap, {{150, 9920, false}, {10070, 4560, false}}, 0x0a00c102},
        // 2 + 6 + 8 (2, 6 and 8 s), lead-out 828: 11 - 2 = 9 s.
        {"mixed mode", MixedModeSpec(), {{150, 300, true}, {450, 151, false}, {601, 227, false}}, 0x10000903},
        // The ID counts every track and ends at the data track's lead-out:
        // 2 + 4 + (158 s -> 14), 12034 frames: 160 - 2 = 158 s. The second
        // audio track ends 11,400 frames before the data track.
        {"Enhanced CD", EnhancedCdSpec(), {{150, 201, false}, {351, 163, false}, {11914, 120, true}}, 0x14009e03},
        // 2 + 4, lead-out 450: 6 - 2 = 4 s.
        {"data only", DataOnlySpec(), {{150, 200, true}, {350, 100, true}}, 0x06000402},
    };
    Start();
    for (const auto& c : cases) {
        Lay(c.spec);
        ASSERT_TRUE(drive->ReadDeviceInfo()) << c.what << ": " << LastErrorText();
        ASSERT_EQ(drive->trackCount, static_cast<std::int32_t>(c.rows.size())) << c.what;
        std::int32_t dataTracks = 0;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const PLATTER_TTrackInfo& row = drive->trackTable[i];
            EXPECT_EQ(row.startFrame, c.rows[i].start) << c.what << " track " << i + 1;
            EXPECT_EQ(row.lengthFrames, c.rows[i].length) << c.what << " track " << i + 1;
            EXPECT_EQ(row.minutes * 4500 + row.seconds * 75 + row.frames, c.rows[i].length) << c.what;
            EXPECT_EQ(row.dataTrack != 0, c.rows[i].data) << c.what << " track " << i + 1;
            EXPECT_EQ(drive->trackPositions.items[i]->LengthInFrames(), c.rows[i].length) << c.what;
            dataTracks += c.rows[i].data ? 1 : 0;
        }
        EXPECT_EQ(drive->GetNumDataTracks(), dataTracks) << c.what;
        EXPECT_EQ(drive->discId, c.discId) << c.what << std::hex << " got 0x" << drive->discId;
        EXPECT_EQ(drive->correctionNotNeeded, 1) << c.what;
    }
}

TEST_F(DiscIdentityTest, AnEnhancedCdsLastAudioTrackEndsAtItsSession) {
    const TDiscImage image = Lay(EnhancedCdSpec());
    Start();
    TRipRecorder rip;
    TExtractParams params = rip.Params(2);
    ASSERT_TRUE(drive->ExtractTrack(&params)) << LastErrorText();
    EXPECT_EQ(rip.data, image.Sectors(201, 201 + 163));
    ASSERT_FALSE(rip.events.empty());
    EXPECT_EQ(rip.events.front().value1, 351);
    EXPECT_EQ(rip.events.front().value2, 351 + 163);
}

TEST_F(DiscIdentityTest, ImagesThatDoNotHoldTogetherFailWithAText) {
    std::string hundredTracks = "FILE \"disc.bin\" BINARY\n";
    for (int t = 1; t <= 100; ++t) {
        char line[80];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    INDEX 01 00:%02d:%02d\n", t, t / 75, t % 75);
        hundredTracks += line;
    }
    struct {
        const char* what;
        TImageSpec spec;
        const char* cue;  // replaces the generated CUE when set
    } cases[] = {
        {"data file shorter than its CUE", TruncatedSpec(), nullptr},
        {"descending starts", AudioDiscSpec(),
         "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:05:00\n  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n"},
        {"over 99 tracks", AudioDiscSpec(), hundredTracks.c_str()},
        {"a track past the end", AudioDiscSpec(),
         "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:20:00\n"},
    };
    Start();
    for (const auto& c : cases) {
        Lay(c.spec);
        if (c.cue != nullptr) WriteFile(tray.File("disc.cue"), c.cue);
        EXPECT_FALSE(drive->ReadDeviceInfo()) << c.what;
        char text[256] = "";
        const std::int32_t code = drive->GetLastError(text, sizeof text);
        EXPECT_TRUE(code == PLATTER_ERR_BAD_TOC || code == PLATTER_ERR_OPEN) << c.what << ": " << code;
        EXPECT_STRNE(text, "") << c.what;
        EXPECT_EQ(drive->trackCount, 0) << c.what;
        EXPECT_EQ(drive->discId, 0u) << c.what;
        for (std::int32_t track : {1, 2, 3}) {
            TRipRecorder rip;
            TExtractParams params = rip.Params(track);
            EXPECT_FALSE(drive->ExtractTrack(&params)) << c.what << " track " << track;
            EXPECT_TRUE(rip.data.empty() && rip.events.empty()) << c.what << " track " << track;
        }
    }
}

}  // namespace
}  // namespace platter_test
