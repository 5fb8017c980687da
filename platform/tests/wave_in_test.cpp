#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <numeric>
#include <vector>

#include "platform/wave_in.h"
#include "platform/wave_in_alsa.h"
#include "platform/wave_in_fake.h"
#include "platform/wave_in_null.h"
// The engine tests' format helper is header-only and needs nothing but the
// platform.
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

// A caller's buffer with its header, prepared and queued on a device.
struct TQueuedBuffer {
    std::vector<char> data;
    WAVEHDR header{};

    TQueuedBuffer(HWAVEIN device, std::uint32_t bytes) : data(bytes, 0x55) {
        header.lpData = data.data();
        header.dwBufferLength = bytes;
        EXPECT_EQ(waveInPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInAddBuffer(device, &header, sizeof header), MMSYSERR_NOERROR);
    }
    bool Done() const { return (WaveHeaderFlags(&header) & WHDR_DONE) != 0; }
    bool Queued() const { return (WaveHeaderFlags(&header) & WHDR_INQUEUE) != 0; }
    std::vector<std::uint8_t> Recorded() const {
        return {data.begin(), data.begin() + header.dwBytesRecorded};
    }
};

std::vector<std::uint8_t> Ramp(std::size_t bytes, std::uint8_t first = 0) {
    std::vector<std::uint8_t> ramp(bytes);
    std::iota(ramp.begin(), ramp.end(), first);
    return ramp;
}

class WaveInFakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        format_ = pcmtest::Pcm(8000, 2, 16);
        ASSERT_EQ(waveInOpen(&device_, 3, &format_, 0, 0, CALLBACK_FUNCTION), MMSYSERR_NOERROR);
        ASSERT_NE(scope_.Device(), nullptr);
    }
    void TearDown() override {
        if (device_ != nullptr) {
            EXPECT_EQ(waveInClose(device_), MMSYSERR_NOERROR);
        }
    }
    void Capture(const std::vector<std::uint8_t>& bytes) { scope_.Device()->Capture(bytes); }
    // A queued buffer that outlives the device (closed in TearDown).
    TQueuedBuffer& Queue(std::uint32_t bytes) { return buffers_.emplace_back(device_, bytes); }

    CFakeWaveInScope scope_;
    std::deque<TQueuedBuffer> buffers_;
    WAVEFORMATEX format_{};
    HWAVEIN device_ = nullptr;
};

TEST_F(WaveInFakeTest, FillsBuffersInOrderAndLosesSoundWithNoBufferQueued) {
    EXPECT_EQ(scope_.Backend().lastDeviceId, 3u);
    TQueuedBuffer& first = Queue(8);
    // A buffer of 10 bytes takes two whole 4-byte frames only.
    TQueuedBuffer& second = Queue(10);
    Capture(Ramp(4));  // not started: lost
    EXPECT_EQ(first.header.dwBytesRecorded, 0u);

    ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
    const std::vector<std::uint8_t> sound = Ramp(20, 1);
    Capture({sound.begin(), sound.begin() + 6});
    EXPECT_FALSE(first.Done());  // 4 of 8 bytes: a ragged frame is dropped
    Capture({sound.begin() + 6, sound.end()});
    ASSERT_TRUE(first.Done());
    ASSERT_TRUE(second.Done());
    EXPECT_FALSE(first.Queued());
    EXPECT_EQ(first.header.dwBytesRecorded, 8u);
    EXPECT_EQ(second.header.dwBytesRecorded, 8u);
    EXPECT_EQ(scope_.Device()->RecordedBytes(), 16u);
    std::vector<std::uint8_t> expected(sound.begin(), sound.begin() + 4);
    expected.insert(expected.end(), sound.begin() + 6, sound.begin() + 10);
    EXPECT_EQ(first.Recorded(), expected);
    // Started, with no buffer queued: the card's sound is lost.
    Capture(Ramp(4));
    EXPECT_EQ(scope_.Device()->LostBytes(), 4u);
    EXPECT_EQ(scope_.Device()->RecordedBytes(), 16u);
}

TEST_F(WaveInFakeTest, BuffersHoldTheCapturedBytesExactly) {
    TQueuedBuffer& first = Queue(12);
    TQueuedBuffer& second = Queue(12);
    ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
    const std::vector<std::uint8_t> sound = Ramp(24, 7);
    Capture({sound.begin(), sound.begin() + 8});
    Capture({sound.begin() + 8, sound.end()});
    EXPECT_EQ(first.Recorded(), std::vector<std::uint8_t>(sound.begin(), sound.begin() + 12));
    EXPECT_EQ(second.Recorded(), std::vector<std::uint8_t>(sound.begin() + 12, sound.end()));
}

