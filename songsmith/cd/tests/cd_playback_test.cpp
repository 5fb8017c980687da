// A CD page's playing through the real song player and the drive's CD
// audio device: continuous play from track to track, previous and random
// choices, the disc track a row stands for, and a machine without sound.
// The null output plays by a clock the test moves; the test delivers the
// device's notices and runs the player's worker passes itself, and stands
// in for the player panel by asking the page for the next track.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "songsmith/cd/tests/cd_drive_fixture.h"
#include "platform/wave_out_fake.h"
#include "platform/wave_out_null.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/cd/cd_disc.h"
#include "songsmith/cd/cd_playback.h"
#include "songsmith/player/play_source.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "utilities/keyed_text.h"
#include "platform/user_folders.h"

namespace {

std::atomic<std::int64_t> g_outputMs{0};

class CdPlaybackTest : public cdtest::CdDriveTest {
protected:
    CdPlaybackTest() {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        previous_ = SetWaveOutBackend(&null_);
    }
    ~CdPlaybackTest() override {
        player_.reset();
        playback_.reset();
        SetWaveOutBackend(previous_);
    }

    // The disc in the drive, its rows made, and the page and the player.
    void Start(const platter_test::TImageLayout& layout) {
        ASSERT_NE(InsertDisc(layout), nullptr);
        disc_ = std::make_unique<CCdDisc>(drive_);
        disc_->GetRDBID(false);
        ASSERT_GT(disc_->RowCount(), 0);
        playback_ = std::make_unique<CCdPlayback>(*disc_, "tray");
        playback_->postNotify = notices_.Callback();
        playback_->setPlaySource = SetPlaySource;
        playback_->playCdTrack = [this](int row, const char* drive) { return player_->PlayCDTrack(row, drive, 0); };
        playback_->stopPlayer = [this] { player_->Stop(); };
        player_ = std::make_unique<CSongPlayer>(prefs_, tracks_);
        player_->AddCDPage(playback_.get());
    }
    // The output plays on until the next notice, which reaches the page.
    int PlayToNextNotice() {
        const std::size_t seen = notices_.Codes().size();
        EXPECT_TRUE(notices_.WaitFor(seen + 1, [] { g_outputMs += 1000; }));
        const int code = notices_.Codes().at(seen);
        playback_->OnNotify(code);
        return code;
    }
    // What the panel is told, and the title the player shows.
    std::vector<std::string> PanelPosts() {
        std::vector<std::string> posts;
        for (const std::string& post : windows_.poster.Posts())
            if (post.rfind("player ", 0) == 0) posts.push_back(post.substr(7));
        return posts;
    }
    std::string ShownTitle() {
        TPlayerSlot slot;
        return player_->GetSlotInfo(player_->GetCurrentSoundId(), slot) ? slot.title : std::string("(none)");
    }
    bool AskedForNext() {
        const std::string loadNext = std::to_string(WM_PLAYER_LOADNEXT) + " ";
        for (const std::string& post : PanelPosts())
            if (post.rfind(loadNext, 0) == 0) return true;
        return false;
    }

