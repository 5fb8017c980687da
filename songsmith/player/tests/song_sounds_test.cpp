// The program's sounds played through the mixer on the fake wave device:
// a song sound and its copies tell the song lists when they start and end,
// and log it; a signal sound tells nobody.
#include "songsmith/player/song_sounds.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "filekit/file_obj.h"
#include "filekit/log.h"
#include "platform/wait_clock.h"
#include "platform/wave_out_fake.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/tests/song_files.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_service_thread.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/sound_group.h"

namespace {

using songfakes::Lines;
using songfakes::PlayStatePosts;

const WAVEFORMATEX kCd = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};

// The mixer's wait clock stands still unless a pass sleeps.
std::int64_t g_now = 0;
void FakeSleep(std::uint32_t ms) {
    g_now += ms;
}
std::int64_t FakeNow() {
    return g_now;
}

struct TDropAtom {
    void operator()(CAudioAtom* atom) const { DeleteAtom(&atom); }
};
using TAtomRef = std::unique_ptr<CAudioAtom, TDropAtom>;

class SongSoundTest : public testing::Test {
protected:
    void SetUp() override {
        realClock_ = SetWaitClock({FakeSleep, FakeNow});
        songPath_ = dir_.File("tune.wav");
        testsupport::WriteWholeFile(songPath_, songfiles::WavBytes(44100, 2, 120));
        logPath_ = dir_.File("log.txt");
        LogInit(logPath_.c_str());
        LogOn(1);
    }
    void TearDown() override {
        LogDeinit();
        SetWaitClock(realClock_);
    }

    // A sound of the class loaded from the song file.
    template <class TSound>
    TSound* Load() {
        auto* sound = new TSound;
        auto* file = new CFileObj;
        EXPECT_NE(file->Open(songPath_.c_str(), 0, 0), 0);
        EXPECT_EQ(sound->InitialLoad(file, 2000, 0, 0, 0, 0, 10, nullptr, nullptr), 1);
        DeleteRefObject(&file);
        return sound;
    }

    // Plays the sound from its start to its end as the engine's thread
    // would, one service pass after another, the device playing everything
    // it has been given before each pass.
    void PlayThrough(CAudioAtom* sound) {
        _tInitMixer init;
        init.device = WAVE_MAPPER;
        init.bufferCount = 4;
        init.bufferBytes = 1764;
        init.format = kCd;
        CPCMMixer mixer(&init);
        TAtomRef group(new CSoundGroup);
        sound->Add(group.get(), 0);
        ASSERT_EQ(mixer.Play(group.get(), 0, 0), 1);
        for (int pass = 0; pass < 10000 && (mixer.Playing() || mixer.IsOpen()); ++pass) {
            if (CFakeWaveOutDevice* device = fake_.Device()) device->PlayAll();
            ServiceCurrentMixer();
        }
        EXPECT_FALSE(mixer.Playing());
        sound->Remove();
    }

    std::string Logged() const { return testsupport::ReadWholeFile(logPath_); }

    testsupport::TempDir dir_;
    std::string songPath_;
    std::string logPath_;
    CFakeWaveOutScope fake_;
    TWaitClock realClock_{};
};

TEST_F(SongSoundTest, ASongSoundAndItsCopiesAnnounceStartAndEnd) {
    TAtomRef original(Load<CSongSound>());
    auto* song = static_cast<CSongSound*>(original.get());
    song->serial = 42;
    song->soundId = 7;
    song->song.LoadFromFile(songPath_.c_str());
    TAtomRef whole(song->Copy());
    TAtomRef piece(song->Copy(0, 60));
    ASSERT_TRUE(whole && piece);

    Lines expected = PlayStatePosts(42, 7 + 0x10000);
    for (const std::string& line : PlayStatePosts(42, 7)) expected.push_back(line);
    for (CAudioAtom* sound : {original.get(), whole.get(), piece.get()}) {
        auto* songSound = dynamic_cast<CSongSound*>(sound);
        ASSERT_NE(songSound, nullptr);
        EXPECT_EQ(songSound->serial, 42);
        EXPECT_EQ(songSound->soundId, 7);
        EXPECT_STREQ(songSound->song.musicInfo.title, "tune");
        EXPECT_EQ(songSound->song.serial, song->song.serial);

        songfakes::CSongActionScope scope;
        PlayThrough(sound);
        EXPECT_EQ(scope.poster.Posts(), expected);
        EXPECT_TRUE(scope.partners.calls.empty());
    }
    const std::string logged = Logged();
    EXPECT_NE(logged.find("Starting '" + songPath_ + "'"), std::string::npos) << logged;
    EXPECT_NE(logged.find("Stopping '" + songPath_ + "'"), std::string::npos) << logged;
}

TEST_F(SongSoundTest, ReportFlagsAndSignalSoundsKeepQuiet) {
    TAtomRef quiet(Load<CSongSound>());
    auto* song = static_cast<CSongSound*>(quiet.get());
    song->serial = 5;
    song->soundId = 9;
    song->reportStart = 0;
    {
        songfakes::CSongActionScope scope;
        PlayThrough(quiet.get());
        EXPECT_EQ(scope.poster.Posts(), PlayStatePosts(5, 9));
    }
    TAtomRef signal(Load<CSignalSound>());
    songfakes::CSongActionScope scope;
    PlayThrough(signal.get());
    EXPECT_TRUE(scope.poster.Posts().empty());
}

}  // namespace
