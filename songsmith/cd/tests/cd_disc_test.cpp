// A CD page's disc logic over a scripted drive: the disc timer following
// the media status, reading audio, data, blank and vanished discs, the
// Enhanced CD correction through the CD audio reader, and ripped rows
// joining and leaving a real session track list.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/user_folders.h"
#include "platter/fake/fake_device.h"
#include "platter/testsupport/disc_image_maker.h"
#include "songsmith/cd/cd_disc.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/session/tests/track_list_partners.h"
#include "testsupport/temp_dir.h"
#include "titlefetch/titlefetch.h"
#include "utilities/keyed_text.h"

namespace {

TDiscToc Toc(std::vector<TTocTrack> tracks, std::int32_t leadout) {
    TDiscToc toc;
    toc.tracks = std::move(tracks);
    toc.leadoutLsn = leadout;
    return toc;
}

// The shapes of the generated images, as tables of contents.
TDiscToc AudioToc() { return Toc({{0}, {253}, {637}}, 952); }
TDiscToc MixedToc() { return Toc({{0, true}, {300}, {451}}, 678); }
TDiscToc DataToc() { return Toc({{0, true}, {200, true}}, 300); }

class CdDiscTest : public ::testing::Test {
protected:
    void SetUp() override { SetStringFile(FindResourceFile("progstrings.txt").c_str()); }

    // Statuses for the next ticks and one tick.
    void TickWith(std::int32_t status, int driveState = 0) {
        drive_.ScriptStatuses({status});
        disc_.Tick(driveState);
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (int i = 0; i < disc_.RowCount(); ++i) titles.emplace_back(disc_.Row(i)->info->title);
        return titles;
    }

