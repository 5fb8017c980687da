#pragma once
// The loader tests' fixture: a session list with a loader that the tests
// attach once their tracks are in, a fake busy drive, songs made by sox, the
// engine running, and a fake wait clock for the decodes.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "platform/wait_clock.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/tests/engine_scope.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_loader.h"
#include "testsupport/temp_dir.h"

namespace loadertest {


// The decode's wait clock: readings move it on, so a decode pauses at every
// other progress report, and each pause runs the test's hook. Every decode
// reads it before it starts, so its readings count decodes.
inline std::atomic<std::int64_t> g_now{0};
inline std::atomic<int> g_clockReads{0};
inline std::function<void()> g_atPause;
inline void FakeSleep(std::uint32_t ms) {
    g_now += ms;
    if (g_atPause) g_atPause();
}
inline std::int64_t FakeNow() {
    ++g_clockReads;
    return g_now += 100;
}

class CFakeBusy : public IDriveBusy {
public:
    bool BurnOrRipRunning() override { return busy; }
    bool busy = false;
};

class TrackLoaderTest : public testing::Test {
protected:
    void SetUp() override {
        if (!songfiles::HaveTools({"sox"})) GTEST_SKIP() << "sox is needed";
        engine_ = std::make_unique<songfiles::CEngineScope>(prefs_, dir_.File("cache"));
        realClock_ = SetWaitClock({FakeSleep, FakeNow});
        g_atPause = nullptr;
    }
    ~TrackLoaderTest() override {
        list_.StopLoaderThread();
        list_.SetLoader(nullptr);
    }
    // The loader joins the list once the tracks are in, so that adding them
    // starts no thread: the test runs the passes itself.
    void Attach() { list_.SetLoader(&loader_); }
    void TearDown() override {
        if (IsSkipped()) return;
        g_atPause = nullptr;
        SetWaitClock(realClock_);
    }

    std::string Song(const std::string& name, double seconds = 1) {
        const std::string path = dir_.File(name);
        EXPECT_TRUE(songfiles::Run("sox -R -n -r 44100 -c 2 -b 16 '" + path + "' synth " +
                                   std::to_string(seconds) + " sine 440 vol 0.5"));
        return path;
    }
    CCDTrack& Add(const std::string& path) {
        list_.InsertSong(CSongEntry(path.c_str()), list_.GetCount());
        return *list_.GetAt(list_.GetCount() - 1);
    }
    int PostsOf(const std::string& start) {
        int count = 0;
        for (const std::string& post : scope_.poster.Posts()) count += post.rfind(start, 0) == 0;
        return count;
    }

    testsupport::TempDir dir_;
    songfakes::CSongActionScope scope_;
    CPreferences prefs_;
    std::unique_ptr<songfiles::CEngineScope> engine_;
    CTrackList list_{prefs_};
    CFakeBusy busy_;
    CTrackLoader loader_{list_, &busy_};
    TWaitClock realClock_{};
};

}  // namespace loadertest
