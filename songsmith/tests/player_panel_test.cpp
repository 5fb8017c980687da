// The player panel in the real main window: a session of generated songs
// played on a null device under a fake clock; the panel driven by its
// controls' ids and the player's messages as the player posts them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <string>

#include "platform/message_box.h"
#include "player_panel_fixture.h"
#include "songsmith/core/app_messages.h"
#include "songsmith/core/app_windows.h"
#include "songsmith/core/command_ids.h"
#include "songsmith/program_pictures.h"
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
        const std::string titles[] = {"A song whose title is far too long to fit across the player display",
                                      "Second", "Third"};
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
    for (const int timer : {CPlayerPanel::kScrollTimer, CPlayerPanel::kTimeTimer, CPlayerPanel::kRepaintTimer})
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

}  // namespace
}  // namespace paneltest