    PLATTER_CFakeDevice drive_;
    CCdDisc disc_{&drive_};
};

TEST_F(CdDiscTest, TimerReadsAnAudioDiscAndForgetsItWhenItGoes) {
    disc_.ShowMessageRows("CDTab_InsertCD");
    drive_.ScriptDisc(AudioToc());
    TickWith(PLATTER_MEDIA_WRITTEN);
    EXPECT_EQ(disc_.State(), kCdStateAudioCd);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Track 01", "Track 02", "Track 03"}));
    EXPECT_FALSE(disc_.ShowsMessageRows());
    EXPECT_EQ(disc_.StatusText(), KeyedText("CDTab_SelectTracks"));
    EXPECT_TRUE(disc_.LookUpEnabled());
    EXPECT_TRUE(disc_.RipEnabled());
    EXPECT_EQ(disc_.DiscId(), drive_.discId);

    // Status 0 says nothing; a burn step keeps the timer from even asking.
    TickWith(0);
    EXPECT_EQ(disc_.RowCount(), 3);
    TickWith(PLATTER_MEDIA_NONE, 5);
    EXPECT_EQ(disc_.RowCount(), 3);
    EXPECT_EQ(drive_.mediaStatus.load(), 0);

    int stops = 0;
    disc_.stopPlayback = [&] { ++stops; };
    TickWith(PLATTER_MEDIA_NONE);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(disc_.State(), kCdStateNone);
    EXPECT_EQ(disc_.RowCount(), 0);
    EXPECT_TRUE(disc_.ShowsMessageRows());
    EXPECT_STREQ(disc_.MessageKey(), "CDTab_EmptyCD%d");
    EXPECT_EQ(disc_.StatusText(), KeyedText("CDTab_InsertCD"));
    EXPECT_FALSE(disc_.LookUpEnabled());
    EXPECT_FALSE(disc_.RipEnabled());
}

TEST_F(CdDiscTest, DiscsWithoutAudioShowTheirMessageRows) {
    const struct {
        const char* name;
        bool hasDisc;
        TDiscToc toc;
        std::int32_t status;
        int state;
        const char* key;
        bool lookUp;
    } cases[] = {
        {"data only", true, DataToc(), PLATTER_MEDIA_WRITTEN, kCdStateDataCd, "CDTab_DataCD%d", false},
        // A blank disc has no table to read; the failed read leaves Look Up
        // on to try again.
        {"blank", false, TDiscToc{}, PLATTER_MEDIA_BLANK_CDR, kCdStateBlank, "CDTab_BlankCD%d", true},
        // Gone between the status and the read.
        {"taken out", false, TDiscToc{}, PLATTER_MEDIA_WRITTEN, kCdStateBlank, "CDTab_BlankCD%d", true},
        // A table that does not hold together.
        {"bad table", true, Toc({{0}, {0}}, 10), PLATTER_MEDIA_WRITTEN, kCdStateBlank, "CDTab_BlankCD%d", true},
    };
    for (const auto& c : cases) {
        PLATTER_CFakeDevice drive;
        if (c.hasDisc) drive.ScriptDisc(c.toc);
        CCdDisc disc(&drive);
        disc.ShowMessageRows("CDTab_InsertCD");
        drive.ScriptStatuses({c.status});
        disc.Tick(0);
        EXPECT_EQ(disc.State(), c.state) << c.name;
        EXPECT_EQ(disc.RowCount(), 0) << c.name;
        EXPECT_TRUE(disc.ShowsMessageRows()) << c.name;
        EXPECT_STREQ(disc.MessageKey(), c.key) << c.name;
        EXPECT_EQ(disc.StatusText(), KeyedText("CDTab_InsertCD")) << c.name;
        EXPECT_EQ(disc.LookUpEnabled(), c.lookUp) << c.name;
        EXPECT_FALSE(disc.RipEnabled()) << c.name;
        // The state holds until the disc goes.
        disc.Tick(0);
        EXPECT_EQ(disc.State(), c.state) << c.name;
    }
}

TEST_F(CdDiscTest, MixedModeRowsKeepTheirDiscTrackNumbers) {
    drive_.ScriptDisc(MixedToc());
    TickWith(PLATTER_MEDIA_WRITTEN);
    ASSERT_EQ(disc_.RowCount(), 2);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Track 02", "Track 03"}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(disc_.Row(i)->discTrack, i + 2);
        EXPECT_EQ(disc_.Row(i)->info->trackCount, 2);
    }
    EXPECT_EQ(disc_.GetTrackMusicInfo(2), nullptr);
    EXPECT_EQ(disc_.GetTrackMusicInfo(-1), nullptr);
}

TEST_F(CdDiscTest, ForcedReadKeepsTheRowsItHas) {
    drive_.ScriptDisc(AudioToc());
    TickWith(PLATTER_MEDIA_WRITTEN);
    disc_.Row(0)->percent = 40;
    int lookUps = 0;
    disc_.lookUpTitles = [&](bool forced) {
        EXPECT_TRUE(forced);
        ++lookUps;
        return true;
    };
    disc_.GetRDBID(true);
    EXPECT_EQ(lookUps, 1);
    EXPECT_EQ(disc_.Row(0)->percent, 40);
    // The lookup took the disc over: Look Up stays off until it ends.
    EXPECT_FALSE(disc_.LookUpEnabled());
}

// The Enhanced CD correction on a drive whose lengths need it: the CD audio
// reader reads a generated image of the same disc.
class CdCorrectionTest : public CdDiscTest {
protected:
    static constexpr std::int32_t kFirst = 300;
    static constexpr std::int32_t kSecond = 1500;

