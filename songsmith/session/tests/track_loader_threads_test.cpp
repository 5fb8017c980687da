// The session's background loader on its own thread: a stop in the middle
// of a long song's decode returns at once, and the thread is joined; a stop
// that gives up on a stalled decode leaves the track to the loader; a
// stalled peaks cache does not hold the list.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "songsmith/session/tests/track_loader_fixture.h"
#include "songsmith/session/track_states.h"
#include "testsupport/hang_limit.h"

namespace {

using loadertest::g_atPause;
using loadertest::TrackLoaderTest;

TEST_F(TrackLoaderTest, AStopEndsTheThreadInTheMiddleOfADecode) {
    CCDTrack& track = Add(Song("long.wav", 120));
    std::mutex lock;
    std::condition_variable decoding;
    bool started = false;
    g_atPause = [&] {
        std::lock_guard<std::mutex> hold(lock);
        started = true;
        decoding.notify_all();
    };
    Attach();
    list_.StartLoaderThread();
    {
        std::unique_lock<std::mutex> hold(lock);
        decoding.wait(hold, [&] { return started; });
    }
    // The decode ends at its next progress check: a handful of clock
    // readings after the stop, never the rest of the two-minute song. On a
    // quiet machine that is a few milliseconds (goal: under 100 ms); the
    // time is printed, not checked, since a loaded machine may not run the
    // thread for a while.
    const int readsBefore = loadertest::g_clockReads;
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(list_.StopLoaderThread());
    const auto took = std::chrono::steady_clock::now() - begin;
    std::printf("stop took %lld us, %d clock readings\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(took).count()),
                loadertest::g_clockReads - readsBefore);
    EXPECT_LE(loadertest::g_clockReads - readsBefore, 4);
    EXPECT_FALSE(loader_.IsRunning());
    EXPECT_EQ(track.GetState(), kTrackWaiting);
}

// A decode stalled past the stop's wait (a song on a hung mount): the stop
// gives up, and the removed track the loader is decoding stays alive until
// the loader is done with it (the sanitizer catches a use after deletion).
TEST_F(TrackLoaderTest, AStopThatTimesOutLeavesTheStalledTrackToTheLoader) {
    Add(Song("long.wav", 120));
    std::mutex lock;
    std::condition_variable changed;
    bool decoding = false;
    bool open = false;
    g_atPause = [&] {
        std::unique_lock<std::mutex> hold(lock);
        decoding = true;
        changed.notify_all();
        changed.wait(hold, [&] { return open; });
    };
    Attach();
    list_.StartLoaderThread();
    {
        std::unique_lock<std::mutex> hold(lock);
        ASSERT_TRUE(changed.wait_for(hold, std::chrono::seconds(30), [&] { return decoding; }));
    }
    ASSERT_TRUE(list_.RemoveAt(0));
    // The gate holds the decode: the stop cannot end the thread in its wait.
    loader_.SetStopWait(1);
    EXPECT_FALSE(list_.StopLoaderThread());
    {
        std::lock_guard<std::mutex> hold(lock);
        open = true;
        changed.notify_all();
    }
    loader_.SetStopWait(CTrackLoader::kStopWaitMs);
    EXPECT_TRUE(loader_.Stop());
    EXPECT_FALSE(loader_.IsRunning());
    EXPECT_EQ(list_.GetCount(), 0);
}

// The list's lock is not held while the loader waits on a slow disk: with
// the peaks cache of a song to recheck stalled (a pipe nobody writes), the
// list still answers; the recheck ends once the cache gives out.
TEST_F(TrackLoaderTest, AStalledPeaksCacheDoesNotHoldTheList) {
    CCDTrack& track = Add(Song("song.wav"));
    Attach();
    loader_.RunPass();
    ASSERT_TRUE(track.IsAnalysed());
    const std::string cache = track.PeaksCachePath();
    ASSERT_FALSE(cache.empty());
    std::filesystem::remove(cache);
    ASSERT_EQ(mkfifo(cache.c_str(), 0600), 0);
    // Missing, then back as it was: the recheck reads the peaks cache.
    track.SetState(kTrackFileNotFound);

    std::thread pass([this] { loader_.RunPass(); });
    // The pipe opens for writing once the recheck has it open for reading;
    // it then waits for bytes that do not come.
    int writer = -1;
    const auto deadline = std::chrono::steady_clock::now() + testsupport::kHangLimit;
    while (writer < 0 && std::chrono::steady_clock::now() < deadline) {
        writer = open(cache.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer < 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(writer, 0) << "the recheck never read the peaks cache";

    std::mutex lock;
    std::condition_variable answered;
    bool done = false;
    std::thread reader([&] {
        const int count = list_.GetCount();
        std::lock_guard<std::mutex> hold(lock);
        done = count == 1;
        answered.notify_all();
    });
    {
        std::unique_lock<std::mutex> hold(lock);
        EXPECT_TRUE(answered.wait_for(hold, std::chrono::seconds(30), [&] { return done; }))
            << "the list's lock is held while the cache stalls";
    }
    if (writer >= 0) close(writer);
    pass.join();
    reader.join();
    // The cache gave nothing: the song is analysed anew.
    EXPECT_EQ(track.GetState(), kTrackNoValidDataYet);
}

}  // namespace
