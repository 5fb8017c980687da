// The player panel in the real main window: a session of generated songs
// played on a null device under a fake clock; the panel driven by its
// controls' ids and the player's messages as the player posts them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <string>

#include "platform/message_box.h"
#include "songsmith/player/ui/tests/player_panel_fixture.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/player/player_display.h"
#include "songsmith/cd/tests/fake_cd_page.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/library/library_links.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/library/tests/library_song_record.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songvault/description.h"
#include "songvault/songvault.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "testsupport/widget_png.h"
#include "utilities/launch_browser.h"

namespace paneltest {
namespace {

using testsupport::SaveWidgetPng;

constexpr std::uint32_t kSixSeconds = 6000;

class PlayerPanelSessionTest : public PlayerPanelTest {
protected:
    // Three six-second songs in the session, the first with a title too
    // long for the display.
    void StartWithSession() {
        Start();
        const std::string titles[] = {
            "A song whose title is far too long to fit across the player display", "Second",
            "Third"};
        for (int row = 0; row < 3; ++row) session_->Add(Song(titles[row], kSixSeconds), 11 + row);
        // A song's title is its file's name.
        for (const std::string& title : titles) titles_.push_back(title + ".wav");
    }
    // A double-click on row, and the song loaded and started.
    void PlayRow(int row) {
        ASSERT_TRUE(session_->PlayRow(row));
        Load();
    }