    void SetUp() override {
        CdDiscTest::SetUp();
        const auto image = platter_test::WriteDiscImage(
            images_.Path(), "enhanced",
            platter_test::TImageLayout{{{kFirst}, {kSecond}, {120, true, kFirst + kSecond + kSessionGapFrames}}});
        drive_.driveText = image.cuePath;
        drive_.lengthsNeedCorrection.store(true);
        MvList<PLATTER_TTrackPos*> times;
        ASSERT_TRUE(ProgramTitlefetch().GetTrackTimes(times, image.cuePath.c_str()));
        const PLATTER_TTrackPos* closing = times.items[times.count - 1];
        measured_ = closing->lengthMinutes * kFramesPerMinute + closing->lengthSeconds * kFramesPerSecond;
        ProgramTitlefetch().DeallocTrackPosList(&times, false);
    }
    // The drive's own table says the last audio track is length frames.
    void ScriptDriveLength(std::int32_t length) {
        const std::int32_t data = kFirst + length + kSessionGapFrames;
        drive_.ScriptDisc(Toc({{0}, {kFirst}, {data, true}}, data + 120));
    }

    testsupport::TempDir images_;
    std::int32_t measured_ = 0;
};

TEST_F(CdCorrectionTest, TheReaderIsAskedOnlyWhenTheDriveNeedsIt) {
    for (const std::int32_t difference : {100, -100, 101, -101}) {
        ScriptDriveLength(measured_ + difference);
        CCdDisc disc(&drive_);
        disc.GetRDBID(false);
        ASSERT_EQ(disc.State(), kCdStateAudioCd);
        const std::int32_t expected = std::abs(difference) > 100 ? measured_ : measured_ + difference;
        EXPECT_EQ(drive_.trackTable[1].lengthFrames, expected) << difference;
        ASSERT_EQ(disc.RowCount(), 2);
        EXPECT_EQ(disc.Row(1)->info->lengthMs,
                  drive_.trackTable[1].minutes * 60000 + drive_.trackTable[1].seconds * 1000);
    }
    // A drive that measured its own lengths is believed.
    drive_.lengthsNeedCorrection.store(false);
    ScriptDriveLength(measured_ + 500);
    CCdDisc disc(&drive_);
    disc.GetRDBID(false);
    EXPECT_EQ(drive_.trackTable[1].lengthFrames, measured_ + 500);
}

TEST_F(CdCorrectionTest, UnreadableTrackTimesLeaveNoDiscAndLookUpOff) {
    ScriptDriveLength(measured_);
    drive_.driveText = images_.File("missing.cue");
    disc_.ShowMessageRows("CDTab_InsertCD");
    TickWith(PLATTER_MEDIA_WRITTEN);
    EXPECT_EQ(disc_.State(), kCdStateBlank);
    EXPECT_EQ(disc_.RowCount(), 0);
    EXPECT_FALSE(disc_.LookUpEnabled());
}

// Ripped rows and the session.
class CdSessionLinkTest : public CdDiscTest {
protected:
    void SetUp() override {
        CdDiscTest::SetUp();
        SetCdSessionTracks(&tracks_);
        partners_.tellPages = [this](const char* path, bool state) { disc_.SetSongPlayState(path, state); };
        drive_.ScriptDisc(AudioToc());
        TickWith(PLATTER_MEDIA_WRITTEN);
        // Row 0 ripped into a real file, row 1 ripped with a genre in
        // another case, row 2 not ripped.
        for (int i = 0; i < 2; ++i) {
            TCDTrackRow& row = *disc_.Row(i);
            const std::string path = files_.File("track" + std::to_string(i) + ".wav");
            testsupport::WriteWholeFile(path, songfiles::WavBytes(44100, 2, 200));
            std::snprintf(row.info->path, sizeof row.info->path, "%s", path.c_str());
            std::snprintf(row.info->title, sizeof row.info->title, "Song %d", i);
            row.percent = kCdRipDone;
            row.SetStatus(kCdRowRipped);
        }
        std::snprintf(disc_.Row(1)->info->genre, sizeof disc_.Row(1)->info->genre, "%s", "rock");
    }
    void TearDown() override { SetCdSessionTracks(nullptr); }

    std::string TrackTitles() {
        std::string titles;
        for (int i = 0; i < tracks_.GetCount(); ++i) titles += tracks_.GetAt(i)->GetMusicInfo().title + std::string(";");
        return titles;
    }

