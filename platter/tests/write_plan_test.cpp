// The library's copy of a write block, the on-the-fly layout and the titles
// taken from the program's cue sheet.
#include "platter/write_plan.h"

#include <gtest/gtest.h>

#include "platter/image_cue.h"
#include "platter/tests/test_fixtures.h"
#include "testsupport/temp_dir.h"

namespace platter_test {
namespace {

TEST(WritePlan, GapsComeFromTheBlockAndNeverFollowTheLastTrack) {
    TBurnRecorder rec;
    struct {
        std::vector<std::int32_t> gaps;
        bool ok;
        std::vector<std::int32_t> kept;
    } cases[] = {
        {{75, 150, 30}, true, {75, 150, 0}},
        {{kMaxGapSectors, 0, 0}, true, {kMaxGapSectors, 0, 0}},
        {{kMaxGapSectors + 1, 0, 0}, false, {}},
        {{0, -1, 0}, false, {}},
    };
    for (const auto& c : cases) {
        const TWriteDiscParams block = MakeFileBlock({"/a.wav", "/b.wav", "/c.wav"}, rec, c.gaps);
        TWritePlan plan;
        std::string why;
        ASSERT_EQ(CopyWriteBlock(block, plan, why), c.ok) << why;
        if (!c.ok) continue;
        std::vector<std::int32_t> kept;
        for (const auto& track : plan.tracks) kept.push_back(track.gapSectors);
        EXPECT_EQ(kept, c.kept);
        EXPECT_EQ(plan.tracks[1].path, "/b.wav");
    }
}

TEST(WritePlan, StreamedTracksEndAtTheNearestSectorAndKeepAtLeastOne) {
    struct {
        std::vector<std::int32_t> lengths;
        std::vector<std::int32_t> sectors;
    } cases[] = {
        // 1175 bytes round down, 1176 round up; the last rounds up always.
        {{2352 + 1175, 2352 + 1, 10}, {1, 2, 1}},
        {{2352 + 1176, 2352 * 2, 2352}, {2, 2, 1}},
        // A track of a few bytes still gets its sector; the disc's end still
        // holds the final byte (9413 bytes, 5 sectors).
        {{5, 2352 * 3, 2352}, {1, 2, 2}},
    };
    for (const auto& c : cases) {
        TWritePlan plan;
        for (std::int32_t length : c.lengths) plan.tracks.push_back(TPlannedTrack{"", 0, length, 0, 0, ""});
        LayOutStreamedTracks(plan);
        std::vector<std::int32_t> sectors;
        for (const auto& track : plan.tracks) sectors.push_back(track.sectors);
        EXPECT_EQ(sectors, c.sectors);
    }
}

TEST(WritePlan, TitlesComeFromTitleLinesOnlyAndAreMadeSafe) {
    testsupport::TempDir dir;
    const std::string sheet = dir.File("mycue.txt");
    // An 80-byte cut that would fall inside a two-byte character.
    const std::string longTitle = std::string(79, 'a') + "\xC3\xA9" + "tail";
    WriteFile(sheet, "REM nothing\r\nTITLE \"Session\"\r\nFILE \"x.mp3\" MP3\r\n  TRACK 01 AUDIO\r\n"
                     "      TITLE \"one\ttab\"\r\n  TRACK 02 AUDIO\r\n      TITLE no quotes\r\n"
                     "  TRACK 07 AUDIO\r\n      TITLE \"beyond the block\"\r\n  TRACK xx AUDIO\r\n"
                     "      TITLE \"unplaceable\"\r\n  TRACK 03 AUDIO\r\n      TITLE \"" + longTitle + "\"\r\n");
    TWritePlan plan;
    plan.cueSheetPath = sheet;
    plan.tracks.resize(3);
    ReadCueSheetTitles(plan);
    EXPECT_EQ(plan.discTitle, "Session");
    EXPECT_EQ(plan.tracks[0].title, "one tab");
    EXPECT_EQ(plan.tracks[1].title, "no quotes");
    EXPECT_EQ(plan.tracks[2].title, std::string(79, 'a'));

    plan.cueSheetPath = dir.File("missing.txt");
    plan.discTitle.clear();
    ReadCueSheetTitles(plan);
    EXPECT_EQ(plan.discTitle, "");
}

TEST(WritePlan, TheImageCueMarksGapsWithIndexZero) {
    TWritePlan plan;
    plan.cdText = false;
    plan.tracks = {TPlannedTrack{"", 0, 0, 4500, 150, "t1"}, TPlannedTrack{"", 0, 0, 100, 0, "t2"}};
    EXPECT_EQ(MakeImageCue(plan, "disc.bin"),
              "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
              "  TRACK 02 AUDIO\n    INDEX 00 01:00:00\n    INDEX 01 01:02:00\n");
    EXPECT_EQ(CueTime(74 * 4500 + 59 * 75 + 74), "74:59:74");
}

}  // namespace
}  // namespace platter_test