    std::vector<std::string> titles_;
};

TEST_F(PlayerPanelSessionTest, IdleThePanelWaitsWithPlayAndAnIdleMoreButton) {
    StartWithSession();
    EXPECT_EQ(AppWindowReceiver(EAppWindow::kPlayerPanel), Panel().ReceiverId());
    EXPECT_EQ(PanelWindow()->height(), CPlayerPanel::kHeight);
    EXPECT_GE(PanelWindow()->width(), CPlayerPanel::kMinWidth);
    EXPECT_EQ(Panel().PlayStopPicture(), kPicturePlay);
    EXPECT_EQ(Panel().MorePicture(), kPictureMoreIdle);
    EXPECT_EQ(Slider()->value(), 0);
    EXPECT_EQ(Slider()->maximum(), 100);
    EXPECT_EQ(Slider()->pageStep(), 10);
    for (const int id : {CPlayerPanel::kDisplay, CPlayerPanel::kPrevious, CPlayerPanel::kPlayStop,
                         CPlayerPanel::kNext, CPlayerPanel::kMore, CPlayerPanel::kDisplayFrame,
                         CPlayerPanel::kButtonFrame})
        EXPECT_NE(testsupport::FindControl(PanelWindow(), id), nullptr) << id;
    EXPECT_FALSE(Panel().TimerRunning(CPlayerPanel::kScrollTimer));
    // Nothing to seek in yet; nothing to tell either, with a sound card.
    EXPECT_FALSE(Slider()->isEnabled());
    EXPECT_EQ(Panel().NoticeText(), "");
    SaveWidgetPng(PanelWindow(), "player_panel_idle");
}

// Row 1 plays: its title scrolls, the time runs with the fake clock; at
// its end the next row follows, as continuous play asks.
TEST_F(PlayerPanelSessionTest, ASessionSongShowsItsTitleAndTimeAndTheNextRowFollowsAtItsEnd) {
    StartWithSession();
    PlayRow(0);
    EXPECT_EQ(Panel().TitleText(), titles_[0]);
    EXPECT_EQ(Panel().PlayStopPicture(), kPictureStop);
    EXPECT_EQ(Panel().MorePicture(), kPictureMore);
    for (const int timer :
         {CPlayerPanel::kScrollTimer, CPlayerPanel::kTimeTimer, CPlayerPanel::kRepaintTimer})
        EXPECT_TRUE(Panel().TimerRunning(timer)) << timer;
    EXPECT_NE(Logged().find("Playing '" + titles_[0] + "'"), std::string::npos);

    Advance(2000);
    EXPECT_EQ(TimeNow(), "00:02 / 00:06");
    EXPECT_EQ(Slider()->value(), 33);
    // The long title scrolls a character a step.
    const int offset = Panel().ScrollOffset();
    Panel().OnTimer(CPlayerPanel::kScrollTimer);
    EXPECT_EQ(Panel().ScrollOffset(), offset + 1);
    SaveWidgetPng(PanelWindow(), "player_panel_long_title");

    PlayUntilChange(6000);
    EXPECT_EQ(session_->PlayingRow(), 1);
    EXPECT_EQ(Panel().TitleText(), titles_[1]);
    EXPECT_EQ(TimeNow(), "00:00 / 00:06");
    EXPECT_NE(Logged().find("Stopping playback.."), std::string::npos);
}

// Previous goes to the song before only within two seconds of a song's
// start, later it restarts the song; next and the player's commands go
// through the same choice.
TEST_F(PlayerPanelSessionTest, PreviousPlaysTheRowBeforeEarlyAndRestartsTheSongLater) {
    StartWithSession();
    PlayRow(1);
    Advance(1000);
    Click(CPlayerPanel::kPrevious);
    Load();
    EXPECT_EQ(session_->PlayingRow(), 0);

    Advance(3000);
    const std::uint32_t id = Panel().CurrentSoundId();
    Click(CPlayerPanel::kPrevious);
    Load();
    // The same playback from its start again.
    EXPECT_EQ(session_->PlayingRow(), 0);
    EXPECT_EQ(Panel().CurrentSoundId(), id);
    EXPECT_EQ(TimeNow(), "00:00 / 00:06");

    Click(CPlayerPanel::kNext);
    Load();
    EXPECT_EQ(session_->PlayingRow(), 1);
    // The previous-song command never restarts, however late.
    Advance(3000);
    main_->OnCommand(cmd::kRewind);
    Load();
    EXPECT_EQ(session_->PlayingRow(), 0);
    main_->OnCommand(cmd::kFastForward);
    Load();
    EXPECT_EQ(session_->PlayingRow(), 1);
    main_->OnCommand(cmd::kPlay);
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_EQ(Panel().PlayStopPicture(), kPicturePlay);
}

// An ended message for a song the panel no longer shows changes nothing.
TEST_F(PlayerPanelSessionTest, AStaleEndedMessageChangesNothing) {
    StartWithSession();
    PlayRow(0);
    const std::uint32_t first = Panel().CurrentSoundId();
    Click(CPlayerPanel::kNext);
    Load();
    Advance(1000);
    ASSERT_NE(Panel().CurrentSoundId(), first);
    const std::string time = TimeNow();
    ASSERT_TRUE(PostToAppWindow(EAppWindow::kPlayerPanel,
                                TAppMessage{WM_PLAYSTATE_CHANGED, 11, first, nullptr}));
    Settle();
    EXPECT_EQ(Panel().TitleText(), titles_[1]);
    EXPECT_EQ(Panel().PlayStopPicture(), kPictureStop);
    EXPECT_TRUE(Panel().TimerRunning(CPlayerPanel::kTimeTimer));
    EXPECT_EQ(TimeNow(), time);
    EXPECT_EQ(session_->PlayingRow(), 1);
}

// Play/stop stops; play then goes on from where the song stood, or from
// its start when it stood within three seconds of its end.
TEST_F(PlayerPanelSessionTest, PlayGoesOnWhereTheSongStoppedUnlessNearItsEnd) {
    StartWithSession();
    prefs_->bContinuousPlayback = 0;
    const struct {
        std::int32_t playedMs;
        const char* resumedAt;
    } cases[] = {{2000, "00:02 / 00:06"}, {4500, "00:00 / 00:06"}};
    for (const auto& c : cases) {
        PlayRow(1);
        Advance(c.playedMs);
        Click(CPlayerPanel::kPlayStop);
        EXPECT_FALSE(player_->IsPlaying());
        EXPECT_EQ(Panel().PlayStopPicture(), kPicturePlay);
        Click(CPlayerPanel::kPlayStop);
        EXPECT_EQ(Panel().PlayStopPicture(), kPictureStop);
        Load();
        EXPECT_EQ(session_->PlayingRow(), 1);
        EXPECT_EQ(TimeNow(), c.resumedAt) << c.playedMs;
    }
    // Played to its end without continuous play: the play picture, the
    // slider back at 0, and play starts the song again.
    PlayUntilChange(7000);
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_EQ(Panel().PlayStopPicture(), kPicturePlay);
    EXPECT_EQ(Slider()->value(), 0);
    Click(CPlayerPanel::kPlayStop);
    Load();
    EXPECT_TRUE(player_->IsPlaying());
    EXPECT_EQ(TimeNow(), "00:00 / 00:06");
}

// Before any song, play asks for the next song: the session's first.
TEST_F(PlayerPanelSessionTest, PlayWithoutASongPlaysTheFirstRow) {
    StartWithSession();
    Click(CPlayerPanel::kPlayStop);
    Load();
    EXPECT_EQ(session_->PlayingRow(), 0);
    EXPECT_EQ(Panel().TitleText(), titles_[0]);
}

// A drag of the slider's thumb seeks once it is let go.
TEST_F(PlayerPanelSessionTest, ASliderDragSeeksWhereTheThumbIsLetGo) {
    StartWithSession();
    PlayRow(0);
    Advance(1000);
    QSlider* slider = Slider();
    EXPECT_TRUE(slider->isEnabled()) << "a playing song is sought in";
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderHandle, slider);
    const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderGroove, slider);
    const QPoint target(groove.left() + groove.width() * 3 / 4, handle.center().y());
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handle.center());
    QTest::mouseMove(slider, (handle.center() + target) / 2);
    QTest::mouseMove(slider, target);
    EXPECT_TRUE(Panel().Dragging());
    // While the thumb is held, the time does not move it.
    Advance(200);
    TimeNow();
    const int dragged = slider->sliderPosition();
    EXPECT_GT(dragged, 60);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, target);
    EXPECT_FALSE(Panel().Dragging());
    Load();
    EXPECT_EQ(session_->PlayingRow(), 0);
    // The song plays on from the thumb's place.
    EXPECT_EQ(Panel().PositionMs(), dragged * kSixSeconds / 100);
    EXPECT_EQ(slider->value(), dragged);
    Advance(1000);
    EXPECT_EQ(TimeNow(), PlayTimeText(dragged * kSixSeconds / 100 + 1000, kSixSeconds));
}

