// Mixer playback through the fake wave device: what the device is given,
// stopping, pausing, positions and the device's open count.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <thread>
#include <utility>
#include <vector>

#include "platform/wait_clock.h"
#include "platform/wave_out_alsa.h"
#include "platform/wave_out_fake.h"
#include "platform/wave_out_null.h"
#include "testsupport/hang_limit.h"
#include "tonecore/engine/engine_service_thread.h"
#include "tonecore/engine/wave_out_choice.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/tests/sound_group_support.h"

namespace {

using grouptest::ConstantSound;
using grouptest::TAtomRef;

// CD-quality stereo: 176.4 bytes per ms.
const WAVEFORMATEX kCd = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
// Four buffers of 10 ms each.
constexpr std::int32_t kBuffers = 4;
constexpr std::uint32_t kBufferBytes = 1764;

std::int64_t g_now = 0;
void FakeSleep(std::uint32_t ms) { g_now += ms; }
std::int64_t FakeNow() { return g_now; }

_tInitMixer Init(const WAVEFORMATEX& format = kCd) {
    _tInitMixer init;
    init.device = WAVE_MAPPER;
    init.bufferCount = kBuffers;
    init.bufferBytes = kBufferBytes;
    init.format = format;
    return init;
}

// A group holding each sound at its offset (ms); the sounds must have
// loaded.
TAtomRef<CSoundGroup> GroupOf(std::initializer_list<std::pair<CAudioAtom*, std::int32_t>> members) {
    TAtomRef<CSoundGroup> group(new CSoundGroup);
    for (const auto& [member, offset] : members) {
        EXPECT_NE(member, nullptr);
        if (member != nullptr) member->Add(group.get(), offset);
    }
    return group;
}

std::vector<std::uint8_t> Render(CSoundGroup* group, std::int32_t lengthMs) {
    std::vector<std::uint8_t> out;
    CPCMMixer renderer(nullptr);
    const auto sink = [](char* data, std::int32_t& bytes, void* user) -> TDataWriteCode {
        auto* into = static_cast<std::vector<std::uint8_t>*>(user);
        into->insert(into->end(), data, data + bytes);
        return 0;
    };
    EXPECT_EQ(renderer.MixToDataSink(group, sink, &out, &kCd, lengthMs, -1), 1);
    return out;
}

bool AllSilent(const std::vector<std::uint8_t>& bytes, std::size_t from) {
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(from, bytes.size())), bytes.end(),
                       [](std::uint8_t b) { return b == 0; });
}

class MixerPlaybackTest : public testing::Test {
protected:
    void SetUp() override {
        g_now = 1000;
        realClock_ = SetWaitClock({FakeSleep, FakeNow});
    }
    void TearDown() override { SetWaitClock(realClock_); }

    CFakeWaveOutDevice* Device() { return fake_.Device(); }

    // One service pass as the engine's thread makes it, after the device
    // has played bytes of what it was given (everything when negative).
    void Pass(CPCMMixer& mixer, std::int64_t bytes = -1) {
        if (CFakeWaveOutDevice* device = Device()) {
            if (bytes < 0) {
                device->PlayAll();
            } else {
                device->PlayBytes(static_cast<std::uint64_t>(bytes));
            }
        }
        mixer.Idle();
        if (mixer.Playing()) {
            mixer.Mix();
        } else if (mixer.IsOpen()) {
            mixer.Close();
        }
    }

    // Passes until playback has ended and the device is closed; the bytes
    // the device was given.
    std::vector<std::uint8_t> PlayToTheEnd(CPCMMixer& mixer) {
        std::vector<std::uint8_t> written;
        for (int pass = 0; pass < 10000 && (mixer.Playing() || mixer.IsOpen()); ++pass) {
            if (Device() != nullptr) written = Device()->Written();
            Pass(mixer);
        }
        EXPECT_FALSE(mixer.Playing());
        EXPECT_FALSE(mixer.IsOpen());
        return written;
    }

    CFakeWaveOutScope fake_;
    TWaitClock realClock_{};
};

