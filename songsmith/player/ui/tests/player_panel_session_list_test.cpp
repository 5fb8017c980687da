// The player panel with the program's session list (its logic: the pane
// comes with the session list's second part): a double-click on a row
// plays it, the panel shows it, and at its end the next row plays and the
// session list marks it as playing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "songsmith/player/ui/tests/player_panel_fixture.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/session_list.h"
#include "songsmith/player/session_player.h"
#include "songsmith/session/session_song_actions.h"
#include "songsmith/session/song_actions.h"
#include "utilities/undo_manager.h"

namespace paneltest {
namespace {

class PlayerPanelWithSessionListTest : public PlayerPanelTest {
protected:
    void TearDown() override {
        SetAppWindowReceiver(EAppWindow::kSessionList, kNoReceiver);
        SetSongActionPartners(nullptr);
        main_.reset();
        sessionReceiver_.reset();
        actions_.reset();
        list_.reset();
        PlayerPanelTest::TearDown();
    }

    // The session list over the player's track list, answering the song
    // actions and its window's messages, with three six-second songs.
    void StartWithSessionList() {
        Start();
        sessionPlayer_ = std::make_unique<CSongPlayerForSession>(*player_);
        list_ = std::make_unique<CSessionList>(
            TSessionListPartners{*tracks_, *prefs_, undo_, nullptr, sessionPlayer_.get(), nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr});
        actions_ =
            std::make_unique<CSessionSongActions>(*list_, *tracks_, undo_, *prefs_, player_.get());
        SetSongActionPartners(actions_.get());
        sessionReceiver_ = std::make_unique<CAppMessageReceiver>(
            [this](TAppMessage& message) { return list_->WindowProc(message); });
        SetAppWindowReceiver(EAppWindow::kSessionList, sessionReceiver_->Id());
        CSessionList* list = list_.get();
        Panel().SetPartners(
            {player_.get(), prefs_.get(), [list](bool random, int serial, bool forward) {
                 return list->PlayNext(random, serial, forward);
             }});
        for (const char* title : {"First", "Second", "Third"})
            ASSERT_TRUE(list_->AddSongFile(Song(title, 6000).c_str(), false)) << title;
        ASSERT_EQ(list_->RowCount(), 3);
    }

    CUndoMgr undo_;
    std::unique_ptr<CSongPlayerForSession> sessionPlayer_;
    std::unique_ptr<CSessionList> list_;
    std::unique_ptr<CSessionSongActions> actions_;
    std::unique_ptr<CAppMessageReceiver> sessionReceiver_;
};

TEST_F(PlayerPanelWithSessionListTest, ARowPlaysAndAtItsEndTheNextRowPlaysAndIsMarked) {
    StartWithSessionList();
    list_->OnPlayClick(0);
    Load();
    EXPECT_EQ(Panel().TitleText(), "First.wav");
    EXPECT_EQ(list_->PlayingSerial(), list_->RowSerial(0));
    Advance(2000);
    EXPECT_EQ(TimeNow(), "00:02 / 00:06");

    PlayUntilChange(6000);
    Load();
    EXPECT_EQ(Panel().TitleText(), "Second.wav");
    EXPECT_EQ(list_->PlayingSerial(), list_->RowSerial(1));

    // Previous within two seconds: the row before, marked in its turn.
    Click(CPlayerPanel::kPrevious);
    Load();
    EXPECT_EQ(Panel().TitleText(), "First.wav");
    EXPECT_EQ(list_->PlayingSerial(), list_->RowSerial(0));
}

}  // namespace
}  // namespace paneltest
