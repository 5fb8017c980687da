#include "tonecore/engine/engine_startup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/user_folders.h"
#include "testsupport/hang_limit.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/engine/engine_service_thread.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/sound_loaded.h"
#include "tonecore/engine/tonecore_strings.h"

namespace {

// Records what the service thread asks of it, in order, as letters:
// I Idle, M Mix, R ContinueRecording, C Close.
class CFakeMixer : public IEngineMixer {
public:
    CFakeMixer(bool playing, bool recording, bool open)
        : playing_(playing), recording_(recording), open_(open) {}

    int Play(CAudioAtom*, std::int32_t, int) override { return 0; }
    void Idle() override { Note('I'); }
    int Playing() override { return playing_ ? 1 : 0; }
    int Recording() override { return recording_ ? 1 : 0; }
    int ContinueRecording() override {
        Note('R');
        return 1;
    }
    int Mix() override {
        Note('M');
        return 0;
    }
    int IsOpen() override { return open_ ? 1 : 0; }
    void Close() override {
        Note('C');
        open_ = false;
    }

    std::string Calls() {
        std::lock_guard<std::mutex> hold(lock_);
        return calls_;
    }
    // Waits until the calls hold the text; false only after a hang.
    bool WaitFor(const std::string& text) {
        const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
        while (std::chrono::steady_clock::now() < giveUp) {
            if (Calls().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

private:
    void Note(char c) {
        std::lock_guard<std::mutex> hold(lock_);
        calls_ += c;
    }

    bool playing_, recording_;
    std::atomic<bool> open_;
    std::mutex lock_;
    std::string calls_;
};

int g_instance;
std::string g_notified;
void Notify(const char* text, const char* caption) {
    g_notified = std::string(caption) + ": " + text;
}

}  // namespace

TEST(EngineServicePass, DrivesTheMixerByItsState) {
    struct TCase {
        bool playing, recording, open;
        const char* calls;
        int waitMs;
    };
    const TCase cases[] = {
        {true, true, true, "IRM", 1},
        {true, false, true, "IM", 1},
        {false, true, true, "IR", 1},
        {false, false, true, "IC", 20},  // open but idle: closed
        {false, false, false, "I", 20},
    };
    for (const TCase& c : cases) {
        CFakeMixer mixer(c.playing, c.recording, c.open);
        SetCurrentMixer(&mixer);
        EXPECT_EQ(ServiceCurrentMixer().count(), c.waitMs);
        EXPECT_EQ(mixer.Calls(), c.calls);
    }
    SetCurrentMixer(nullptr);
    EXPECT_EQ(ServiceCurrentMixer().count(), 20);
}

TEST(EngineStartup, StartsTwiceAndShutsDownOnce) {
    g_notified.clear();
    SetSoundEngineNotifyHook(Notify);
    SetPartialSongThreshold(99);
    SetTempSndPath(nullptr);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(SoundEngineStartup(&g_instance), 1) << round;
        EXPECT_EQ(SoundEngineStarted(), 1);
        EXPECT_EQ(GetPartialSongThreshold(), 12);
        EXPECT_EQ(GetSilenceThreshold(), 0u);
        EXPECT_EQ(GetMP3EncoderChoice(), kMP3EncoderNone);
        EXPECT_EQ(GetCompressedFormatFlag(), 1);
        EXPECT_EQ(TempSndPath(), GetUserCacheDir());
        ASSERT_NE(GetSoundRegistry(), nullptr);
        EXPECT_NE(ToneCoreStringFile(), "");

        // The thread really runs: an open, idle mixer gets closed.
        CFakeMixer mixer(false, false, true);
        SetCurrentMixer(&mixer);
        EXPECT_TRUE(mixer.WaitFor("IC")) << round;
        // A playing mixer is visited again and again.
        CFakeMixer playing(true, false, true);
        SetCurrentMixer(&playing);
        EXPECT_TRUE(playing.WaitFor("IMIMIM")) << round;
        {
            // Each pass holds the engine lock: none runs while we hold it.
            CEngineLockGuard hold(EngineLock());
            const std::string before = playing.Calls();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            EXPECT_EQ(playing.Calls(), before);
        }
        SetCurrentMixer(nullptr);

        SoundEngineShutdown();
        EXPECT_EQ(SoundEngineStarted(), 0);
        EXPECT_EQ(GetSoundRegistry(), nullptr);
        SoundEngineShutdown();  // a second shut-down does nothing
    }
    // Once stopped, the thread visits nobody.
    CFakeMixer late(false, false, true);
    SetCurrentMixer(&late);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(late.Calls(), "");
    SetCurrentMixer(nullptr);
    // The lock outlives the engine.
    { CEngineLockGuard hold(EngineLock()); }
    EXPECT_EQ(g_notified, "");
    SetSoundEngineNotifyHook(nullptr);
}

TEST(EngineStartup, ThreadFailureIsReportedNotShown) {
    g_notified.clear();
    SetSoundEngineNotifyHook(Notify);
    SetServiceThreadCreationFailsForTest(true);
    EXPECT_EQ(SoundEngineStartup(&g_instance), 0);
    SetServiceThreadCreationFailsForTest(false);
    EXPECT_EQ(g_notified, "Sound Engine: Cannot Create necessary thread!");
    EXPECT_EQ(SoundEngineStarted(), 0);
    SoundEngineShutdown();
    EXPECT_EQ(GetSoundRegistry(), nullptr);
    // After the failure a start-up works.
    ASSERT_EQ(SoundEngineStartup(&g_instance), 1);
    SoundEngineShutdown();
    SetSoundEngineNotifyHook(nullptr);
}

TEST(ToneCoreStrings, TextsComeFromTheEnginesFile) {
    char text[64];
    ASSERT_EQ(ToneCoreLoadString("FS_STEREO", text, sizeof text), 1);
    EXPECT_STREQ(text, "Stereo");
    ASSERT_EQ(ToneCoreLoadString("IDS_SOUND_ENGINE_CAPTION", text, 7), 1);
    EXPECT_STREQ(text, "Sound ");
    EXPECT_EQ(ToneCoreLoadString(nullptr, text, sizeof text), 0);
}

namespace {

// Shuts the engine down from inside the service thread's own pass.
class CStoppingMixer : public IEngineMixer {
public:
    int Play(CAudioAtom*, std::int32_t, int) override { return 0; }
    void Idle() override {}
    int Playing() override { return 1; }
    int Recording() override { return 0; }
    int ContinueRecording() override { return 0; }
    int Mix() override {
        if (!stopped) {
            SetCurrentMixer(nullptr);
            SoundEngineShutdown();
            stopped = true;
        }
        return 0;
    }
    int IsOpen() override { return 1; }
    void Close() override {}
    std::atomic<bool> stopped{false};
};

}  // namespace

TEST(EngineStartup, ShutDownFromInsideAPassDoesNotWaitForItself) {
    ASSERT_EQ(SoundEngineStartup(&g_instance), 1);
    CStoppingMixer stopping;
    SetCurrentMixer(&stopping);
    const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
    while (!stopping.stopped && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(stopping.stopped);
    EXPECT_EQ(SoundEngineStarted(), 0);
    // A new start runs one fresh thread; the old one has ended.
    ASSERT_EQ(SoundEngineStartup(&g_instance), 1);
    CFakeMixer mixer(false, false, true);
    SetCurrentMixer(&mixer);
    EXPECT_TRUE(mixer.WaitFor("ICII"));
    SetCurrentMixer(nullptr);
    SoundEngineShutdown();
}