// Three sounds of different levels: one alone, two overlapping, one after
// a gap of silence. Playback gives the device exactly what rendering the
// same group gives, from the start or from a point inside it, also when the
// buffer size asked for is not whole frames (the clock must then follow
// what a buffer really holds, or later sounds start early).
TEST_F(MixerPlaybackTest, PlaybackGivesTheDeviceTheRenderedPcmInOrder) {
    TAtomRef<CPCMSound> a = ConstantSound(kCd, 300, 1000);
    TAtomRef<CPCMSound> b = ConstantSound(kCd, 300, 2000);
    TAtomRef<CPCMSound> c = ConstantSound(kCd, 100, -3000);
    ASSERT_TRUE(a && b && c);
    TAtomRef<CSoundGroup> group = GroupOf({{a.get(), 0}, {b.get(), 200}, {c.get(), 700}});
    ASSERT_EQ(group->Length(0), 800);
    const std::vector<std::uint8_t> rendered = Render(group.get(), 800);
    ASSERT_EQ(rendered.size(), 800u * 176400 / 1000);

    for (const auto& [bufferBytes, startMs] :
         {std::pair{kBufferBytes, 0}, std::pair{kBufferBytes, 250}, std::pair{kBufferBytes + 2, 0},
          std::pair{kBufferBytes + 3, 250}}) {
        SCOPED_TRACE(testing::Message() << bufferBytes << " bytes from " << startMs << " ms");
        _tInitMixer init = Init();
        init.bufferBytes = bufferBytes;
        CPCMMixer mixer(&init);
        ASSERT_EQ(mixer.Play(group.get(), startMs, 0), 1);
        const std::vector<std::uint8_t> written = PlayToTheEnd(mixer);
        const std::size_t skip = static_cast<std::size_t>(startMs) * 176400 / 1000;
        const std::size_t expected = rendered.size() - skip;
        ASSERT_GE(written.size(), expected);
        EXPECT_TRUE(std::equal(rendered.begin() + static_cast<std::ptrdiff_t>(skip), rendered.end(), written.begin()));
        // After the end only silence, at most what the buffers hold.
        EXPECT_TRUE(AllSilent(written, expected));
        EXPECT_LE(written.size(), expected + 2 * kBuffers * kBufferBytes);
        // Every sound heard its notices and got its reference back.
        for (CAudioAtom* atom : {static_cast<CAudioAtom*>(group.get()), static_cast<CAudioAtom*>(a.get()),
                                 static_cast<CAudioAtom*>(b.get()), static_cast<CAudioAtom*>(c.get())}) {
            EXPECT_FALSE(atom->Playing());
        }
        EXPECT_EQ(a->References(), 2);  // the test's and the group's
        EXPECT_EQ(group->References(), 1);
        EXPECT_EQ(mixer.MixingCount(), 0);
        EXPECT_EQ(mixer.Root(), nullptr);
    }
}