    testsupport::TempDir files_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    songfakes::CTrackListPartners partners_{tracks_};
};

TEST_F(CdSessionLinkTest, MarkingARippedRowAddsItsSongAsTheRowDescribesIt) {
    disc_.OnSelect(1, false);
    EXPECT_EQ(tracks_.GetCount(), 0);
    disc_.OnSelect(1, true);
    ASSERT_EQ(tracks_.GetCount(), 1);
    EXPECT_EQ(disc_.Row(1)->inSession, 1);
    const CCDTrack& track = *tracks_.GetAt(0);
    const TONECORE_CMusicInfo info = track.GetMusicInfo();
    EXPECT_EQ(std::string(info.title), "Song 1");
    EXPECT_EQ(std::string(info.displayText), "Song 1");
    EXPECT_EQ(std::string(info.album), disc_.Row(1)->info->album);
    EXPECT_EQ(std::string(info.path), disc_.Row(1)->info->path);
    // The link matches genres without regard to case, in the table's spelling.
    EXPECT_EQ(std::string(info.genre), "Rock");
    EXPECT_EQ(info.genreIndex, 17);
    EXPECT_EQ(track.GetState(), 3);
    // What the session gave the track stays its own.
    EXPECT_EQ(track.GetSerial(), partners_.addedSerials.at(0));
    EXPECT_EQ(track.GetChangeStamp(), partners_.addedStamps.at(0));
    EXPECT_DOUBLE_EQ(track.GetVolume(), songfakes::CTrackListPartners::kAddedVolume);

    disc_.OnSelect(1, false);
    EXPECT_EQ(tracks_.GetCount(), 0);
    EXPECT_EQ(disc_.Row(1)->inSession, 0);
    EXPECT_EQ(disc_.Row(1)->marked, 0);
}

TEST_F(CdSessionLinkTest, RowsNotRippedAndUnknownGenresStayOut) {
    std::snprintf(disc_.Row(0)->info->genre, sizeof disc_.Row(0)->info->genre, "%s", "Chiptune");
    disc_.OnSelect(2, false);
    disc_.OnSelect(2, true);
    disc_.OnSelect(0, false);
    disc_.OnSelect(0, true);
    ASSERT_EQ(tracks_.GetCount(), 1);
    const TONECORE_CMusicInfo info = tracks_.GetAt(0)->GetMusicInfo();
    EXPECT_EQ(std::string(info.genre), "Chiptune");
    EXPECT_EQ(info.genreIndex, 255);
    EXPECT_EQ(disc_.Row(2)->inSession, 0);
}

TEST_F(CdSessionLinkTest, TheSwitchFlipsEveryMarkedRowAndMarkingAllFollowsIt) {
    disc_.ToggleAddToSession();
    EXPECT_FALSE(disc_.AddToSession());
    EXPECT_EQ(tracks_.GetCount(), 0);
    disc_.ToggleAddToSession();
    EXPECT_EQ(TrackTitles(), "Song 0;Song 1;");
    disc_.ToggleAddToSession();
    EXPECT_EQ(tracks_.GetCount(), 0);
    // With the switch off, marking adds nothing.
    disc_.SelectOrDeselectAll();
    disc_.SelectOrDeselectAll();
    EXPECT_EQ(tracks_.GetCount(), 0);
    disc_.ToggleAddToSession();
    disc_.SelectOrDeselectAll();
    EXPECT_FALSE(disc_.AnyMarked());
    disc_.SelectOrDeselectAll();
    EXPECT_EQ(TrackTitles(), "Song 0;Song 1;");
    // Ripped rows can be ripped again; the session keeps its songs.
    disc_.ClearRipped();
    EXPECT_FALSE(disc_.AnyRipped());
    EXPECT_EQ(disc_.Row(0)->Status(), kCdRowReady);
    EXPECT_TRUE(disc_.HasTracksToRip());
    EXPECT_EQ(tracks_.GetCount(), 2);
}

}  // namespace
