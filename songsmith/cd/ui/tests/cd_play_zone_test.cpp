// Playing a CD track from the CD page of the real main window: a click on a
// row's play button plays that row through the song player and the drive's
// CD audio device, a second click stops it, the cursor and the drawn row
// follow, and a disc taken out while it plays stops it. The null sound
// output runs on a clock that stands still, so a track plays until stopped.
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <memory>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "platform/wave_out_null.h"
#include "platter/testsupport/disc_image_maker.h"
#include "songsmith/app/ui/app_resources.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/player/play_source.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "songsmith/find/ui/find_container_window.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::FindControl;

std::atomic<std::int64_t> g_outputMs{0};

class CdPlayZoneTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        previous_ = SetWaveOutBackend(&null_);
        ownResources_ = AppResources() == nullptr && InitAppResources();
        tracks_ = std::make_unique<CTrackList>(*prefs_);
        player_ = std::make_unique<CSongPlayer>(*prefs_, *tracks_);
        SetCdPagePlayer(player_.get());
        prefs_->CDDBAutoRetr = 0;
        platter_->imageDrive.freshMedia = PLATTER_MEDIA_NONE;
        Open(1);
        main_->TabPane()->SelectPage(Page());
        Settle();
        platter_test::WriteDiscImage(Tray(), "disc", platter_test::AudioDiscLayout());
        Page()->DiscTimerTick();
        Settle();
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetCdPagePlayer(nullptr);
        player_.reset();
        tracks_.reset();
        if (ownResources_) FreeAppResources();
        SetWaveOutBackend(previous_);
    }

    std::string Tray() const { return trays_.Path() + "/tray0"; }
    CCDTab* Page() const { return main_->TabPane()->CdPages().at(0); }
    QTableView* List() const { return FindControl<QTableView>(Page()->Window(), kCdListId); }
    void ClickRow(int row, int x) {
        const int y = List()->rowViewportPosition(row) + List()->rowHeight(row) / 2;
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(x, y));
        Settle();
    }
    // The cursor the list shows with the mouse over row at x.
    QImage CursorOver(int row, int x) {
        Page()->TrackMouse(row, x);
        return List()->viewport()->cursor().pixmap().toImage();
    }
    static QImage Resource(int cursor) { return AppResources()->Cursor(cursor).pixmap().toImage(); }

    CNullWaveOutBackend null_{[] { return g_outputMs.load(); }, false};
    IWaveOutBackend* previous_ = nullptr;
    bool ownResources_ = false;
    std::unique_ptr<CTrackList> tracks_;
    std::unique_ptr<CSongPlayer> player_;
};

TEST_F(CdPlayZoneTest, ThePlayButtonPlaysTheRowAndASecondClickStopsIt) {
    ASSERT_EQ(List()->model()->rowCount(), 3);
    ASSERT_NE(AppResources(), nullptr);
    constexpr int kOnPlayButton = 6;
    ClickRow(1, kOnPlayButton);
    EXPECT_EQ(GetPlaySource(), kPlaySourceCd);
    EXPECT_EQ(Page()->Disc().PlayingIndex(), 1);
    EXPECT_TRUE(Page()->Playback().IsPlayingTrack());
    EXPECT_TRUE(player_->IsPlaying());
    EXPECT_EQ(player_->GetCDTab(), &Page()->Playback());
    // Playing keeps the disc timer from reading the drive.
    EXPECT_FALSE(Page()->DiscTimerRunning());
    // The playing row shows its stop button, and the mouse over it the stop
    // cursor; over another row's button, the play cursor.
    EXPECT_EQ(CursorOver(1, kOnPlayButton), Resource(kCursorStopSong));
    EXPECT_EQ(CursorOver(2, kOnPlayButton), Resource(kCursorPlaySong));
    testsupport::SaveWidgetPng(main_->Window(), "cd_tab_playing_row");
    // The click played; it did not flip the mark.
    EXPECT_EQ(Page()->Disc().Row(1)->marked, 1);

    ClickRow(1, kOnPlayButton);
    EXPECT_EQ(Page()->Disc().PlayingIndex(), -1);
    EXPECT_FALSE(Page()->Playback().IsPlayingTrack());
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_TRUE(Page()->DiscTimerRunning());
    EXPECT_EQ(CursorOver(1, kOnPlayButton), Resource(kCursorPlaySong));
}

TEST_F(CdPlayZoneTest, TheZoneCountsTheHorizontalScroll) {
    QTableView* list = List();
    list->resize(200, list->height());
    Settle();
    ASSERT_GT(list->horizontalScrollBar()->maximum(), 3);
    // Two pixels in: before the button without scroll, on it with 3 pixels
    // of scroll.
    constexpr int kX = 2;
    ClickRow(0, kX);
    EXPECT_EQ(Page()->Disc().PlayingIndex(), -1);
    EXPECT_EQ(Page()->Disc().Row(0)->marked, 0);
    list->horizontalScrollBar()->setValue(3);
    Settle();
    ClickRow(2, kX);
    EXPECT_EQ(Page()->Disc().PlayingIndex(), 2);
    EXPECT_EQ(Page()->Disc().Row(2)->marked, 1);
    ClickRow(2, kX);
    EXPECT_EQ(Page()->Disc().PlayingIndex(), -1);
}

TEST_F(CdPlayZoneTest, TheDiscTakenOutWhilePlayingStopsIt) {
    ClickRow(0, 6);
    ASSERT_TRUE(Page()->Playback().IsPlayingTrack());
    std::filesystem::remove(Tray() + "/disc.cue");
    std::filesystem::remove(Tray() + "/disc.bin");
    Page()->DiscTimerTick();
    Settle();
    EXPECT_EQ(Page()->Disc().PlayingIndex(), -1);
    EXPECT_FALSE(Page()->Playback().IsPlayingTrack());
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_EQ(Page()->Disc().RowCount(), 0);
    // The stop's notice reaches the page and changes nothing more.
    Settle();
    EXPECT_FALSE(Page()->Playback().IsPlayingTrack());
}

TEST_F(CdPlayZoneTest, ATrackThatPlaysToItsEndTellsThePage) {
    ClickRow(2, 6);
    ASSERT_TRUE(Page()->Playback().IsPlayingTrack());
    // The output's clock runs on until the device's notice arrived.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
            g_outputMs += 1000;
            return !Page()->Playback().IsPlayingTrack();
        },
        testsupport::kHangLimitMs));
    // The row stays the one played last, for the player's next choice.
    EXPECT_EQ(Page()->Disc().PlayingIndex(), 2);
}

}  // namespace
