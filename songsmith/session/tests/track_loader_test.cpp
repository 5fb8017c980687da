// The session's background loader: passes that load the tracks one by one,
// a removed track cancelled and freed after its pass, the recheck of files
// that go and come back, a drive busy with a burn. (The real thread is in
// track_loader_threads_test.cpp.)
#include "songsmith/session/track_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "songsmith/app/app_messages.h"
#include "songsmith/session/tests/track_loader_fixture.h"
#include "songsmith/session/track_states.h"

namespace {

using namespace loadertest;
using songfakes::Lines;

TEST_F(TrackLoaderTest, EachPassLoadsOneTrack) {
    for (int i = 0; i < 5; ++i) Add(Song("song" + std::to_string(i) + ".wav"));
    Attach();
    for (int pass = 1; pass <= 5; ++pass) {
        EXPECT_EQ(loader_.RunCycle(), pass < 5 ? CTrackLoader::kPendingPauseMs
                                               : CTrackLoader::kIdlePauseMs);
        EXPECT_EQ(PostsOf("session 1037"), pass);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(list_.GetAt(i)->GetState(), i < pass ? kTrackReady : kTrackWaiting);
    }
    EXPECT_TRUE(list_.IsDirty());
    EXPECT_EQ(list_.GetAt(0)->GetSound(), nullptr);
}

TEST_F(TrackLoaderTest, NothingLoadsWhileTheDriveIsBusy) {
    Add(Song("song.wav"));
    Attach();
    busy_.busy = true;
    EXPECT_EQ(loader_.RunCycle(), CTrackLoader::kBusyPauseMs);
    EXPECT_EQ(list_.GetAt(0)->GetState(), kTrackWaiting);
    EXPECT_EQ(PostsOf("session 1037"), 0);
    busy_.busy = false;
    loader_.RunCycle();
    EXPECT_EQ(list_.GetAt(0)->GetState(), kTrackReady);
}

TEST_F(TrackLoaderTest, ARemovedTrackIsCancelledAndFreedAfterThePass) {
    CCDTrack& first = Add(Song("first.wav", 3));
    Add(Song("second.wav"));
    Attach();
    bool removed = false;
    g_atPause = [&] {
        if (!removed) removed = list_.RemoveAt(0);
    };
    loader_.RunCycle();
    EXPECT_TRUE(removed);
    (void)first;  // freed by the cycle; the sanitizer catches a later use
    ASSERT_EQ(list_.GetCount(), 1);
    EXPECT_EQ(list_.GetAt(0)->GetState(), kTrackWaiting);
    g_atPause = nullptr;
    loader_.RunCycle();
    EXPECT_EQ(list_.GetAt(0)->GetState(), kTrackReady);
}

// A track removed just as its load succeeds goes with its result: the
// session is not marked modified for a track it no longer has.
TEST_F(TrackLoaderTest, ATrackRemovedAsItsLoadEndsLeavesTheSessionUnmodified) {
    const int serial = Add(Song("song.wav")).GetSerial();
    Attach();
    list_.SetDirty(false);
    bool removed = false;
    scope_.poster.onPost = [&](const TAppMessage& message) {
        // The load's last news: the song decoded, its sound open.
        if (removed || message.number != WM_SESSION_TRACKCHANGED || message.lParam != serial) return;
        if (list_.GetAt(0)->GetState() == kTrackReadyButNotLoaded) removed = list_.RemoveAt(0);
    };
    loader_.RunCycle();
    scope_.poster.onPost = nullptr;
    EXPECT_TRUE(removed);
    EXPECT_EQ(list_.GetCount(), 0);
    EXPECT_FALSE(list_.IsDirty());
}

// A song whose file goes turns missing within one round of the recheck.
// Back as it was, it is opened again at once; back changed, it is new (0)
// and then analysed again.
TEST_F(TrackLoaderTest, FilesThatGoAndComeBackAreRechecked) {
    for (const bool changed : {false, true}) {
        SCOPED_TRACE(changed ? "changed" : "as it was");
        list_.Clear(false);
        const std::string path = Song("song.wav");
        const std::string aside = dir_.File("aside.wav");
        CCDTrack& track = Add(path);
        Add(Song("other.wav"));
        Attach();
        loader_.RunCycle();
        loader_.RunCycle();
        ASSERT_EQ(track.GetState(), kTrackReady);
        std::filesystem::rename(path, aside);
        for (int pass = 0; pass < list_.GetCount(); ++pass) loader_.RunCycle();
        EXPECT_EQ(track.GetState(), kTrackFileNotFound);

        if (changed) {
            std::filesystem::remove(aside);
            std::filesystem::rename(Song("longer.wav", 2), path);
            // Written later than the song that was analysed.
            std::filesystem::last_write_time(
                path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
        } else {
            std::filesystem::rename(aside, path);
        }
        for (int pass = 0; pass < list_.GetCount() && track.GetState() == kTrackFileNotFound;
             ++pass)
            loader_.RunCycle();
        if (changed) {
            EXPECT_EQ(track.GetState(), kTrackNoValidDataYet);
            EXPECT_FALSE(track.IsAnalysed());
            loader_.RunCycle();
        }
        EXPECT_EQ(track.GetState(), kTrackReady);
        EXPECT_EQ(track.GetLength(), changed ? 2000 : 1000);
        list_.SetLoader(nullptr);
    }
}

TEST_F(TrackLoaderTest, AnUndecodableFileIsTriedAgainOnlyOnceRewritten) {
    const std::string path = dir_.File("broken.wav");
    testsupport::WriteWholeFile(path, std::string(3000, '\x11'));
    CCDTrack& track = Add(path);
    Attach();
    const int start = g_clockReads;
    loader_.RunCycle();
    ASSERT_EQ(track.GetState(), kTrackFailedPrep);
    const Lines before = scope_.poster.Posts();
    const int decodes = g_clockReads;
    ASSERT_GT(decodes, start);  // it was decoded once
    // Every recheck of the unchanged file leaves it alone: no decode, and
    // only the pass news reaches the session list.
    for (int pass = 0; pass < 4; ++pass) loader_.RunCycle();
    EXPECT_EQ(track.GetState(), kTrackFailedPrep);
    EXPECT_EQ(g_clockReads, decodes);
    EXPECT_EQ(scope_.poster.Posts().size(), before.size() + 4);
    EXPECT_EQ(PostsOf("session 1037"), 5);

    std::filesystem::remove(path);
    std::filesystem::copy_file(Song("fixed.wav"), path);
    for (int pass = 0; pass < 3 && track.GetState() != kTrackReady; ++pass) loader_.RunCycle();
    EXPECT_EQ(track.GetState(), kTrackReady);
    EXPECT_GT(g_clockReads, decodes);
}

}  // namespace
