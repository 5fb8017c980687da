// The engine while the program edits what plays: the service thread plays a
// group on the null device while the test's thread copies, edits, saves and
// renders the same tree, as the program's threads do. A lock taken in the
// wrong order hangs (the watchdog then ends the run with the test's name);
// a map, member list or gain changed under the mixer crashes or races under
// the sanitizers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mediacore/tests/watchdog.h"
#include "platform/wave_in_fake.h"
#include "platform/wave_out_null.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_service_thread.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/engine/sound_loaded.h"
#include "tonecore/maps/tests/event_map_support.h"
#include "tonecore/engine/tests/lock_probe.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/sound/tests/recording_support.h"
#include "tonecore/sound/tests/sound_group_support.h"

namespace {

using grouptest::ConstantSound;
using grouptest::TAtomRef;

const WAVEFORMATEX kCd = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
// How long each test keeps at its edit while the service thread plays.
constexpr auto kEditTime = std::chrono::milliseconds(1000);
// A lock that is never let go of ends the run after this long.
constexpr auto kHangLimit = std::chrono::seconds(60);

_tInitMixer MixerInit() {
    _tInitMixer init;
    init.device = WAVE_MAPPER;
    init.bufferCount = 4;
    init.bufferBytes = 1764;
    init.format = kCd;
    return init;
}

std::string CurrentTestName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

// Calls step over and over for about kEditTime; the number of calls.
int ForAWhile(const std::function<void()>& step) {
    const auto end = std::chrono::steady_clock::now() + kEditTime;
    int rounds = 0;
    for (; std::chrono::steady_clock::now() < end && !testing::Test::HasFatalFailure(); ++rounds) step();
    return rounds;
}

// A sound at its place in a group; the group holds it.
CPCMSound* AddSound(CSoundGroup& group, std::int32_t offset, std::uint32_t ms, int value) {
    TAtomRef<CPCMSound> sound = ConstantSound(kCd, ms, value);
    EXPECT_TRUE(sound);
    if (!sound) return nullptr;
    sound->Add(&group, offset);
    return sound.get();
}

// A root of two sounds and a nested group of two more:
//   sound 0..1500, sound 400..1400, group at 1000 { sound 0..800,
//   sound 300..1300 }. inner receives the nested group.
TAtomRef<CSoundGroup> Tree(CSoundGroup** inner) {
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    AddSound(*root, 0, 1500, 1000);
    AddSound(*root, 400, 1000, 2000);
    auto* nested = new CSoundGroup;
    nested->Add(root.get(), 1000);
    nested->DecReference();
    AddSound(*nested, 0, 800, 3000);
    AddSound(*nested, 300, 1000, 4000);
    *inner = nested;
    return root;
}

// Moves the nested group's first member so far that the group shifts its
// members and moves itself in its parent, and back again.
void ShiftNestedGroup(CSoundGroup& inner) {
    CAudioAtom* first = inner.GetAtom(0, nullptr);
    ASSERT_NE(first, nullptr);
    first->Move(500);
    first->Move(-300);
}

// The service thread drives a sound-card mixer on the null device for the
// whole test.
class EngineEditThreadsTest : public testing::Test {
protected:
    void SetUp() override {
        previous_ = SetWaveOutBackend(&null_);
        const _tInitMixer init = MixerInit();
        mixer_ = std::make_unique<CPCMMixer>(&init);
        ASSERT_TRUE(StartServiceThread());
    }
    void TearDown() override {
        StopServiceThread();
        mixer_.reset();
        SetWaveOutBackend(previous_);
    }

    // Repeats edit for about kEditTime while the service thread plays root,
    // starting it again whenever its playback has run out.
    void WhilePlaying(CSoundGroup& root, const std::function<void()>& edit) {
        mediatest::CWatchdog watch(kHangLimit, CurrentTestName());
        const int rounds = ForAWhile([&] {
            if (!root.Playing()) root.Play(0);
            edit();
        });
        EXPECT_GT(rounds, 0);
        root.Stop();
    }

