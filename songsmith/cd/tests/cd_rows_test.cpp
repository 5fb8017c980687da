// The CD page's rows and the rules worked out without widgets: rows from a
// drive's table, the drive's label, the Enhanced CD length correction, the
// zones under the mouse and the menu items' states.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songsmith/cd/cd_menu_states.h"
#include "songsmith/cd/cd_rows.h"
#include "songsmith/app/command_ids.h"

namespace {

PLATTER_TTrackInfo Track(std::int32_t lengthFrames, bool data = false) {
    PLATTER_TTrackInfo track;
    track.lengthFrames = lengthFrames;
    track.minutes = lengthFrames / kFramesPerMinute;
    track.seconds = lengthFrames / kFramesPerSecond % 60;
    track.dataTrack = data ? 1 : 0;
    return track;
}

TEST(CdRows, OneReadyMarkedRowPerAudioTrackNumberedByItsPlaceOnTheDisc) {
    // A data track first (mixed mode), then audio of 1:05 and 10:00.
    const PLATTER_TTrackInfo table[] = {Track(300, true), Track(65 * 75), Track(600 * 75)};
    const TCDRows rows = MakeDiscRows(table, 3, 0x8000c03);
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::string> titles = {"Track 02", "Track 03"};
    const std::vector<std::int32_t> lengths = {65000, 600000};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TONECORE_CMusicInfo& info = *rows[i]->info;
        EXPECT_EQ(std::string(info.title), titles[i]);
        EXPECT_EQ(std::string(info.album), "Unknown Album (8000c03)");
        EXPECT_EQ(std::string(info.artist), "");
        EXPECT_EQ(std::string(info.genre), "<Unknown>");
        EXPECT_EQ(info.genreIndex, 255);
        EXPECT_EQ(info.trackNumber, static_cast<int>(i) + 2);
        EXPECT_EQ(rows[i]->discTrack, static_cast<int>(i) + 2);
        // Every tag counts the disc's audio tracks.
        EXPECT_EQ(info.trackCount, 2);
        EXPECT_EQ(info.lengthMs, lengths[i]);
        EXPECT_EQ(rows[i]->Status(), kCdRowReady);
        EXPECT_EQ(rows[i]->marked, 1);
        EXPECT_EQ(rows[i]->inSession, 0);
        EXPECT_TRUE(rows[i]->IsToRip());
    }
}

TEST(CdRows, NoRowsFromDataTracksAndNoneFromBeyondTheTable) {
    const PLATTER_TTrackInfo data[] = {Track(300, true), Track(200, true)};
    EXPECT_TRUE(MakeDiscRows(data, 2, 1).empty());
    std::vector<PLATTER_TTrackInfo> full(PLATTER_MAX_TRACKS + 1, Track(75));
    // A count past the table's rows reads no further than the table.
    EXPECT_EQ(MakeDiscRows(full.data(), 5000, 1).size(), static_cast<std::size_t>(PLATTER_MAX_TRACKS));
    EXPECT_TRUE(MakeDiscRows(full.data(), -3, 1).empty());
}

TEST(CdRows, TitlesOfUnnamedTracksHaveTwoDigits) {
    EXPECT_EQ(DefaultTrackTitle(7), "Track 07");
    EXPECT_EQ(DefaultTrackTitle(12), "Track 12");
}

