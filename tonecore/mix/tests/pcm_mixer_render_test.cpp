#include "tonecore/mix/pcm_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

#include "tonecore/engine/engine_lock.h"
#include "tonecore/maps/event_map_values.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/sound/sound_group.h"
#include "tonecore/sound/tests/sound_group_support.h"

namespace {

using grouptest::ConstantSound;
using grouptest::TAtomRef;

const WAVEFORMATEX kCd = pcmtest::Pcm(44100, 2, 16);
constexpr std::uint32_t kCdSecond = 176400;

_tInitMixer CdMixer() {
    _tInitMixer init;
    init.bufferCount = 4;
    init.bufferBytes = 4410;
    init.format = kCd;
    return init;
}

// What a sink received, and how it answers.
struct TSink {
    std::vector<std::uint8_t> bytes;
    std::vector<std::int32_t> sizes;
    // The bytes it takes of each offer (all when 0) and the answer it gives
    // from the nth call on (0 for never).
    std::int32_t takes = 0;
    int stopAtCall = 0;
    std::function<void()> during;

    static TDataWriteCode Write(char* data, std::int32_t& count, void* user) {
        auto& sink = *static_cast<TSink*>(user);
        sink.sizes.push_back(count);
        if (sink.takes > 0) count = std::min(count, sink.takes);
        sink.bytes.insert(sink.bytes.end(), data, data + count);
        if (sink.during) sink.during();
        return sink.stopAtCall > 0 && int(sink.sizes.size()) >= sink.stopAtCall ? 1 : 0;
    }
};

int Render(CPCMMixer& mixer, CSoundGroup& group, TSink& sink, std::int32_t lengthMs,
           const WAVEFORMATEX& format = kCd, std::int32_t bufferBytes = -1) {
    return mixer.MixToDataSink(&group, &TSink::Write, &sink, &format, lengthMs, bufferBytes);
}

void Place(CAudioAtom* sound, CSoundGroup& group, std::int32_t offset) {
    ASSERT_NE(sound, nullptr);
    sound->Add(&group, offset);
}

// A group of constant-sample sounds at their offsets.
struct TPlaced {
    std::uint32_t ms;
    int value;
    std::int32_t offset;
};
struct TSession {
    TAtomRef<CSoundGroup> group{new CSoundGroup};
    std::vector<TAtomRef<CPCMSound>> sounds;
};
TSession Session(const WAVEFORMATEX& format, const std::vector<TPlaced>& placed) {
    TSession session;
    for (const auto& p : placed) {
        session.sounds.push_back(ConstantSound(format, p.ms, p.value));
        Place(session.sounds.back().get(), *session.group, p.offset);
    }
    return session;
}

// Stereo 16-bit frames: one value per frame for both channels.
std::vector<int> FrameValues(const std::vector<std::uint8_t>& bytes) {
    std::vector<int> out;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        const int left = static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8);
        const int right = static_cast<std::int16_t>(bytes[i + 2] | bytes[i + 3] << 8);
        EXPECT_EQ(left, right);
        out.push_back(left);
    }
    return out;
}

// Frames of ms at 44.1 kHz.
constexpr std::size_t Frames(std::size_t ms) { return ms * 441 / 10; }

TEST(MixerConstruction, RatesSnapAndBuffersHoldWholeFrames) {
    const struct {
        std::uint32_t asked, played;
    } rates[] = {{8000, 11025}, {11025, 11025}, {16000, 22050}, {22050, 22050}, {32000, 44100}, {48000, 44100}};
    for (const auto& r : rates) {
        _tInitMixer init = CdMixer();
        init.format = pcmtest::Pcm(r.asked, 2, 16);
        CPCMMixer mixer(&init);
        EXPECT_EQ(mixer.PlaybackInit().format.nSamplesPerSec, r.played) << r.asked;
        EXPECT_EQ(mixer.PlaybackInit().format.nAvgBytesPerSec, r.played * 4) << r.asked;
    }
    _tInitMixer init = CdMixer();
    init.bufferBytes = 4410;
    CPCMMixer mixer(&init);
    EXPECT_EQ(GetCurrentMixer(), &mixer);
    EXPECT_EQ(mixer.PlaybackInit().bufferBytes, 4408u);
    ASSERT_EQ(mixer.Buffers().size(), 4u);
    EXPECT_EQ(mixer.Buffers()[0].data.size(), 4408u);
    EXPECT_EQ(mixer.Buffers()[0].free, 1);
    // The clock advances by what a buffer holds: 4408 bytes, not the 4410
    // asked for (else every buffer would run 0.011 ms ahead of the sound).
    EXPECT_DOUBLE_EQ(mixer.BufferDuration(), 4408 * 1000.0 / 176400);

    // The format set for the next opening is the one in use while closed.
    const WAVEFORMATEX mono = pcmtest::Pcm(22050, 1, 8);
    EXPECT_EQ(mixer.SetFormat(&mono), 1);
    EXPECT_EQ(mixer.GetFormat().nChannels, 1);
    {
        CPCMMixer newer(&init);
        EXPECT_EQ(GetCurrentMixer(), &newer);
    }
    EXPECT_EQ(GetCurrentMixer(), nullptr);
}