    CNullWaveOutBackend null_;
    IWaveOutBackend* previous_ = nullptr;
    std::unique_ptr<CPCMMixer> mixer_;
    CSoundGroup* inner_ = nullptr;
};

TEST_F(EngineEditThreadsTest, CopiesOfAPlayingGroupNeitherFreezeNorLoseMembers) {
    TAtomRef<CSoundGroup> root = Tree(&inner_);
    const int members = root->NumAtoms(CSoundGroup::kAllMemberKinds, 1);
    const std::int32_t length = root->Length(0);
    WhilePlaying(*root, [&] {
        TAtomRef<CAudioAtom> whole(root->Copy());
        ASSERT_TRUE(whole);
        EXPECT_EQ(static_cast<CSoundGroup&>(*whole).NumAtoms(CSoundGroup::kAllMemberKinds, 1), members);
        EXPECT_EQ(whole->Length(0), length);
        TAtomRef<CAudioAtom> part(root->Copy(200, 1200));
        ASSERT_TRUE(part);
        EXPECT_EQ(part->Length(0), 1000);
    });
}

// Each edit is made and undone over and over; the tree ends as it began.
TEST_F(EngineEditThreadsTest, EditsOfAPlayingTreeKeepTheMixerOnSoundMaps) {
    struct TCase {
        const char* name;
        std::function<void(CSoundGroup& root, CSoundGroup& inner, CAudioAtom& member)> edit;
    };
    const TCase cases[] = {
        {"add and remove",
         [](CSoundGroup& root, CSoundGroup&, CAudioAtom&) {
             CPCMSound* extra = AddSound(root, 700, 300, 5000);
             if (extra != nullptr) extra->Remove();
         }},
        {"move a member",
         [](CSoundGroup&, CSoundGroup&, CAudioAtom& member) {
             member.Move(900);
             member.Move(400);
         }},
        {"shift the nested group", [](CSoundGroup&, CSoundGroup& inner, CAudioAtom&) { ShiftNestedGroup(inner); }},
        {"scale",
         [](CSoundGroup& root, CSoundGroup&, CAudioAtom&) {
             root.Scale(2.0);
             root.Scale(0.5);
         }},
        // The mixer reads a sound's gains and rate as it mixes it.
        {"pan, volume and rate of a member",
         [](CSoundGroup&, CSoundGroup&, CAudioAtom& member) {
             auto& sound = dynamic_cast<CPCMSound&>(member);
             sound.Pan(-0.5);
             sound.Volume(0.25);
             sound.Rate(1.5);
             sound.Pan(0.0);
             sound.Volume(1.0);
             sound.Rate(1.0);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TAtomRef<CSoundGroup> root = Tree(&inner_);
        const int members = root->NumAtoms(CSoundGroup::kAllMemberKinds, 1);
        const std::int32_t length = root->Length(0);
        CAudioAtom* member = root->GetAtom(1, nullptr);
        ASSERT_NE(member, nullptr);
        WhilePlaying(*root, [&] { c.edit(*root, *inner_, *member); });
        EXPECT_EQ(root->NumAtoms(CSoundGroup::kAllMemberKinds, 1), members);
        EXPECT_EQ(root->Length(0), length);
    }
}

// The saved file holds the tree as it was, while the service thread asks
// the group its length throughout.
TEST_F(EngineEditThreadsTest, SavingAPlayingGroupWritesItWhole) {
    TAtomRef<CSoundGroup> root = Tree(&inner_);
    std::string saved;
    WhilePlaying(*root, [&] {
        saved = map_support::WriteRiff([&](CRIFF& riff) { EXPECT_EQ(root->Save(&riff, 0), 1); });
    });
    map_support::ReadRiff(saved, [&](CRIFF& riff) {
        TAtomRef<CSoundGroup> loaded(new CSoundGroup);
        ASSERT_EQ(loaded->Load(&riff, 0, 0, 0, 0, nullptr, nullptr), 1);
        EXPECT_EQ(loaded->NumAtoms(CSoundGroup::kAllMemberKinds, 1), root->NumAtoms(CSoundGroup::kAllMemberKinds, 1));
        EXPECT_EQ(loaded->Length(0), root->Length(0));
    });
}

// A member that saves itself slowly: while it saves, another thread must be
// able to take the group's lock (the service thread needs it for the
// group's length at every pass).
class CSlowSavingAtom : public grouptest::CLengthAtom {
public:
    explicit CSlowSavingAtom(CSoundGroup& group) : CLengthAtom(500), group_(group) {}
    int Save(CRIFF* riff, int flag) override {
        groupFree.push_back(lockprobe::FreeOnAnotherThread(group_.AtomLock()));
        return CLengthAtom::Save(riff, flag);
    }
    std::vector<bool> groupFree;

private:
    CSoundGroup& group_;
};

TEST(GroupSaveLock, MembersSaveWithoutTheGroupsLockHeld) {
    TAtomRef<CSoundGroup> group(new CSoundGroup);
    TAtomRef<CSlowSavingAtom> first(new CSlowSavingAtom(*group));
    TAtomRef<CSlowSavingAtom> second(new CSlowSavingAtom(*group));
    first->Add(group.get(), 0);
    second->Add(group.get(), 700);
    map_support::WriteRiff([&](CRIFF& riff) { EXPECT_EQ(group->Save(&riff, 1), 1); });
    EXPECT_EQ(first->groupFree, std::vector<bool>{true});
    EXPECT_EQ(second->groupFree, std::vector<bool>{true});
}

// A sound loaded from a tree file calls the caller back while it scans its
// data; the sound's lock is free meanwhile.
TEST(SoundLoadLock, ProgressIsReportedWithoutTheSoundsLockHeld) {
    TAtomRef<CPCMSound> source = ConstantSound(kCd, 200, 1234);
    ASSERT_TRUE(source);
    const std::string file = map_support::WriteRiff([&](CRIFF& riff) { EXPECT_EQ(source->Save(&riff, 0), 1); });
    struct TProbe {
        CPCMSound sound;
        std::vector<bool> lockFree;
        static int Callback(std::uint32_t, void* context) {
            auto* probe = static_cast<TProbe*>(context);
            probe->lockFree.push_back(lockprobe::FreeOnAnotherThread(probe->sound.AtomLock()));
            return 1;
        }
    };
    TProbe probe;
    map_support::ReadRiff(file, [&](CRIFF& riff) {
        EXPECT_EQ(probe.sound.Load(&riff, 0, 0, 0, 0, &TProbe::Callback, &probe), 1);
    });
    ASSERT_FALSE(probe.lockFree.empty());
    EXPECT_EQ(probe.lockFree, std::vector<bool>(probe.lockFree.size(), true));
    EXPECT_EQ(probe.sound.Length(0), source->Length(0));
}

// Rendering takes a group's lock and then its members'; an edit inside a
// nested group that moves the group in its parent must take them in that
// order too.
TEST(RenderThreads, RenderingWhileANestedGroupIsEditedNeitherFreezesNorCrashes) {
    CSoundGroup* inner = nullptr;
    TAtomRef<CSoundGroup> root = Tree(&inner);
    mediatest::CWatchdog watch(kHangLimit, CurrentTestName());
    std::atomic<bool> editing{true};
    std::atomic<int> renders{0};
    std::thread renderer([&] {
        CPCMMixer mixer(nullptr);
        const auto sink = [](char*, std::int32_t&, void*) -> TDataWriteCode { return 0; };
        while (editing) {
            EXPECT_EQ(mixer.MixToDataSink(root.get(), sink, nullptr, &kCd, root->Length(0), -1), 1);
            ++renders;
        }
    });
    const int rounds = ForAWhile([&] {
        ShiftNestedGroup(*inner);
        CPCMSound* extra = AddSound(*inner, 200, 100, 6000);
        if (extra != nullptr) extra->Remove();
    });
    editing = false;
    renderer.join();
    EXPECT_GT(rounds, 0);
    EXPECT_GT(renders.load(), 0);
}

// Sounds made and let go of on two threads, while the service thread lets
// go of the played ones: the registry of loaded sounds stays whole.
TEST_F(EngineEditThreadsTest, SoundsMadeAndDestroyedOnSeveralThreadsKeepTheRegistryWhole) {
    CSoundLoaded registry;
    SetSoundRegistry(&registry);
    mediatest::CWatchdog watch(kHangLimit, CurrentTestName());
    std::atomic<bool> making{true};
    std::thread maker([&] {
        while (making) {
            TAtomRef<CPCMSound> sound(new CPCMSound);
            delete GetDuplicateList(sound.get());
        }
    });
    ForAWhile([&] {
        // The mixer holds the last reference of a sound that plays: the
        // service thread destroys it when it has played.
        TAtomRef<CPCMSound> sound = ConstantSound(kCd, 5, 100);
        ASSERT_TRUE(sound);
        sound->Play(0);
    });
    making = false;
    maker.join();
    // Played sounds still in the mixer are let go of with it.
    StopServiceThread();
    mixer_.reset();
    EXPECT_EQ(registry.Count(), 0);
    SetSoundRegistry(nullptr);
}

// A sound that records on a mixer which is no longer the current one ends
// its recording on that mixer when it is destroyed, so the mixer never
// writes into it afterwards.
TEST_F(EngineEditThreadsTest, ARecordingEndsOnItsOwnMixerAfterANewerMixerIsMade) {
    CFakeWaveInScope input;
    WAVEFORMATEX format = pcmtest::Pcm(22050, 2, 16);
    const _tInitMixer init = MixerInit();
    auto older = std::make_unique<CPCMMixer>(&init);
    auto* sound = new CPCMSound;
    char memory[] = "";
    ASSERT_EQ(sound->Record(RECORD_START, &format, memory, 0, 10), 1);
    ASSERT_NE(input.Device(), nullptr);
    auto newer = std::make_unique<CPCMMixer>(&init);
    // Filled buffers wait for the older mixer's next pass, which the
    // service thread, now serving the newer mixer, never makes.
    {
        CEngineLockGuard engine(EngineLock());
        input.Device()->Capture(rectest::Pattern(4000));
    }
    EXPECT_EQ(older->GetRecordingSound(), sound);
    CAudioAtom* gone = sound;
    DeleteAtom(&gone);
    EXPECT_EQ(older->Recording(), 0);
    EXPECT_EQ(older->GetRecordingSound(), nullptr);
    older.reset();
    newer.reset();
}

// Recording through the service thread: it hands filled buffers to the
// sound while the sound ends the recording on the test's thread; the sound
// holds what was captured, in order, however the two met.
TEST_F(EngineEditThreadsTest, TheServiceThreadRecordsIntoASound) {
    CFakeWaveInScope input;
    WAVEFORMATEX format = pcmtest::Pcm(22050, 2, 16);
    // Less than the mixer's four buffers hold, so nothing is lost before a
    // pass takes it.
    const std::vector<std::uint8_t> captured = rectest::Pattern(6000);
    mediatest::CWatchdog watch(kHangLimit, CurrentTestName());
    ForAWhile([&] {
        TAtomRef<CPCMSound> sound(new CPCMSound);
        char memory[] = "";
        ASSERT_EQ(sound->Record(RECORD_START, &format, memory, 0, 10), 1);
        {
            CEngineLockGuard engine(EngineLock());
            input.Device()->Capture(captured);
        }
        ASSERT_EQ(sound->Record(RECORD_END, nullptr, nullptr, 0, 0), 1);
        EXPECT_EQ(rectest::SoundData(*sound), captured);
    });
}

}  // namespace