// A song that cannot be decoded, and a machine without a sound card: the
// player stops and the panel says which.
TEST_F(PlayerPanelSessionTest, AnUndecodableSongIsReportedAndNothingPlays) {
    StartWithSession();
    const std::string broken = dir_.File("broken.wav");
    testsupport::WriteWholeFile(broken, std::string(4096, 'x'));
    session_->Add(broken, 14);
    ui_->ExpectMessage("PEM_CouldNotPlay", IDOK);
    ASSERT_TRUE(session_->PlayRow(3));
    for (int pass = 0; pass < 4; ++pass) player_->SoundLoadingPass();
    Settle();
    EXPECT_EQ(ui_->MessageKeys(), std::vector<std::string>{"PEM_CouldNotPlay"});
    EXPECT_EQ(ui_->Calls().back().caption, KeyedText("PEM_CouldNotPlayTitle"));
    EXPECT_EQ(ui_->Calls().back().flags & MB_ICONWARNING, MB_ICONWARNING);
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_TRUE(player_->IsStopped());
    EXPECT_EQ(Panel().PlayStopPicture(), kPicturePlay);
    EXPECT_NE(Logged().find(KeyedText("PEM_CouldNotPlayTitle")), std::string::npos);
}

TEST_F(PlayerPanelTest, WithoutASoundCardADoubleClickSaysSoAndPlaysNothing) {
    Start(true);
    CStandInSession& session = *session_;
    session.Add(Song("Alone", kSixSeconds), 21);
    // The display says so from the start, and the slider, with nothing to
    // seek in, does not move.
    EXPECT_EQ(Panel().NoticeText(), KeyedText("PEM_NoValidSoundcardTitle"));
    EXPECT_FALSE(Slider()->isEnabled());
    SaveWidgetPng(PanelWindow(), "player_panel_no_sound_card");
    ui_->ExpectMessage("PEM_NoValidSoundcard", IDOK);
    ASSERT_TRUE(session.PlayRow(0));
    Load();
    EXPECT_EQ(ui_->MessageKeys(), std::vector<std::string>{"PEM_NoValidSoundcard"});
    EXPECT_EQ(ui_->Calls().back().caption, KeyedText("PEM_NoValidSoundcardTitle"));
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_EQ(Panel().TitleText(), "");
    EXPECT_EQ(Panel().PlayStopPicture(), kPicturePlay);
    EXPECT_EQ(Panel().NoticeText(), KeyedText("PEM_NoValidSoundcardTitle"));
    EXPECT_FALSE(Slider()->isEnabled());
}