TEST_F(WaveInFakeTest, StopHandsBackThePartBufferAndResetHandsBackEverything) {
    TQueuedBuffer& first = Queue(16);
    TQueuedBuffer& second = Queue(16);
    ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
    Capture(Ramp(8));
    ASSERT_EQ(waveInStop(device_), MMSYSERR_NOERROR);
    EXPECT_TRUE(first.Done());
    EXPECT_EQ(first.header.dwBytesRecorded, 8u);
    EXPECT_FALSE(second.Done());  // empty: it waits for the next start
    Capture(Ramp(8));             // stopped: lost
    EXPECT_EQ(second.header.dwBytesRecorded, 0u);

    EXPECT_EQ(waveInUnprepareHeader(device_, &second.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveInReset(device_), MMSYSERR_NOERROR);
    EXPECT_TRUE(second.Done());
    EXPECT_EQ(scope_.Device()->RecordedBytes(), 0u);
    EXPECT_EQ(waveInUnprepareHeader(device_, &second.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
}

TEST_F(WaveInFakeTest, PositionInEveryKind) {
    Queue(64000);
    ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
    Capture(std::vector<std::uint8_t>(16000));  // half a second at 32000 bytes/s
    struct TCase {
        std::uint32_t asked;
        std::uint32_t answered;
        std::uint32_t value;
    };
    for (const TCase& c : {TCase{TIME_BYTES, TIME_BYTES, 16000}, TCase{TIME_MS, TIME_MS, 500},
                           TCase{TIME_SAMPLES, TIME_SAMPLES, 4000}, TCase{0x8, TIME_BYTES, 16000}}) {
        MMTIME time{};
        time.wType = c.asked;
        ASSERT_EQ(waveInGetPosition(device_, &time, sizeof time), MMSYSERR_NOERROR);
        EXPECT_EQ(time.wType, c.answered);
        EXPECT_EQ(time.u.cb, c.value) << "asked " << c.asked;
    }
}

TEST_F(WaveInFakeTest, RefusesMisuse) {
    std::vector<char> data(16);
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = 16;
    EXPECT_EQ(waveInAddBuffer(device_, &header, sizeof header), WAVERR_UNPREPARED);
    EXPECT_EQ(waveInPrepareHeader(device_, &header, sizeof header - 1), MMSYSERR_INVALPARAM);
    WAVEHDR noData{};
    EXPECT_EQ(waveInPrepareHeader(device_, &noData, sizeof noData), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInStart(nullptr), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(nullptr), MMSYSERR_INVALHANDLE);

    HWAVEIN other = nullptr;
    const WAVEFORMATEX badFormats[] = {pcmtest::Pcm(8000, 3, 16), pcmtest::Pcm(8000, 1, 24), pcmtest::Pcm(0, 1, 8)};
    for (const WAVEFORMATEX& format : badFormats) {
        EXPECT_EQ(waveInOpen(&other, 0, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
        EXPECT_EQ(other, nullptr);
    }
    EXPECT_EQ(waveInOpen(&other, 0, &format_, 0, 0, 0x50000), MMSYSERR_INVALFLAG);
    scope_.Backend().openResult = MMSYSERR_BADDEVICEID;
    EXPECT_EQ(waveInOpen(&other, 9, &format_, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(other, nullptr);
}

TEST_F(WaveInFakeTest, CloseHandsBackQueuedBuffers) {
    TQueuedBuffer& buffer = Queue(16);
    ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(device_), MMSYSERR_NOERROR);
    device_ = nullptr;
    EXPECT_TRUE(buffer.Done());
    EXPECT_FALSE(buffer.Queued());
    EXPECT_EQ(scope_.Backend().closeCount, 1);
}

// The null device records silence as the clock allows, and nothing while
// stopped.
TEST(WaveInNullTest, RecordsSilenceInClockTime) {
    for (const std::uint16_t bits : {std::uint16_t{8}, std::uint16_t{16}}) {
        std::int64_t nowMs = 1000;
        CNullWaveInBackend backend([&nowMs] { return nowMs; }, false);
        IWaveInBackend* previous = SetWaveInBackend(&backend);
        const WAVEFORMATEX format = pcmtest::Pcm(11025, 1, bits);
        HWAVEIN device = nullptr;
        ASSERT_EQ(waveInOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        TQueuedBuffer buffer(device, format.nAvgBytesPerSec);
        nowMs += 500;  // not started yet
        MMTIME time{};
        ASSERT_EQ(waveInGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
        EXPECT_EQ(time.u.cb, 0u);

        ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
        nowMs += 200;
        time.wType = TIME_MS;
        ASSERT_EQ(waveInGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
        EXPECT_EQ(time.u.ms, 200u);
        EXPECT_FALSE(buffer.Done());
        nowMs += 900;
        static_cast<CNullWaveInDevice*>(device)->Advance();
        ASSERT_TRUE(buffer.Done());
        const std::uint8_t silence = bits == 8 ? 0x80 : 0;
        EXPECT_EQ(buffer.Recorded(), std::vector<std::uint8_t>(format.nAvgBytesPerSec, silence));
        EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
        SetWaveInBackend(previous);
    }
}

// Opening and closing the ALSA back end on ALSA's own null PCM, where the
// machine has the plugin; nothing here needs a sound card.
TEST(WaveInAlsaTest, OpensAndClosesTheNullPcm) {
    if (!AlsaCaptureAvailable("null")) GTEST_SKIP() << "ALSA null PCM not available";
    const WAVEFORMATEX format = pcmtest::Pcm(44100, 2, 16);
    std::unique_ptr<CWaveInDevice> device;
    ASSERT_EQ(OpenAlsaWaveIn("null", format, &device), MMSYSERR_NOERROR);
    HWAVEIN handle = device.release();
    TQueuedBuffer buffer(handle, 4096);
    EXPECT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInStop(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
    EXPECT_TRUE(buffer.Done());
}

}  // namespace
