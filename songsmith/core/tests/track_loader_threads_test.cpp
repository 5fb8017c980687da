// The session's background loader on its own thread: a stop in the middle
// of a long song's decode returns at once, and the thread is joined.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "songsmith/core/tests/track_loader_fixture.h"
#include "songsmith/core/track_states.h"

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
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(list_.StopLoaderThread());
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_LT(took, std::chrono::milliseconds(100));
    EXPECT_FALSE(loader_.IsRunning());
    EXPECT_EQ(track.GetState(), kTrackWaiting);
}

}  // namespace