    CNullWaveOutBackend null_{[] { return g_outputMs.load(); }, false};
    IWaveOutBackend* previous_ = nullptr;
    songfakes::CSongActionScope windows_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    cdtest::CNotices notices_;
    std::unique_ptr<CCdDisc> disc_;
    std::unique_ptr<CCdPlayback> playback_;
    std::unique_ptr<CSongPlayer> player_;
};

TEST_F(CdPlaybackTest, ContinuousPlayRunsTheTracksInTurnAndThePlayerShowsEachTitle) {
    Start(platter_test::AudioDiscLayout());
    prefs_.bContinuousPlayback = 1;
    disc_->Row(1)->info->title[0] = '\0';
    std::snprintf(disc_->Row(1)->info->title, sizeof disc_->Row(1)->info->title, "Second Song");
    playback_->PlayOrStop(0);
    EXPECT_EQ(GetPlaySource(), kPlaySourceCd);
    std::vector<std::string> titles;
    for (int row = 0; row < 3; ++row) {
        ASSERT_EQ(disc_->PlayingIndex(), row);
        ASSERT_TRUE(player_->IsPlaying());
        titles.push_back(ShownTitle());
        EXPECT_EQ(PlayToNextNotice(), kCdPlaySuccessful);
        EXPECT_FALSE(playback_->IsPlayingTrack());
        // The worker sees the track ended and asks the panel for the next.
        windows_.poster.posts.clear();
        player_->SoundLoadingPass();
        ASSERT_TRUE(AskedForNext()) << row;
        if (row < 2) {
            ASSERT_TRUE(playback_->PlayNextSong(false, true));
        }
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Track 01", "Second Song", "Track 03"}));
    // Without continuous play the worker stops the track once it ended.
    prefs_.bContinuousPlayback = 0;
    ASSERT_TRUE(playback_->PlayNextSong(false, true));
    EXPECT_EQ(disc_->PlayingIndex(), 0);
    EXPECT_EQ(PlayToNextNotice(), kCdPlaySuccessful);
    player_->SoundLoadingPass();
    EXPECT_EQ(disc_->PlayingIndex(), -1);
    EXPECT_EQ(player_->GetCDTab(), nullptr);
}

TEST_F(CdPlaybackTest, PreviousWrapsRandomAvoidsThePlayingRowAndTheRowStopsOnASecondClick) {
    Start(platter_test::AudioDiscLayout());
    playback_->PlayOrStop(0);
    ASSERT_TRUE(playback_->PlayNextSong(false, false));
    EXPECT_EQ(disc_->PlayingIndex(), 2);
    // Leaving a playing track for another is a stop of the first: its
    // aborted notice clears only the stop request.
    ASSERT_TRUE(playback_->PlayNextSong(false, true));
    EXPECT_EQ(disc_->PlayingIndex(), 0);
    for (int i = 0; i < 20; ++i) {
        const int before = disc_->PlayingIndex();
        ASSERT_TRUE(playback_->PlayNextSong(true, true));
        EXPECT_NE(disc_->PlayingIndex(), before);
    }
    ASSERT_TRUE(notices_.WaitFor(notices_.Codes().size()));
    for (int code : notices_.Codes()) playback_->OnNotify(code);
    EXPECT_TRUE(playback_->IsPlayingTrack());
    const int playing = disc_->PlayingIndex();
    playback_->PlayOrStop(playing);
    EXPECT_EQ(disc_->PlayingIndex(), -1);
    EXPECT_FALSE(playback_->IsPlayingTrack());
    EXPECT_FALSE(player_->IsPlaying());
}

TEST_F(CdPlaybackTest, AStopFromThePlayersWorkerIsHandedToThePagesThread) {
    Start(platter_test::AudioDiscLayout());
    int handedOver = 0;
    playback_->postStop = [&handedOver] { ++handedOver; };
    playback_->PlayOrStop(1);
    std::thread worker([this] { playback_->StopTrack(); });
    worker.join();
    // Nothing was stopped on the worker's thread.
    EXPECT_EQ(handedOver, 1);
    EXPECT_TRUE(playback_->IsPlayingTrack());
    EXPECT_EQ(disc_->PlayingIndex(), 1);
    // On the page's thread the stop is done.
    playback_->StopTrack();
    EXPECT_EQ(handedOver, 1);
    EXPECT_FALSE(playback_->IsPlayingTrack());
    EXPECT_EQ(disc_->PlayingIndex(), -1);
}

TEST_F(CdPlaybackTest, RandomWithOneRowPlaysItAndNoRowsPlayNothing) {
    Start(platter_test::AudioDiscLayout());
    // Only the first row is left of the disc.
    TCDRows one;
    one.push_back(std::move(const_cast<TCDRows&>(disc_->Rows()).front()));
    disc_->ReplaceRows(std::move(one));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(playback_->PlayNextSong(true, true));
        EXPECT_EQ(disc_->PlayingIndex(), 0);
    }
    disc_->ReplaceRows({});
    EXPECT_FALSE(playback_->PlayNextSong(true, true));
    EXPECT_FALSE(playback_->PlayNextSong(false, true));
    EXPECT_FALSE(playback_->PlayNextSong(false, false));
}

TEST_F(CdPlaybackTest, WithoutASoundCardATrackCannotPlayAndThePanelIsTold) {
    CNullWaveOutBackend missingCard{[] { return g_outputMs.load(); }, false, true};
    SetWaveOutBackend(&missingCard);
    Start(platter_test::AudioDiscLayout());
    playback_->PlayOrStop(1);
    EXPECT_EQ(disc_->PlayingIndex(), -1);
    EXPECT_FALSE(playback_->IsPlayingTrack());
    EXPECT_FALSE(player_->IsPlaying());
    const std::vector<std::string> posts = PanelPosts();
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.back().rfind(std::to_string(WM_PLAYER_CANNOTPLAY) + " ", 0), 0u) << posts.back();
    SetWaveOutBackend(&null_);
}

class CdPlaybackBytesTest : public CdPlaybackTest {
protected:
    // The device closes while the fake output is still there.
    ~CdPlaybackBytesTest() override {
        player_.reset();
        playback_.reset();
    }
    CFakeWaveOutScope fake_;
};

TEST_F(CdPlaybackBytesTest, OnAMixedModeDiscEachRowPlaysItsOwnDiscTrack) {
    Start(platter_test::MixedModeLayout());
    ASSERT_EQ(disc_->RowCount(), 2);
    std::string expected;
    for (int row = 0; row < 2; ++row) {
        playback_->PlayOrStop(row);
        ASSERT_TRUE(notices_.WaitFor(static_cast<std::size_t>(row) + 1, [this] { fake_.Device()->PlayAll(); }));
        expected += TrackBytes(row + 2);
    }
    EXPECT_EQ(notices_.Codes(), (std::vector<int>{kCdPlaySuccessful, kCdPlaySuccessful}));
    const std::vector<std::uint8_t> written = fake_.Device()->Written();
    EXPECT_TRUE(std::string(written.begin(), written.end()) == expected);
}

}  // namespace
