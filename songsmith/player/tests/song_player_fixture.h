#pragma once
// The song player under test: one fake wait clock that the mixer, the
// player and a null device all read, a scratch log, the preferences and an
// empty session, small mixer buffers (4 x 100 ms, so the latency is 400 ms),
// and service passes that the test drives: move the clock, let the device
// play that much, and run the engine's pass over the current mixer. The
// windows are fakes that write down what they are posted.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/user_folders.h"
#include "platform/wait_clock.h"
#include "platform/wave_out_fake.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/tests/song_files.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_service_thread.h"
#include "tonecore/mix/pcm_mixer.h"
#include "utilities/keyed_text.h"

namespace playertest {

// CD quality: 176.4 bytes per ms.
inline constexpr std::uint32_t kCdBytesPerSecond = 176400;
inline constexpr std::int32_t kBufferMs = 100;
inline constexpr std::int32_t kBuffers = 4;
inline constexpr std::int32_t kLatencyMs = kBuffers * kBufferMs;

inline std::int64_t g_now = 0;
inline void FakeSleep(std::uint32_t ms) {
    g_now += ms;
}
inline std::int64_t FakeNow() {
    return g_now;
}

// The 16-bit left sample of the frame at ms into what the device was
// given (CD quality).
inline int SampleAtMs(const std::vector<std::uint8_t>& pcm, std::int64_t ms) {
    const std::size_t at = static_cast<std::size_t>(ms * kCdBytesPerSecond / 1000) & ~std::size_t{3};
    if (at + 2 > pcm.size()) return -99999;
    std::int16_t value = 0;
    std::memcpy(&value, &pcm[at], 2);
    return value;
}

class SongPlayerTest : public testing::Test {
protected:
    SongPlayerTest() {
        g_now = 100000;
        realClock_ = SetWaitClock({FakeSleep, FakeNow});
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        logPath_ = dir_.File("log.txt");
        LogInit(logPath_.c_str());
        LogOn(1);
        prefs_.MixerNumBuffers = kBuffers;
        prefs_.MixerBufferSize = static_cast<int>(kCdBytesPerSecond * kBufferMs / 1000);
    }
    ~SongPlayerTest() override {
        player_.reset();
        LogDeinit();
        SetWaitClock(realClock_);
    }

    // A WAV song of ms at a steady level, written once under name.
    std::string Song(const char* name, std::uint32_t ms, int level, std::uint32_t rate = 44100,
                     std::uint16_t channels = 2) {
        const std::string path = dir_.File(name);
        testsupport::WriteWholeFile(path, songfiles::WavBytes(rate, channels, ms, level));
        return path;
    }

    CSongPlayer& MakePlayer() {
        player_ = std::make_unique<CSongPlayer>(prefs_, tracks_);
        return *player_;
    }

    // The clock moves on by ms, the fake device (when one is open) plays as
    // much, and the engine's service pass runs.
    // What the device was given is kept as it closes.
    void Pass(std::int32_t ms = 0) {
        g_now += ms;
        if (CFakeWaveOutDevice* device = fake_.Device()) {
            device->PlayBytes(static_cast<std::uint64_t>(ms) * kCdBytesPerSecond / 1000);
            heard_ = device->Written();
        }
        ServiceCurrentMixer();
    }

    // What the player panel was posted, as "number wParam lParam".
    std::vector<std::string> PanelPosts() {
        std::vector<std::string> posts;
        for (const std::string& post : windows_.poster.Posts()) {
            if (post.rfind("player ", 0) == 0) posts.push_back(post.substr(7));
        }
        return posts;
    }

    // Everything the device opened last was given (also once closed).
    std::vector<std::uint8_t> DevicePcm() {
        CFakeWaveOutDevice* device = fake_.Device();
        return device != nullptr ? device->Written() : heard_;
    }

    // True when the log holds each of lines, in this order.
    bool LoggedInOrder(const std::vector<std::string>& lines) {
        const std::string log = testsupport::ReadWholeFile(logPath_);
        std::size_t from = 0;
        for (const std::string& line : lines) {
            from = log.find(line, from);
            if (from == std::string::npos) {
                ADD_FAILURE() << "not logged (in order): " << line << "\n" << log;
                return false;
            }
            from += line.size();
        }
        return true;
    }
    std::string Logged() { return testsupport::ReadWholeFile(logPath_); }

    testsupport::TempDir dir_;
    std::string logPath_;
    TWaitClock realClock_{};
    CFakeWaveOutScope fake_;
    songfakes::CSongActionScope windows_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    std::unique_ptr<CSongPlayer> player_;
    std::vector<std::uint8_t> heard_;
};

}  // namespace playertest