// The next song is due (a cross-fade, a CD track's end): the list gives
// it, or, with none, playback stops.
TEST_F(PlayerPanelSessionTest, LoadNextPlaysTheNextRowOrStopsWithoutOne) {
    StartWithSession();
    PlayRow(0);
    const std::uint32_t id = Panel().CurrentSoundId();
    ASSERT_TRUE(
        PostToAppWindow(EAppWindow::kPlayerPanel, TAppMessage{WM_PLAYER_LOADNEXT, 0, id, nullptr}));
    Settle();
    Load();
    EXPECT_EQ(session_->PlayingRow(), 1);
    EXPECT_NE(Logged().find("Load Next Sound Message"), std::string::npos);

    Panel().SetPartners({player_.get(), prefs_.get(), {}});
    ASSERT_TRUE(
        PostToAppWindow(EAppWindow::kPlayerPanel,
                        TAppMessage{WM_PLAYER_LOADNEXT, 0, Panel().CurrentSoundId(), nullptr}));
    Settle();
    EXPECT_NE(Logged().find("Failed to load the next song!"), std::string::npos);
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_TRUE(player_->IsStopped());
}

// "more" opens the song's link page once a song played; before, nothing.
TEST_F(PlayerPanelSessionTest, MoreOpensThePlayingSongsLinkPage) {
    StartWithSession();
    std::vector<std::string> opened;
    const LaunchBrowserHook previous = SetLaunchBrowserHook([&opened](const char* url) {
        opened.emplace_back(url);
        return true;
    });
    Click(CPlayerPanel::kMore);
    EXPECT_TRUE(opened.empty());
    PlayRow(1);
    Click(CPlayerPanel::kMore);
    SetLaunchBrowserHook(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find(dir_.Path()), std::string::npos) << opened[0];
    EXPECT_NE(testsupport::ReadWholeFile(opened[0]).find("Second"), std::string::npos);
}

// A song longer than an hour shows hours in its time line.
TEST_F(PlayerPanelSessionTest, ASongOverAnHourShowsHours) {
    StartWithSession();
    ASSERT_TRUE(
        player_->PlaySong(Song("The long one", kSixSeconds).c_str(), 31, 0, 3725000, 0xFFFF, 0));
    Load();
    Advance(2000);
    EXPECT_EQ(TimeNow(), "00:02 / 01:02:05");
    EXPECT_EQ(Slider()->value(), 0);
    Panel().OnTimer(CPlayerPanel::kScrollTimer);
    SaveWidgetPng(PanelWindow(), "player_panel_over_an_hour");
}