TEST(CdDriveLabel, NodeNameOrTrayFolderNeverTheWholePath) {
    const struct {
        const char* driveText;
        const char* label;
    } cases[] = {
        {"/dev/sr0", "sr0"},
        {"/dev/sr1/", "sr1"},
        {"/home/me/.local/share/songsmith/image-drive/disc.cue", "image-drive"},
        {"/tmp/trays/tray1/DISC.CUE", "tray1"},
        {"disc.cue", "disc.cue"},
        {"sr0", "sr0"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CdDriveLabel(c.driveText), c.label) << c.driveText;
}

// A track-times list: the audio tracks and a closing entry whose length is
// the last audio track's.
struct TTimes {
    explicit TTimes(std::int32_t audioTracks, std::int32_t minutes, std::int32_t seconds) {
        for (std::int32_t i = 0; i < audioTracks; ++i) list.Append(new PLATTER_TTrackPos);
        auto* closing = new PLATTER_TTrackPos;
        closing->lengthMinutes = minutes;
        closing->lengthSeconds = seconds;
        closing->lengthFrames = 40;  // the frames are not counted
        list.Append(closing);
    }
    ~TTimes() {
        for (PLATTER_TTrackPos* entry : list) delete entry;
    }
    MvList<PLATTER_TTrackPos*> list;
};

TEST(CdLengthCorrection, OnlyADifferenceAbove100FramesTakesTheMeasuredWholeSeconds) {
    // Measured: 4:10, E = 18750 frames.
    constexpr std::int32_t kMeasured = 4 * 4500 + 10 * 75;
    const struct {
        std::int32_t driveLength;
        bool corrected;
    } cases[] = {
        {kMeasured + 100, false}, {kMeasured - 100, false}, {kMeasured, false},
        {kMeasured + 101, true},  {kMeasured - 101, true},  {kMeasured + 11400, true},
    };
    for (const auto& c : cases) {
        PLATTER_TTrackInfo table[] = {Track(1000), Track(c.driveLength), Track(500, true)};
        TTimes times(2, 4, 10);
        EXPECT_EQ(CorrectLastAudioLength(table, 3, times.list), c.corrected) << c.driveLength;
        const std::int32_t expected = c.corrected ? kMeasured : c.driveLength;
        EXPECT_EQ(table[1].lengthFrames, expected);
        if (c.corrected) {
            EXPECT_EQ(table[1].minutes, 4);
            EXPECT_EQ(table[1].seconds, 10);
        }
        EXPECT_EQ(table[0].lengthFrames, 1000);
    }
}

TEST(CdLengthCorrection, AListThatDoesNotFitTheTableChangesNothing) {
    PLATTER_TTrackInfo table[] = {Track(1000), Track(2000)};
    TTimes tooShort(0, 9, 0);
    EXPECT_FALSE(CorrectLastAudioLength(table, 2, tooShort.list));
    // The entry it names lies past the table's rows.
    TTimes tooLong(2, 9, 0);
    EXPECT_FALSE(CorrectLastAudioLength(table, 1, tooLong.list));
    EXPECT_EQ(table[0].lengthFrames, 1000);
    EXPECT_EQ(table[1].lengthFrames, 2000);
}

TEST(CdRowZone, PlayButtonThenCheckBoxCountedFromTheScrolledRowStart) {
    constexpr int kImage = 8;
    const struct {
        int x;
        int scroll;
        int zone;
    } cases[] = {
        {3, 0, kCdZoneNone},     {4, 0, kCdZonePlay},     {12, 0, kCdZonePlay},      {13, 0, kCdZoneNone},
        {29, 0, kCdZoneNone},    {30, 0, kCdZoneCheckBox}, {49, 0, kCdZoneCheckBox}, {50, 0, kCdZoneNone},
        {0, 4, kCdZonePlay},     {10, 20, kCdZoneCheckBox}, {30, 20, kCdZoneNone},   {1, 40, kCdZoneCheckBox}, {15, 40, kCdZoneNone},
    };
    for (const auto& c : cases) EXPECT_EQ(CdRowZone(c.x, c.scroll, kImage), c.zone) << c.x << "+" << c.scroll;
}

TEST(CdColumns, EightColumnsWithTheirDefaultWidths) {
    const std::vector<int> widths = {60, 150, 80, 60, 120, 120, 60, 120};
    for (int column = 0; column < kCdColumnCount; ++column) {
        EXPECT_EQ(CdColumns()[static_cast<std::size_t>(column)].kind, column);
        EXPECT_EQ(CdColumnDefaultWidth(column), widths[static_cast<std::size_t>(column)]);
    }
    EXPECT_EQ(CdColumnDefaultWidth(-5), 60);
    EXPECT_EQ(CdColumnDefaultWidth(99), 120);
}

TEST(CdMenuItems, TextsAndGreyStatesFollowThePage) {
    TCdMenuFacts none;
    TCdMenuFacts marked;
    marked.hasCurrentRow = marked.currentMarked = marked.anyToRip = marked.anyRows = marked.anyMarked = true;
    marked.lookUpEnabled = true;
    TCdMenuFacts ripping = marked;
    ripping.ripping = true;
    TCdMenuFacts allRipped = marked;
    allRipped.anyToRip = false;
    allRipped.anyRipped = true;
    TCdMenuFacts burning = marked;
    burning.driveState = 7;
    const struct {
        const char* name;
        const TCdMenuFacts& facts;
        int command;
        const char* key;
        bool grey;
    } cases[] = {
        {"no row", none, cmd::kCdSelectOne, "MUCT_Select1", true},
        {"no row", none, cmd::kCdEditTag, "MUCT_EditTag", true},
        {"no row", none, cmd::kCdPlay, "MUCT_Play", true},
        {"no row", none, cmd::kRip, "MUCT_Rip", true},
        {"no row", none, cmd::kCdSelectAll, "MUCT_SelectAll", true},
        {"no row", none, cmd::kCdClearAll, "MUCT_ClearAll", true},
        {"no row", none, cmd::kCdLookup, nullptr, true},
        {"marked", marked, cmd::kCdSelectOne, "MUCT_Deselect1", false},
        {"marked", marked, cmd::kCdPlay, "MUCT_Play", false},
        {"marked", marked, cmd::kRip, "MUCT_Rip", false},
        {"marked", marked, cmd::kCdSelectAll, "MUCT_DeselectAll", false},
        {"marked", marked, cmd::kCdClearAll, "MUCT_ClearAll", true},
        {"marked", marked, cmd::kCdLookup, nullptr, false},
        {"marked", marked, kCdSpareCommand, nullptr, true},
        {"ripping", ripping, cmd::kRip, "MUCT_StopRip", false},
        {"all at 100 %", allRipped, cmd::kRip, "MUCT_Rip", true},
        {"all at 100 %", allRipped, cmd::kCdClearAll, "MUCT_ClearAll", false},
        {"burn step", burning, cmd::kCdSelectOne, "MUCT_Deselect1", true},
        {"burn step", burning, cmd::kRip, "MUCT_Rip", true},
        {"burn step", burning, cmd::kCdLookup, nullptr, true},
    };
    for (const auto& c : cases) {
        const TCdMenuItemState item = CdMenuItemState(c.command, c.facts);
        EXPECT_TRUE(item.known);
        EXPECT_STREQ(item.key, c.key) << c.name << " " << c.command;
        EXPECT_EQ(item.grey, c.grey) << c.name << " " << c.command;
    }
    TCdMenuFacts playing = marked;
    playing.currentPlaying = true;
    EXPECT_STREQ(CdMenuItemState(cmd::kCdPlay, playing).key, "MUCT_Stop");
    EXPECT_FALSE(CdMenuItemState(cmd::kFindPage, marked).known);
    for (int state = 0; state <= 10; ++state) EXPECT_EQ(IsBurnStepState(state), state >= 5 && state <= 9) << state;
}

}  // namespace
