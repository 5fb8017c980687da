// The player's loading worker on its own thread: a stop while a song
// decodes does not wait for the decoder, and the player joins the worker
// when it goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>

#include "platform/wave_out_fake.h"
#include "platform/wave_out_null.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_player.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_service_thread.h"

namespace {

TEST(SongPlayerThreads, AStopDuringALoadReturnsAtOnceAndThePlayerJoinsItsWorker) {
    testsupport::TempDir dir;
    const std::string song = dir.File("long.wav");
    testsupport::WriteWholeFile(song, songfiles::WavBytes(44100, 2, 2000));
    CFakeWaveOutScope fake;
    songfakes::CSongActionScope windows;
    CPreferences prefs;
    CTrackList tracks(prefs);

    std::mutex lock;
    std::condition_variable changed;
    bool loading = false;
    bool release = false;
    {
        CSongPlayer player(prefs, tracks);
        ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
        // A decoder that holds on until the test lets it go.
        player.SetSongLoader([&](CSongSound& sound, const std::string& path, int analyse, std::int32_t perPeak) {
            std::unique_lock<std::mutex> hold(lock);
            loading = true;
            changed.notify_all();
            changed.wait(hold, [&] { return release; });
            hold.unlock();
            return LoadSoundFile(sound, path.c_str(), 2000, analyse, perPeak);
        });
        player.StartWorker();
        ASSERT_TRUE(player.PlaySong(song.c_str(), 0, 0, -1, 0, 0));
        {
            std::unique_lock<std::mutex> hold(lock);
            // The request wakes the worker at once, not at its next tick.
            ASSERT_TRUE(changed.wait_for(hold, testsupport::kHangLimit, [&] { return loading; }));
        }
        auto stopped = std::async(std::launch::async, [&] { player.Stop(); });
        const bool returned =
            stopped.wait_for(testsupport::kHangLimit) == std::future_status::ready;
        {
            std::lock_guard<std::mutex> hold(lock);
            release = true;
        }
        changed.notify_all();
        EXPECT_TRUE(returned) << "Stop waited for the decoder";
        stopped.wait();
        EXPECT_EQ(player.GetRequestedId(), CSongPlayer::kNoSoundId);
    }
    // The load that finished after the stop was dropped: nothing started.
    EXPECT_TRUE(windows.poster.Posts().empty());
    EXPECT_EQ(fake.Backend().openCount, 0);
}

// A poster that also lets a test wait for a post.
class CWaitablePoster : public songfakes::CRecordingPoster {
public:
    bool Post(TReceiverId receiver, TAppMessage message) override {
        const bool posted = CRecordingPoster::Post(receiver, std::move(message));
        std::lock_guard<std::mutex> hold(lock_);
        changed_.notify_all();
        return posted;
    }
    // Waits for a post equal to line (false only after a hang).
    bool WaitFor(const std::string& line) {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, testsupport::kHangLimit, [&] {
            const songfakes::Lines posts = Posts();
            return std::find(posts.begin(), posts.end(), line) != posts.end();
        });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
};

// The program's three threads at once: the main thread asks, the worker
// loads and installs, the engine's service thread plays on the null device
// in real time and has the song's sound announce its start and end.
TEST(SongPlayerThreads, ASongPlaysToItsEndWithTheWorkerAndTheServiceThread) {
    testsupport::TempDir dir;
    const std::string song = dir.File("short.wav");
    testsupport::WriteWholeFile(song, songfiles::WavBytes(44100, 2, 300));
    CNullWaveOutBackend null;
    IWaveOutBackend* previous = SetWaveOutBackend(&null);
    songfakes::CSongActionScope windows;
    CWaitablePoster poster;
    poster.known = windows.poster.known;
    SetAppMessagePoster(&poster);
    CPreferences prefs;
    prefs.MixerNumBuffers = 4;
    prefs.MixerBufferSize = 8820;
    CTrackList tracks(prefs);
    ASSERT_TRUE(StartServiceThread());
    {
        CSongPlayer player(prefs, tracks);
        ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
        player.StartWorker();
        ASSERT_TRUE(player.PlaySong(song.c_str(), 4, 0, -1, 0, 0));
        const int id = player.GetCurrentSoundId();
        EXPECT_TRUE(poster.WaitFor(songfakes::Line("player 1027 4 %d", id + 0x10000)));
        EXPECT_TRUE(poster.WaitFor(songfakes::Line("player 1027 4 %d", id)));
        EXPECT_EQ(player.GetPlayingId(), static_cast<std::uint32_t>(id));
        player.Stop();
    }
    StopServiceThread();
    SetAppMessagePoster(&windows.poster);
    SetWaveOutBackend(previous);
}

}  // namespace