// A CD track: shown with its artist; play/stop stops it and plays the
// same track on from where it stood; next asks the CD page first, and
// the session when the page has none.
TEST_F(PlayerPanelSessionTest, ACdTrackStopsAndPlaysOnThroughItsPage) {
    StartWithSession();
    songfakes::CFakeCdPage page;
    player_->AddCDPage(&page);
    SetPlaySource(kPlaySourceCd);
    player_->PlayCDTrack(2, "/dev/sr0", 0);
    Settle();
    EXPECT_EQ(Panel().TitleText(), FormatKeyedText("songby", {"Third", "The Band"}));
    Advance(3000);
    EXPECT_EQ(TimeNow(), "00:03 / 03:35");
    Click(CPlayerPanel::kPlayStop);
    EXPECT_EQ(Panel().PlayStopPicture(), kPicturePlay);
    Click(CPlayerPanel::kPlayStop);
    EXPECT_EQ(Panel().PlayStopPicture(), kPictureStop);
    EXPECT_EQ(page.calls, (std::vector<std::string>{"play 2 0", "stop", "play 2 3000"}));

    page.calls.clear();
    Click(CPlayerPanel::kNext);
    // The page has no next track: the session's first song replaces the
    // track, whose end (told as it stops) leads nowhere further.
    EXPECT_EQ(page.calls, (std::vector<std::string>{"next 0 1", "stop"}));
    Load();
    EXPECT_EQ(session_->PlayingRow(), 0);
    EXPECT_EQ(Panel().TitleText(), titles_[0]);

    // A row the page knows no length of: the time runs, the slider stays.
    player_->PlayCDTrack(0, "/dev/sr0", 0);
    Settle();
    Advance(3000);
    EXPECT_EQ(TimeNow(), "00:03 / 00:00");
    EXPECT_EQ(Slider()->value(), 0);
    player_->RemoveCDPage(&page);
}

// At its narrowest the panel still holds every control side by side.
TEST_F(PlayerPanelSessionTest, AtItsNarrowestEveryControlStaysInside) {
    StartWithSession();
    PlayRow(0);
    Panel().Create(PanelWindow()->parentWidget(), 0, 0, 100, CPlayerPanel::kHeight);
    Settle();
    EXPECT_EQ(PanelWindow()->width(), CPlayerPanel::kMinWidth);
    int right = 0;
    for (const int id : {CPlayerPanel::kPrevious, CPlayerPanel::kPlayStop, CPlayerPanel::kSlider,
                         CPlayerPanel::kNext, CPlayerPanel::kMore}) {
        const QRect place = testsupport::FindControl(PanelWindow(), id)->geometry();
        EXPECT_GE(place.left(), right) << id;
        EXPECT_LE(place.bottom(), CPlayerPanel::kHeight) << id;
        right = place.right();
    }
    EXPECT_LE(right, CPlayerPanel::kMinWidth);
    EXPECT_GE(Slider()->width(), 50);
    SaveWidgetPng(PanelWindow(), "player_panel_narrow");
}

// The song actions' player: a list's play request goes to the player.
class CPlayingPartners : public songfakes::CRecordingPartners {
public:
    explicit CPlayingPartners(CSongPlayer& player) : player_(player) {}
    bool PlaySong(const char* path, int serial, std::int32_t startMs, std::int32_t endMs, int soundId,
                  std::int32_t positionMs) override {
        return player_.PlaySong(path, serial, startMs, endMs, soundId, positionMs);
    }

private:
    CSongPlayer& player_;
};

// Songs played from the Library page take the next one from its list.
TEST_F(PlayerPanelSessionTest, TheLibraryPageIsAskedFirstForItsSongsNext) {
    testsupport::TempDir storeFolder;
    SGSMarovelle description;
    SVTENG_CSongvault store;
    ASSERT_TRUE(store.Initialize(&description, storeFolder.Path().c_str()));
    std::snprintf(prefs_->LibraryPath, sizeof prefs_->LibraryPath, "%s", storeFolder.Path().c_str());
    const std::string librarySong = Song("From the library", kSixSeconds);
    TSVT_Song record = libtest::Song("From the library", "Artist", "Album", 1, librarySong);
    ASSERT_GT(store.AddSong(&record, false), 0);
    TLibraryPartners library;
    library.store = &store;
    SetLibraryPartners(library);
    StartWithSession();
    CPlayingPartners actions(*player_);
    SetSongActionPartners(&actions);

    PlayRow(2);
    SetPlaySource(kPlaySourceLibrary);
    Click(CPlayerPanel::kNext);
    Load();
    std::string playing;
    EXPECT_TRUE(player_->GetCurrentSongPath(playing));
    EXPECT_EQ(playing, librarySong);
    EXPECT_EQ(Panel().TitleText(), "From the library.wav");
    SetSongActionPartners(nullptr);
    main_.reset();
    SetLibraryPartners({});
}

}  // namespace
}  // namespace paneltest