TEST(MixToDataSink, GroupRendersToTheHandComputedMix) {
    TSession session = Session(kCd, {{1500, 1000, 0}, {1000, 2000, 1200}, {300, -500, 3000}});
    CSoundGroup* group = session.group.get();
    ASSERT_EQ(group->Length(0), 3300);

    CPCMMixer mixer(nullptr);
    TSink sink;
    EXPECT_EQ(Render(mixer, *group, sink, group->Length(0)), 1);
    EXPECT_EQ(sink.sizes, (std::vector<std::int32_t>{kCdSecond, kCdSecond, kCdSecond, 52920}));

    std::vector<int> expected(Frames(3300), 0);
    const auto add = [&](std::size_t fromMs, std::size_t toMs, int value) {
        for (std::size_t f = Frames(fromMs); f < Frames(toMs); ++f) expected[f] += value;
    };
    add(0, 1500, 1000);
    add(1200, 2200, 2000);
    add(3000, 3300, -500);
    EXPECT_EQ(FrameValues(sink.bytes), expected);
    EXPECT_EQ(mixer.GetPercentageMixedToFile(), 0);
    EXPECT_EQ(mixer.MixingSoundToFile(session.sounds[0].get()), 0);
}

TEST(MixToDataSink, FadesAndOverlapsMixAsEachSoundReadAlone) {
    // B fades in over its first second and out over its last half; A is
    // loud enough that the overlap clips.
    const auto faded = [] {
        auto sound = ConstantSound(kCd, 2000, 20000);
        if (sound == nullptr) return sound;
        CMap* map = sound->GetSrcMap();
        map->RemoveAllSimpleEvents(MAP_VOLUME);
        map->AddSimpleEvent(MAP_VOLUME, 0, 0.0);
        map->AddSimpleEvent(MAP_VOLUME, 1000, 1.0);
        map->AddSimpleEvent(MAP_VOLUME, 1500, 1.0);
        map->AddSimpleEvent(MAP_VOLUME, 2000, 0.0);
        return sound;
    };
    TAtomRef<CSoundGroup> group(new CSoundGroup);
    auto a = ConstantSound(kCd, 1500, 25000);
    auto b = faded();
    Place(a.get(), *group, 0);
    Place(b.get(), *group, 700);

    CPCMMixer mixer(nullptr);
    TSink sink;
    EXPECT_EQ(Render(mixer, *group, sink, group->Length(0)), 1);

    // The same sound read on its own, with its own map combined.
    auto alone = faded();
    ASSERT_NE(alone, nullptr);
    alone->CombineWithParentMap(MAP_ALL);
    ASSERT_EQ(alone->Load(0), 1);
    std::vector<std::uint8_t> solo(std::size_t(kCdSecond) * 2, 0);
    _bufferType block;
    block.format = &kCd;
    block.data = solo.data();
    block.size = static_cast<std::uint32_t>(solo.size());
    std::int32_t bytes = 0;
    alone->ReadData(&block, bytes);
    ASSERT_EQ(bytes, 2 * std::int32_t(kCdSecond));
    const std::vector<int> fade = FrameValues(solo);
    EXPECT_LT(fade[10], 1000);  // the fade is there
    EXPECT_EQ(fade[Frames(1200)], 20000);

    std::vector<int> expected(Frames(2700), 0);
    for (std::size_t f = 0; f < Frames(1500); ++f) expected[f] += 25000;
    for (std::size_t f = 0; f < fade.size(); ++f) expected[Frames(700) + f] += fade[f];
    for (int& v : expected) v = std::clamp(v, -32768, 32767);
    EXPECT_EQ(FrameValues(sink.bytes), expected);
}

