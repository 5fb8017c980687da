#include "tonecore/sound/pcm_sound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <mutex>
#include <thread>

#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/engine/tests/fake_engine_mixer.h"

namespace {

class CSound : public CPCMSound {
public:
    std::int32_t Length(int) override { return 3000; }
};

// Answers Play with a set result and looks at the locks while it is called.
class CPlayMixer : public CAnswerMixer {
public:
    int Play(CAudioAtom* root, std::int32_t offset, int flags) override {
        lastRoot = root;
        lastOffset = offset;
        lastFlags = flags;
        ++calls;
        // Asked from another thread: is the sound's lock free, and is the
        // engine lock held?
        atomLockFree = std::async(std::launch::async, [root] {
                           std::unique_lock<std::recursive_mutex> probe(root->AtomLock(), std::try_to_lock);
                           return probe.owns_lock();
                       }).get();
        engineLockHeld = std::async(std::launch::async, [] {
                             std::unique_lock<std::recursive_mutex> probe(EngineLock(), std::try_to_lock);
                             return !probe.owns_lock();
                         }).get();
        return answer;
    }
    int calls = 0;
    CAudioAtom* lastRoot = nullptr;
    std::int32_t lastOffset = -1;
    int lastFlags = -1;
    bool atomLockFree = false;
    bool engineLockHeld = false;
};

// Makes a mixer current for a test and clears it again.
struct TCurrentMixer {
    TCurrentMixer() { SetCurrentMixer(&mixer); }
    ~TCurrentMixer() { SetCurrentMixer(nullptr); }
    CPlayMixer mixer;
};

TEST(PcmSoundPlay, HandsTheSoundToTheCurrentMixer) {
    TCurrentMixer current;
    CSound sound;
    EXPECT_EQ(sound.Type(), ATOM_KIND_PCM_SOUND);
    for (const int answer : {1, 0}) {
        current.mixer.answer = answer;
        EXPECT_EQ(sound.Play(3000), answer);
    }
    EXPECT_EQ(current.mixer.lastRoot, &sound);
    EXPECT_EQ(current.mixer.lastOffset, 3000);
    EXPECT_EQ(current.mixer.lastFlags, 0);
    // The sound's lock is let go before the engine lock is taken.
    EXPECT_TRUE(current.mixer.atomLockFree);
    EXPECT_TRUE(current.mixer.engineLockHeld);
}

TEST(PcmSoundPlay, RefusesWhatCannotStart) {
    TCurrentMixer current;
    CSound sound;
    EXPECT_EQ(sound.Play(3001), 0);
    sound.SetPlayMode(1, 0);
    EXPECT_EQ(sound.Play(0), 0);
    EXPECT_EQ(current.mixer.calls, 0);

    sound.SetPlayMode(0, 0);
    SetCurrentMixer(nullptr);
    EXPECT_EQ(sound.Play(0), 0);
}

}  // namespace
