#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/wait_clock.h"
#include "platform/wave_in_fake.h"
#include "platform/wave_out_fake.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/mix/pcm_mixer_recording.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_recording.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/sound/tests/recording_support.h"

namespace {

using rectest::CRecordingOnlyMixer;
using rectest::Pattern;

// A sound that takes a number of blocks, then refuses the rest.
class CRefusingSound : public CPCMSound {
public:
    explicit CRefusingSound(int takes) : takes_(takes) {}
    TRenderResult WriteData(_bufferType* block) override {
        if (takes_-- <= 0) return RENDER_FAILED;
        const auto* data = static_cast<const std::uint8_t*>(block->data);
        taken.insert(taken.end(), data, data + block->size);
        return RENDER_MORE;
    }
    std::vector<std::uint8_t> taken;

private:
    int takes_;
};

class MixerRecordingTest : public ::testing::Test {
protected:
    WAVEFORMATEX format_ = pcmtest::Pcm(8000, 2, 16);
    CFakeWaveInScope input_;
};

TEST_F(MixerRecordingTest, FilledBuffersReachTheSoundInOrderAndTheEndHandsOverThePartBuffer) {
    CRefusingSound sound(1000);
    CRecordingOnlyMixer mixer(3, 402);  // 402 holds 100 whole frames of 4 bytes
    ASSERT_EQ(mixer.Record(&sound, &format_), 1);
    EXPECT_EQ(mixer.Recording(), 1);
    EXPECT_EQ(mixer.GetRecordingSound(), &sound);
    EXPECT_EQ(input_.Backend().lastDeviceId, 4u);
    EXPECT_EQ(mixer.ActiveRecording().bufferBytes, 400u);
    ASSERT_NE(input_.Device(), nullptr);
    EXPECT_EQ(input_.Device()->HeadersQueued(), 3u);

    // More than the three buffers hold, fed between passes as a card would.
    const std::vector<std::uint8_t> sound1 = Pattern(1000);
    const std::vector<std::uint8_t> sound2 = Pattern(900, 3);
    input_.Device()->Capture(sound1);
    EXPECT_EQ(mixer.ContinueRecording(), 1);
    EXPECT_EQ(sound.taken.size(), 800u);
    EXPECT_EQ(input_.Device()->HeadersQueued(), 3u);  // both given back to the device
    input_.Device()->Capture(sound2);
    mixer.ContinueRecording();

    CPCMSound* const recorded = mixer.GetRecordingSound();
    EXPECT_EQ(recorded, &sound);
    EXPECT_EQ(mixer.StopRecordingAtom(&sound), 1);
    EXPECT_EQ(mixer.Recording(), 0);
    EXPECT_EQ(mixer.GetRecordingSound(), nullptr);
    EXPECT_EQ(input_.Device(), nullptr);  // closed

    std::vector<std::uint8_t> expected = sound1;
    expected.insert(expected.end(), sound2.begin(), sound2.end());
    EXPECT_EQ(sound.taken, expected);
}

TEST_F(MixerRecordingTest, ASoundThatRefusesDataEndsTheRecordingAndIsOfferedNothingMore) {
    CRefusingSound sound(1);
    CRecordingOnlyMixer mixer(4, 100);
    ASSERT_EQ(mixer.Record(&sound, &format_), 1);
    const std::vector<std::uint8_t> captured = Pattern(400);
    input_.Device()->Capture(captured);
    EXPECT_EQ(mixer.ContinueRecording(), 0);
    EXPECT_EQ(mixer.Recording(), 0);
    EXPECT_EQ(input_.Backend().closeCount, 1);
    EXPECT_EQ(sound.taken, std::vector<std::uint8_t>(captured.begin(), captured.begin() + 100));
}

TEST_F(MixerRecordingTest, EveryFailedStartLeavesTheDeviceClosed) {
    CRefusingSound sound(10);
    struct TCase {
        const char* what;
        std::int32_t buffers;
        std::uint32_t bytes;
        MMRESULT open;
    };
    for (const TCase& c : {TCase{"device refuses", 2, 400, MMSYSERR_BADDEVICEID}, TCase{"no buffers", 0, 400, 0},
                           TCase{"buffers under a frame", 2, 3, 0}}) {
        CFakeWaveInScope input;
        input.Backend().openResult = c.open;
        CRecordingOnlyMixer mixer(c.buffers, c.bytes);
        EXPECT_EQ(mixer.Record(&sound, &format_), 0) << c.what;
        EXPECT_EQ(mixer.Recording(), 0) << c.what;
        EXPECT_EQ(mixer.GetRecordingSound(), nullptr) << c.what;
        EXPECT_EQ(input.Backend().openCount - (c.open == 0 ? input.Backend().closeCount : 0),
                  c.open == 0 ? 0 : 1)
            << c.what;
        EXPECT_EQ(input.Device(), nullptr) << c.what;
    }
}

TEST_F(MixerRecordingTest, ANewRecordingEndsTheOneBeforeAndTheDestructorEndsTheLast) {
    CRefusingSound first(100);
    CRefusingSound second(100);
    {
        CRecordingOnlyMixer mixer(2, 400);
        ASSERT_EQ(mixer.Record(&first, &format_), 1);
        input_.Device()->Capture(Pattern(40));
        ASSERT_EQ(mixer.Record(&second, &format_), 1);
        EXPECT_EQ(first.taken, Pattern(40));  // the part buffer went to the first sound
        EXPECT_EQ(input_.Backend().openCount, 2);
        input_.Device()->Capture(Pattern(80, 9));
    }
    EXPECT_EQ(second.taken, Pattern(80, 9));
    EXPECT_EQ(input_.Backend().closeCount, 2);
}

TEST_F(MixerRecordingTest, LevelsAreReportedEveryEightyMillisecondsAtFullScaleOne) {
    // 8000 Hz stereo: 80 ms are 2560 bytes.
    CRefusingSound sound(100);
    CRecordingOnlyMixer mixer(4, 1600);
    ASSERT_EQ(mixer.Record(&sound, &format_), 1);
    EXPECT_EQ(mixer.PeakStepBytes(), 2560u);

    // Left at half scale, right at full negative scale in the second half.
    std::vector<int> samples;
    for (int frame = 0; frame < 700; ++frame) {
        samples.push_back(frame == 10 ? 16384 : 100);
        samples.push_back(frame == 650 ? -32768 : -5);
    }
    const std::vector<std::uint8_t> bytes = pcmtest::Bytes16(samples);  // 2800 bytes
    input_.Device()->Capture({bytes.data(), 2000});
    mixer.CheckLatestRecordings();
    EXPECT_TRUE(mixer.peaks.empty());  // 2000 bytes: less than a step
    input_.Device()->Capture({bytes.data() + 2000, bytes.size() - 2000});
    mixer.CheckLatestRecordings();
    ASSERT_EQ(mixer.peaks.size(), 1u);
    EXPECT_DOUBLE_EQ(mixer.peaks[0].left, 16384 / 32767.0);
    EXPECT_DOUBLE_EQ(mixer.peaks[0].right, 32768 / 32767.0);
    EXPECT_EQ(mixer.peaks[0].position, 2800u);
    EXPECT_EQ(mixer.BytesSeen(), 2800u);
}

std::uint32_t gSleptMs = 0;
void CountSleep(std::uint32_t milliseconds) { gSleptMs += milliseconds; }

TEST_F(MixerRecordingTest, FullDuplexTestOpensBothSidesAndClosesThem) {
    const TWaitClock real = SetWaitClock({CountSleep, nullptr});
    gSleptMs = 0;
    CFakeWaveOutScope output;
    CRecordingOnlyMixer mixer(2, 400);
    WAVEFORMATEX in8 = pcmtest::Pcm(11025, 1, 8);
    WAVEFORMATEX out16 = pcmtest::Pcm(44100, 2, 16);
    EXPECT_EQ(mixer.FullDuplexTest(2, &in8, &out16), 1);
    EXPECT_EQ(input_.Backend().openCount, 1);
    EXPECT_EQ(input_.Backend().closeCount, 1);
    EXPECT_EQ(input_.Backend().lastDeviceId, 2u);
    EXPECT_EQ(output.Backend().openCount, 1);
    EXPECT_EQ(output.Backend().lastDeviceId, 2u);
    EXPECT_EQ(output.Device(), nullptr);
    EXPECT_EQ(gSleptMs, 10u);  // the input runs before the output is written

    // The output side cannot open: the input is closed again.
    output.Backend().openResult = MMSYSERR_NODRIVER;
    EXPECT_EQ(mixer.FullDuplexTest(0, &in8, &out16), 0);
    EXPECT_EQ(input_.Backend().closeCount, 2);
    input_.Backend().openResult = MMSYSERR_BADDEVICEID;
    EXPECT_EQ(mixer.FullDuplexTest(0, &in8, &out16), 0);
    EXPECT_EQ(output.Backend().openCount, 2);  // not tried
    SetWaitClock(real);
}

// Peak blocks of a recording: whole frames of the milliseconds per peak;
// a shortfall against the exact size drops one value when it adds up to a
// whole block.
TEST(RecordedPeaksTest, BlockSizesCarryAndValues) {
    struct TCase {
        WAVEFORMATEX format;
        std::int32_t msPerPeak;
        std::uint32_t blockBytes;
        std::uint32_t blocksFed;
        int valuesKept;
    };
    for (const TCase& c : {TCase{pcmtest::Pcm(44100, 2, 16), 10, 1764, 500, 500},
                           // 220.5 exact bytes: 220 a block, one value dropped in 441
                           TCase{pcmtest::Pcm(22050, 1, 8), 10, 220, 442, 441},
                           TCase{pcmtest::Pcm(11025, 2, 16), 10, 440, 3, 3}}) {
        CRecordedPeaks peaks(c.format, c.msPerPeak);
        EXPECT_EQ(peaks.BlockBytes(), c.blockBytes);
        const std::vector<std::uint8_t> silence(c.blockBytes * c.blocksFed, c.format.wBitsPerSample == 8 ? 0x80 : 0);
        // Fed in uneven pieces: blocks straddle the pieces.
        std::size_t at = 0;
        for (std::size_t piece = 333; at < silence.size(); piece = piece * 3 % 1000 + 7) {
            const std::size_t take = std::min(piece, silence.size() - at);
            peaks.Scan(silence.data() + at, static_cast<std::uint32_t>(take));
            at += take;
        }
        EXPECT_EQ(peaks.Values().Count(), c.valuesKept) << c.blockBytes;
    }

    // Values: block maximum x 255 / 32767 of the louder channel.
    CRecordedPeaks peaks(pcmtest::Pcm(1000, 2, 16), 2);  // 2 frames a block
    const std::vector<std::uint8_t> bytes = pcmtest::Bytes16({0, 0, 16384, -2, 5, -32768, 32767, 0, 1, 1});
    peaks.Scan(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    ASSERT_EQ(peaks.Values().Count(), 2);  // the fifth frame waits for its block
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(peaks.Values().Index(0)), 127u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(peaks.Values().Index(1)), 255u);
    EXPECT_EQ(peaks.LargestLeft(), 32767);
    EXPECT_EQ(peaks.LargestRight(), 32768);
}

}  // namespace