// An 8-bit device: silence is 0x80, and a sound placed after a gap is
// heard from its place on, in the device's format.
TEST_F(MixerPlaybackTest, AnEightBitDeviceHearsItsOwnSilenceAroundASound) {
    const WAVEFORMATEX narrow = {WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
    TAtomRef<CPCMSound> sound = ConstantSound(narrow, 100, 0x4000);  // bytes of 0xC0
    ASSERT_TRUE(sound);
    TAtomRef<CPCMSound> quiet = ConstantSound(narrow, 300, 0);  // holds the group open at 0
    ASSERT_TRUE(quiet);
    TAtomRef<CSoundGroup> group = GroupOf({{quiet.get(), 0}, {sound.get(), 100}});
    _tInitMixer init = Init(narrow);
    init.bufferBytes = 441;  // 20 ms
    CPCMMixer mixer(&init);
    ASSERT_EQ(mixer.Play(group.get(), 0, 0), 1);
    const std::vector<std::uint8_t> written = PlayToTheEnd(mixer);
    ASSERT_GE(written.size(), 300u * 22050 / 1000);
    const auto byteAt = [&written](std::int32_t ms) { return written[static_cast<std::size_t>(ms) * 22050 / 1000]; };
    for (const std::int32_t ms : {0, 50, 95, 205, 250, 299}) EXPECT_EQ(byteAt(ms), 0x80) << ms;
    for (const std::int32_t ms : {101, 150, 199}) EXPECT_EQ(byteAt(ms), 0xC0) << ms;
}

// A group inside the root group starts its members in the same window as
// itself, so none of their beginning is lost.
TEST_F(MixerPlaybackTest, NestedGroupsPlayFromTheirFirstSample) {
    TAtomRef<CPCMSound> lead = ConstantSound(kCd, 100, 500);
    TAtomRef<CPCMSound> nested = ConstantSound(kCd, 200, 1500);
    ASSERT_TRUE(lead && nested);
    TAtomRef<CSoundGroup> inner = GroupOf({{nested.get(), 0}});
    TAtomRef<CSoundGroup> root = GroupOf({{lead.get(), 0}, {inner.get(), 60}});
    const std::vector<std::uint8_t> rendered = Render(root.get(), root->Length(0));

    CPCMMixer mixer(nullptr);
    ASSERT_EQ(mixer.Play(root.get(), 0, 0), 0) << "no format: the device cannot open";
    const _tInitMixer init = Init();
    ASSERT_TRUE(mixer.InitPlayback(&init));
    ASSERT_EQ(mixer.Play(root.get(), 0, 0), 1);
    const std::vector<std::uint8_t> written = PlayToTheEnd(mixer);
    ASSERT_GE(written.size(), rendered.size());
    EXPECT_TRUE(std::equal(rendered.begin(), rendered.end(), written.begin()));
    EXPECT_EQ(nested->References(), 2);
}

// Stopping by the mixer or by the object: nothing more reaches the device,
// what it held is dropped, and the objects hear their off notices at once.
TEST_F(MixerPlaybackTest, StopActsWithinOneBuffer) {
    enum class TStopBy { Mixer, Object, Sound };
    for (const TStopBy by : {TStopBy::Mixer, TStopBy::Object, TStopBy::Sound}) {
        SCOPED_TRACE(static_cast<int>(by));
        TAtomRef<CPCMSound> song = ConstantSound(kCd, 2000, 1234);
        ASSERT_TRUE(song);
        TAtomRef<CSoundGroup> group = GroupOf({{song.get(), 0}});
        const _tInitMixer init = Init();
        CPCMMixer mixer(&init);
        ASSERT_EQ(mixer.Play(group.get(), 0, 0), 1);
        for (int i = 0; i < 5; ++i) Pass(mixer, kBufferBytes);
        ASSERT_TRUE(song->Playing());
        ASSERT_EQ(Device()->HeadersQueued(), static_cast<std::size_t>(kBuffers));
        const std::size_t before = Device()->Written().size();

        switch (by) {
        case TStopBy::Mixer:
            mixer.Stop();
            break;
        case TStopBy::Object:
            group->Stop();  // asks for a stop at the next pass
            Pass(mixer, 0);
            break;
        case TStopBy::Sound:
            // Seen when the next buffer is mixed.
            song->SetMixerFlag(ATOM_MIXER_STOP);
            Pass(mixer, kBufferBytes);
            break;
        }
        const std::vector<std::uint8_t> written = Device() != nullptr ? Device()->Written() : std::vector<std::uint8_t>();
        EXPECT_FALSE(song->Playing());
        EXPECT_EQ(song->References(), 2);
        if (by == TStopBy::Sound) {
            // The root plays on with nothing in it until its length; the
            // sound adds nothing more.
            EXPECT_TRUE(group->Playing());
            mixer.Stop();
        }
        EXPECT_FALSE(group->Playing());
        EXPECT_EQ(group->References(), 1);
        EXPECT_FALSE(mixer.Playing());
        Pass(mixer);
        EXPECT_FALSE(mixer.IsOpen());
        EXPECT_EQ(Device(), nullptr);
        // At most one buffer more went out, and it holds none of the song.
        if (!written.empty()) {
            EXPECT_LE(written.size(), before + kBufferBytes);
            EXPECT_TRUE(AllSilent(written, before));
        }
    }
}

// The left sample heard ms into playback.
int SampleAt(const std::vector<std::uint8_t>& pcm, std::int32_t ms) {
    const std::size_t at = static_cast<std::size_t>(ms) * 44100 / 1000 * 4;
    if (at + 1 >= pcm.size()) return 99999;
    return static_cast<std::int16_t>(pcm[at] | (pcm[at + 1] << 8));
}

// A sound moved while it plays stops at once and starts again when the
// window reaches its new place; what was mixed before stays as it was. (The
// move also recombines its maps, which marks a playing sound's rate as
// changed: that mark must not make it start early.)
TEST_F(MixerPlaybackTest, AMovedSoundRestartsAtItsNewPlace) {
    TAtomRef<CPCMSound> bed = ConstantSound(kCd, 1000, 100);
    TAtomRef<CPCMSound> moved = ConstantSound(kCd, 1000, 1000);
    ASSERT_TRUE(bed && moved);
    TAtomRef<CSoundGroup> group = GroupOf({{bed.get(), 0}, {moved.get(), 0}});
    const _tInitMixer init = Init();
    CPCMMixer mixer(&init);
    ASSERT_EQ(mixer.Play(group.get(), 0, 0), 1);
    for (int i = 0; i < 3; ++i) Pass(mixer);
    ASSERT_DOUBLE_EQ(mixer.TimeWindow(), 120.0);
    moved->Move(300);
    Pass(mixer);
    EXPECT_FALSE(moved->Playing());
    for (int i = 0; i < 10; ++i) Pass(mixer);
    EXPECT_TRUE(moved->Playing());
    const std::vector<std::uint8_t> written = Device()->Written();
    struct TProbe {
        std::int32_t ms;
        int sample;
    } const probes[] = {{0, 1100}, {110, 1100}, {120, 100}, {290, 100}, {300, 1100}, {450, 1100}};
    for (const TProbe& probe : probes) EXPECT_EQ(SampleAt(written, probe.ms), probe.sample) << probe.ms;
    mixer.Stop();
}

// A sound added to a playing group that makes it longer recombines the
// maps of the sounds that play, which the mixer then reads afresh: they resume where the buffer
// being mixed begins, every frame heard once, none skipped.
TEST_F(MixerPlaybackTest, SoundsThatPlayResumeInPlaceWhenTheGroupChanges) {
    constexpr std::uint32_t kFrames = 44100 * 6 / 10;
    std::string counting;
    for (std::uint32_t frame = 0; frame < kFrames; ++frame) {
        songtest::PutLe(counting, frame % 20000, 2);
        songtest::PutLe(counting, frame % 20000, 2);
    }
    TAtomRef<CPCMSound> playing = grouptest::LoadedSound(kCd, counting);
    TAtomRef<CPCMSound> added = ConstantSound(kCd, 400, 0);
    ASSERT_TRUE(playing && added);
    TAtomRef<CSoundGroup> group = GroupOf({{playing.get(), 0}});
    const _tInitMixer init = Init();
    CPCMMixer mixer(&init);
    ASSERT_EQ(mixer.Play(group.get(), 0, 0), 1);
    for (int i = 0; i < 3; ++i) Pass(mixer);
    added->Add(group.get(), 400);
    std::vector<std::uint8_t> written;
    for (int i = 0; i < 40 && Device() != nullptr && written.size() < kFrames * 4u; ++i) {
        written = Device()->Written();
        Pass(mixer);
    }
    ASSERT_GE(written.size(), kFrames * 4u);
    for (std::uint32_t frame = 0; frame < kFrames; ++frame) {
        const int sample = written[frame * 4] | (written[frame * 4 + 1] << 8);
        ASSERT_EQ(sample, static_cast<int>(frame % 20000)) << "frame " << frame;
    }
    mixer.Stop();
    added->Remove();
}

// A stop that comes before the first pass finds the root still waiting for
// its play-mode notice: it is let go all the same, and the next root's
// playback does not announce the old one.
TEST_F(MixerPlaybackTest, AStopBeforeTheFirstPassLetsTheRootGo) {
    TAtomRef<CPCMSound> a = ConstantSound(kCd, 200, 10);
    TAtomRef<CPCMSound> b = ConstantSound(kCd, 200, 20);
    ASSERT_TRUE(a && b);
    TAtomRef<CSoundGroup> first = GroupOf({{a.get(), 0}});
    TAtomRef<CSoundGroup> second = GroupOf({{b.get(), 0}});
    const _tInitMixer init = Init();
    CPCMMixer mixer(&init);
    ASSERT_EQ(mixer.Play(first.get(), 0, 0), 1);
    mixer.Stop();
    EXPECT_EQ(first->References(), 1);
    EXPECT_EQ(mixer.Root(), nullptr);
    ASSERT_EQ(mixer.Play(second.get(), 0, 0), 1);
    Pass(mixer);
    EXPECT_TRUE(second->Playing());
    EXPECT_FALSE(first->Playing());
    EXPECT_FALSE(a->Playing());
    mixer.Stop();
    EXPECT_EQ(second->References(), 1);
    EXPECT_EQ(b->References(), 2);
}

TEST_F(MixerPlaybackTest, PauseHoldsTheDeviceAndAClosedMixerReopensPaused) {
    TAtomRef<CPCMSound> song = ConstantSound(kCd, 1000, 777);
    ASSERT_TRUE(song);
    const _tInitMixer init = Init();
    CPCMMixer mixer(&init);

    // Paused before the device opens: it opens paused.
    mixer.Pause(1);
    ASSERT_EQ(mixer.Play(song.get(), 0, 0), 1);
    EXPECT_EQ(mixer.IsPaused(), 1);
    EXPECT_TRUE(Device()->Paused());
    Pass(mixer);
    const int writes = Device()->WriteCount();
    EXPECT_EQ(writes, kBuffers);
    for (int i = 0; i < 3; ++i) Pass(mixer);
    EXPECT_EQ(Device()->WriteCount(), writes) << "nothing is refilled while paused";
    EXPECT_EQ(mixer.GetMillisecondsPlayedSoFar(), 0);

    mixer.Pause(0);
    EXPECT_FALSE(Device()->Paused());
    Pass(mixer, kBufferBytes);
    EXPECT_EQ(Device()->WriteCount(), writes + 1) << "one buffer played, one refilled";
    EXPECT_EQ(mixer.GetMillisecondsPlayedSoFar(), 10);

    // A pause takes effect at once, a buffer at most is being played.
    mixer.Pause(1);
    Pass(mixer, kBufferBytes);
    EXPECT_EQ(mixer.GetMillisecondsPlayedSoFar(), 10);
    mixer.Pause(0);
    mixer.Stop();
    EXPECT_FALSE(song->Playing());
}

TEST_F(MixerPlaybackTest, PositionsFollowTheDeviceOrTheClock) {
    TAtomRef<CPCMSound> song = ConstantSound(kCd, 1000, 1);
    ASSERT_TRUE(song);
    const _tInitMixer init = Init();
    CPCMMixer mixer(&init);
    EXPECT_EQ(mixer.Latency(), 40);
    ASSERT_EQ(mixer.Play(song.get(), 0, 0), 1);
    for (int pass = 0; pass < 100 && Device()->PlayedBytes() < 88200; ++pass) Pass(mixer, kBufferBytes);
    ASSERT_EQ(Device()->PlayedBytes(), 88200u);

    struct TCase {
        std::uint32_t kind;
        std::int32_t ms;
    } const cases[] = {{TIME_BYTES, 500}, {TIME_SAMPLES, 500}, {TIME_MS, 500}, {0x10, 0}};
    for (const TCase& c : cases) {
        Device()->answerKind = c.kind;
        EXPECT_EQ(mixer.GetMillisecondsPlayedSoFar(), c.ms) << c.kind;
    }
    // Without a position: the time since Play less the latency.
    Device()->positionResult = MMSYSERR_ERROR;
    g_now += 30;
    EXPECT_EQ(mixer.GetMillisecondsPlayedSoFar(), 30) << "not beyond the latency yet";
    g_now += 470;
    EXPECT_EQ(mixer.GetMillisecondsPlayedSoFar(), 460);
    Device()->positionResult = MMSYSERR_NOERROR;
    Device()->answerKind = 0;
    mixer.Stop();
}

TEST_F(MixerPlaybackTest, OpensAreCountedAndTheLastMixerClosesItsDeviceWhateverTheCount) {
    {
        const _tInitMixer init = Init();
        CPCMMixer mixer(&init);
        ASSERT_EQ(mixer.Open(), 1);
        ASSERT_EQ(mixer.Open(), 1);
        EXPECT_EQ(fake_.Backend().openCount, 1);
        mixer.Close();
        EXPECT_TRUE(mixer.IsOpen());
        mixer.Close();
        EXPECT_FALSE(mixer.IsOpen());
        mixer.Close();
        EXPECT_EQ(mixer.OpenCount(), 0);

        fake_.Backend().openResult = MMSYSERR_NODRIVER;
        TAtomRef<CPCMSound> song = ConstantSound(kCd, 100, 1);
        EXPECT_EQ(mixer.Play(song.get(), 0, 0), 0);
        EXPECT_EQ(song->References(), 1);
        EXPECT_FALSE(mixer.Playing());
        fake_.Backend().openResult = MMSYSERR_NOERROR;

        ASSERT_EQ(mixer.Play(song.get(), 0, 0), 1);
        EXPECT_EQ(mixer.Play(song.get(), 0, 0), 0) << "already playing";
        Pass(mixer);
        ASSERT_EQ(mixer.Open(), 1);
        ASSERT_EQ(mixer.Open(), 1);
        EXPECT_EQ(mixer.OpenCount(), 3);
        EXPECT_EQ(Device()->HeadersQueued(), static_cast<std::size_t>(kBuffers));
        // Destroyed playing and opened three times: the device is reset and
        // closed before the buffers go, and the sound is let go.
    }
    EXPECT_EQ(Device(), nullptr);
    EXPECT_EQ(GetCurrentMixer(), nullptr);
}

// A finished sound keeps its play mode until the buffers holding its last
// samples have been played.
TEST_F(MixerPlaybackTest, AFinishedSoundStopsOnceItsLastBufferIsHeard) {
    TAtomRef<CPCMSound> shortOne = ConstantSound(kCd, 30, 100);
    TAtomRef<CPCMSound> longOne = ConstantSound(kCd, 500, 200);
    ASSERT_TRUE(shortOne && longOne);
    TAtomRef<CSoundGroup> group = GroupOf({{shortOne.get(), 0}, {longOne.get(), 0}});
    const _tInitMixer init = Init();
    CPCMMixer mixer(&init);
    ASSERT_EQ(mixer.Play(group.get(), 0, 0), 1);
    Pass(mixer);
    ASSERT_TRUE(shortOne->Playing());
    const std::uint64_t endBytes = 30 * 176400 / 1000;
    std::uint64_t playedAtStop = 0;
    for (int pass = 0; pass < 40 && shortOne->Playing(); ++pass) {
        Pass(mixer, kBufferBytes);
        if (!shortOne->Playing()) {
            playedAtStop = Device()->PlayedBytes();
        } else {
            EXPECT_LT(Device()->PlayedBytes(), endBytes + kBuffers * kBufferBytes);
        }
    }
    EXPECT_FALSE(shortOne->Playing());
    EXPECT_GE(playedAtStop, endBytes);
    EXPECT_TRUE(longOne->Playing());
    mixer.Stop();
}

// The service thread drives a mixer on the null device until the song has
// played and closes the device.
TEST_F(MixerPlaybackTest, TheServiceThreadPlaysASongThroughTheNullDevice) {
    SetWaitClock(realClock_);
    CNullWaveOutBackend null;
    IWaveOutBackend* previous = SetWaveOutBackend(&null);
    {
        TAtomRef<CPCMSound> song = ConstantSound(kCd, 150, 4321);
        ASSERT_TRUE(song);
        const _tInitMixer init = Init();
        CPCMMixer mixer(&init);
        ASSERT_TRUE(StartServiceThread());
        ASSERT_EQ(song->Play(0), 1);
        const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
        while ((mixer.IsOpen() || song->Playing()) && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_FALSE(song->Playing());
        EXPECT_FALSE(mixer.IsOpen());
        EXPECT_GE(mixer.GetMillisecondsPlayedSoFar(), 0);
        StopServiceThread();
    }
    SetWaveOutBackend(previous);
}

TEST(WaveOutChoiceTest, WithoutASoundCardTheEngineFallsBackToTheNullDevice) {
    IWaveOutBackend* previous = SetWaveOutBackend(nullptr);
    const char* chosen = ChooseWaveOutBackend();
    if (AlsaPlaybackAvailable("default")) {
        EXPECT_STREQ(chosen, "alsa");
    } else {
        EXPECT_STREQ(chosen, "null");
        EXPECT_EQ(&CurrentWaveOutBackend(), &MissingCardWaveOutBackend());
        // The stand-in opens, but says that no format would be heard.
        const WAVEFORMATEX cd = kCd;
        EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &cd, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
        HWAVEOUT device = nullptr;
        ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &cd, 0, 0, CALLBACK_FUNCTION), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    }
    // A back end the program chose is kept.
    CFakeWaveOutBackend fake;
    SetWaveOutBackend(&fake);
    EXPECT_STREQ(ChooseWaveOutBackend(), "fake");
    SetWaveOutBackend(previous);
}

}  // namespace