TEST(MixToDataSink, BuffersFollowTheLengthTheGapsAndTheFormat) {
    CPCMMixer mixer(nullptr);
    const WAVEFORMATEX low = pcmtest::Pcm(22050, 2, 8);
    const struct {
        const char* what;
        WAVEFORMATEX format;
        std::vector<TPlaced> placed;
        std::int32_t lengthMs;  // -1: the group's
        std::vector<std::int32_t> sizes;
    } cases[] = {
        {"2500 ms: two whole seconds and the half the sound fills", kCd, {{2500, 100, 0}}, 2500,
         {kCdSecond, kCdSecond, 88200}},
        {"nothing asked, nothing written", kCd, {{2500, 100, 0}}, 0, {}},
        {"a gap comes as whole buffers of silence", low, {{500, 0x1000, 0}, {500, 0x1000, 2500}}, -1,
         {44100, 44100, 44100}},
        {"a short last sound inside the last window keeps its end", kCd, {{1000, 100, 0}, {200, 300, 1500}}, -1,
         {kCdSecond, 123480}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TSession session = Session(c.format, c.placed);
        TSink sink;
        const std::int32_t length = c.lengthMs >= 0 ? c.lengthMs : session.group->Length(0);
        EXPECT_EQ(Render(mixer, *session.group, sink, length, c.format), 1);
        EXPECT_EQ(sink.sizes, c.sizes);
        if (c.format.wBitsPerSample == 8) {
            // 8-bit silence is 0x80, around the sounds' 0x90.
            ASSERT_EQ(sink.bytes.size(), 3u * 44100);
            EXPECT_EQ(sink.bytes[0], 0x90);
            EXPECT_EQ(std::count(sink.bytes.begin() + 22050, sink.bytes.begin() + 110250, 0x80), 88200);
            EXPECT_EQ(sink.bytes[110250], 0x90);
        } else if (!sink.bytes.empty()) {
            EXPECT_EQ(FrameValues(sink.bytes).back(), c.placed.back().value);
        }
    }
}

TEST(MixToDataSink, SinksThatTakeLessOrStopLoseNothing) {
    TSession session = Session(kCd, {{700, 1000, 0}, {700, 2000, 600}, {700, 3000, 1200}});
    CSoundGroup* group = session.group.get();
    CPCMMixer mixer(nullptr);
    TSink whole;
    Render(mixer, *group, whole, group->Length(0));

    // A sink that takes 10000 bytes at a time: later buffers come in that
    // size, and the stream it receives is the same.
    TSink slow;
    slow.takes = 10000;
    EXPECT_EQ(Render(mixer, *group, slow, group->Length(0)), 1);
    EXPECT_EQ(slow.sizes[0], std::int32_t(kCdSecond));
    EXPECT_EQ(slow.bytes, whole.bytes);
    EXPECT_LE(*std::max_element(slow.sizes.begin() + 1, slow.sizes.end()), std::int32_t(kCdSecond));

    // A sink that answers non-zero ends the rendering after that buffer.
    TSink stopping;
    stopping.stopAtCall = 1;
    EXPECT_EQ(Render(mixer, *group, stopping, group->Length(0)), 1);
    EXPECT_EQ(stopping.sizes.size(), 1u);
    EXPECT_EQ(mixer.MixingSoundToFile(session.sounds[0].get()), 0);

    // Sinks that take whole frames at odd sizes get the same stream too.
    TSink odd;
    odd.takes = 4 * 3001;
    Render(mixer, *group, odd, group->Length(0), kCd, 4 * 12345);
    EXPECT_EQ(odd.bytes, whole.bytes);
}

TEST(MixToDataSink, RendersOutsideTheEngineLockWithTheSinkFormatShown) {
    TSession session = Session(kCd, {{2500, 100, 0}});
    CSoundGroup* group = session.group.get();
    CPCMSound* a = session.sounds[0].get();
    _tInitMixer init = CdMixer();
    init.format = pcmtest::Pcm(22050, 1, 8);
    CPCMMixer mixer(&init);

    TSink sink;
    std::vector<std::int32_t> percents;
    bool engineLockFree = true;
    bool listed = false;
    WAVEFORMATEX shown{};
    sink.during = [&] {
        percents.push_back(mixer.GetPercentageMixedToFile());
        listed = listed || mixer.MixingSoundToFile(a);
        // Another thread reads the format and takes the engine lock while
        // the rendering is under way.
        auto other = std::async(std::launch::async, [&] {
            std::unique_lock<std::recursive_mutex> probe(EngineLock(), std::try_to_lock);
            engineLockFree = engineLockFree && probe.owns_lock();
            shown = mixer.GetFormat();
        });
        other.get();
    };
    EXPECT_EQ(Render(mixer, *group, sink, 2500), 1);
    EXPECT_TRUE(engineLockFree);
    EXPECT_TRUE(listed);
    EXPECT_EQ(shown.nSamplesPerSec, 44100u);
    EXPECT_EQ(shown.nChannels, 2);
    EXPECT_EQ(mixer.GetFormat().nSamplesPerSec, 22050u);
    // Percentages are taken before each call but the first one's own.
    EXPECT_EQ(percents, (std::vector<std::int32_t>{0, 40, 80}));
    EXPECT_EQ(mixer.GetPercentageMixedToFile(), 0);
}

}  // namespace
