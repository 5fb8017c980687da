#include "platform/wave_out.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/wave_out_alsa.h"
#include "platform/wave_out_fake.h"
#include "platform/wave_out_null.h"
#include "testsupport/hang_limit.h"

namespace {

WAVEFORMATEX Pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// A few caller-owned buffers, each filled with its own byte value.
struct TBuffers {
    TBuffers(int count, std::uint32_t bytes) : data(count), headers(count) {
        for (int i = 0; i < count; ++i) {
            data[i].assign(bytes, static_cast<char>(i + 1));
            headers[i].lpData = data[i].data();
            headers[i].dwBufferLength = bytes;
        }
    }
    void QueueAll(HWAVEOUT device) {
        for (WAVEHDR& header : headers) {
            ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
            ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
        }
    }
    // One character per buffer: 'd' done, 'q' queued, '-' neither.
    std::string States() const {
        std::string states;
        for (const WAVEHDR& header : headers) {
            const std::uint32_t flags = WaveHeaderFlags(&header);
            states += (flags & WHDR_DONE) != 0 ? 'd' : (flags & WHDR_INQUEUE) != 0 ? 'q' : '-';
        }
        return states;
    }
    std::vector<std::vector<char>> data;
    std::vector<WAVEHDR> headers;
};

// A device of the installed back end; null (with a test failure) when it
// does not open.
HWAVEOUT OpenDevice(const WAVEFORMATEX& format, std::uint32_t flags = CALLBACK_FUNCTION) {
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, flags), MMSYSERR_NOERROR);
    return device;
}

std::uint32_t Position(HWAVEOUT device, std::uint32_t kind) {
    MMTIME time;
    time.wType = kind;
    EXPECT_EQ(waveOutGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
    EXPECT_EQ(time.wType, kind);
    return time.u.cb;
}

TEST(WaveOutTest, OpenRefusesWhatNoDevicePlays) {
    CFakeWaveOutScope fake;
    HWAVEOUT device = nullptr;
    const WAVEFORMATEX good = Pcm(44100, 2, 16);
    WAVEFORMATEX compressed = good;
    compressed.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    WAVEFORMATEX badAlign = good;
    badAlign.nBlockAlign = 3;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &compressed, 0, 0, CALLBACK_FUNCTION), WAVERR_BADFORMAT);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &badAlign, 0, 0, CALLBACK_FUNCTION), WAVERR_BADFORMAT);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &good, 0, 0, 0x50000), MMSYSERR_INVALFLAG);
    EXPECT_EQ(fake.Backend().openCount, 0);
    fake.Backend().openResult = MMSYSERR_NODRIVER;
    EXPECT_EQ(waveOutOpen(&device, 3, &good, 0, 0, CALLBACK_FUNCTION), MMSYSERR_NODRIVER);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(fake.Backend().lastDeviceId, 3u);
    EXPECT_EQ(waveOutClose(nullptr), MMSYSERR_INVALHANDLE);
}

// A format query opens nothing: each back end answers whether its device
// would take the format.
TEST(WaveOutTest, FormatQueriesOpenNothing) {
    const WAVEFORMATEX cd = Pcm(44100, 2, 16);
    const WAVEFORMATEX low = Pcm(11025, 1, 8);
    {
        CFakeWaveOutScope fake;
        fake.Backend().acceptEveryFormat = false;
        fake.Backend().acceptedFormats = {low};
        EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &cd, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
        HWAVEOUT device = nullptr;
        EXPECT_EQ(waveOutOpen(&device, 2, &low, 0, 0, CALLBACK_FUNCTION | WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
        EXPECT_EQ(device, nullptr);
        EXPECT_EQ(fake.Backend().openCount, 0);
        EXPECT_EQ(fake.Backend().queried.size(), 2u);
    }
    CNullWaveOutBackend asCard(nullptr, false);
    CNullWaveOutBackend noCard(nullptr, false, true);
    EXPECT_EQ(asCard.Query(WAVE_MAPPER, cd), MMSYSERR_NOERROR);
    EXPECT_EQ(noCard.Query(WAVE_MAPPER, cd), WAVERR_BADFORMAT);
    std::unique_ptr<CWaveOutDevice> opened;
    EXPECT_EQ(noCard.Open(WAVE_MAPPER, cd, &opened), MMSYSERR_NOERROR);
    if (AlsaPlaybackAvailable("null")) {
        EXPECT_EQ(QueryAlsaWaveOut("null", cd), MMSYSERR_NOERROR);
        EXPECT_EQ(QueryAlsaWaveOut("no-such-pcm-anywhere", cd), MMSYSERR_NODRIVER);
    }
}

TEST(WaveOutTest, BuffersFinishInOrderAsTheirBytesPlay) {
    CFakeWaveOutScope fake;
    HWAVEOUT device = OpenDevice(Pcm(44100, 2, 16));
    ASSERT_NE(device, nullptr);
    TBuffers buffers(3, 400);
    EXPECT_EQ(waveOutWrite(device, &buffers.headers[0], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    buffers.QueueAll(device);
    EXPECT_EQ(waveOutUnprepareHeader(device, &buffers.headers[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(buffers.States(), "qqq");

    fake.Device()->PlayBytes(399);
    EXPECT_EQ(buffers.States(), "qqq");
    fake.Device()->PlayBytes(1);
    EXPECT_EQ(buffers.States(), "dqq");
    fake.Device()->PlayBytes(500);
    EXPECT_EQ(buffers.States(), "ddq");
    EXPECT_EQ(Position(device, TIME_BYTES), 900u);
    EXPECT_EQ(Position(device, TIME_SAMPLES), 225u);
    EXPECT_EQ(Position(device, TIME_MS), 5u);  // 900 / 176400 s, truncated

    // Pause holds everything; restart plays on.
    EXPECT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    fake.Device()->PlayAll();
    EXPECT_EQ(buffers.States(), "ddq");
    EXPECT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
    fake.Device()->PlayAll();
    EXPECT_EQ(buffers.States(), "ddd");
    EXPECT_EQ(fake.Device()->Written().size(), 1200u);
    EXPECT_EQ(fake.Device()->Written()[400], 2);
    EXPECT_EQ(waveOutUnprepareHeader(device, &buffers.headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(WaveHeaderFlags(&buffers.headers[0]) & WHDR_PREPARED, 0u);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(fake.Device(), nullptr);
}

TEST(WaveOutTest, ResetAndCloseHandBackQueuedBuffersAsDone) {
    CFakeWaveOutScope fake;
    HWAVEOUT device = OpenDevice(Pcm(22050, 1, 8), CALLBACK_NULL);
    ASSERT_NE(device, nullptr);
    TBuffers first(2, 100);
    first.QueueAll(device);
    fake.Device()->PlayBytes(150);
    EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_EQ(first.States(), "dd");
    EXPECT_EQ(Position(device, TIME_BYTES), 0u);
    EXPECT_EQ(fake.Device()->HeadersQueued(), 0u);

    TBuffers second(2, 100);
    second.QueueAll(device);
    fake.Device()->PlayBytes(100);
    EXPECT_EQ(second.States(), "dq");
    EXPECT_EQ(Position(device, TIME_BYTES), 100u);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(second.States(), "dd");
}

TEST(WaveOutTest, NullDevicePlaysAgainstItsClock) {
    std::int64_t now = 1000;
    CNullWaveOutBackend backend([&now] { return now; }, false);
    IWaveOutBackend* previous = SetWaveOutBackend(&backend);
    HWAVEOUT device = OpenDevice(Pcm(44100, 2, 16));  // 176.4 bytes per ms
    ASSERT_NE(device, nullptr);
    auto* null = static_cast<CNullWaveOutDevice*>(device);

    // Nothing queued: time passes, nothing is played.
    now += 500;
    EXPECT_EQ(Position(device, TIME_MS), 0u);

    TBuffers buffers(3, 17640);  // 100 ms each
    buffers.QueueAll(device);
    now += 99;
    null->Advance();
    EXPECT_EQ(buffers.States(), "qqq");
    now += 1;
    null->Advance();
    EXPECT_EQ(buffers.States(), "dqq");
    EXPECT_EQ(Position(device, TIME_MS), 100u);

    // A pause stops the clock's effect; the time paused is not played.
    EXPECT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    now += 1000;
    EXPECT_EQ(Position(device, TIME_MS), 100u);
    EXPECT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
    now += 150;
    EXPECT_EQ(Position(device, TIME_MS), 250u);
    EXPECT_EQ(buffers.States(), "ddq");

    // Running dry: the gap is not played, and a late buffer plays in full.
    now += 1000;
    EXPECT_EQ(Position(device, TIME_MS), 300u);
    EXPECT_EQ(buffers.States(), "ddd");
    TBuffers late(1, 17640);
    late.QueueAll(device);
    now += 50;
    EXPECT_EQ(Position(device, TIME_MS), 350u);
    EXPECT_EQ(late.States(), "q");
    now += 50;
    EXPECT_EQ(Position(device, TIME_BYTES), 4u * 17640u);
    EXPECT_EQ(late.States(), "d");
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    SetWaveOutBackend(previous);
}

TEST(WaveOutTest, NullDevicePacedByItsOwnThreadFinishesBuffers) {
    // The real clock and thread: only that every buffer ends, never when.
    IWaveOutBackend* previous = SetWaveOutBackend(&NullWaveOutBackend());
    HWAVEOUT device = OpenDevice(Pcm(44100, 2, 16));
    ASSERT_NE(device, nullptr);
    TBuffers buffers(2, 1764);  // 10 ms each
    buffers.QueueAll(device);
    const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
    while (buffers.States() != "dd" && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(buffers.States(), "dd");
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    SetWaveOutBackend(previous);
}

TEST(WaveOutTest, AlsaPlaysThroughItsNullPcm) {
    if (!AlsaPlaybackAvailable("null")) GTEST_SKIP() << "ALSA has no \"null\" PCM here";
    for (const WAVEFORMATEX& format : {Pcm(44100, 2, 16), Pcm(11025, 1, 8)}) {
        std::unique_ptr<CWaveOutDevice> opened;
        ASSERT_EQ(OpenAlsaWaveOut("null", format, &opened), MMSYSERR_NOERROR);
        HWAVEOUT device = opened.release();
        TBuffers buffers(3, format.nBlockAlign * 512u);
        buffers.QueueAll(device);
        const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
        while (buffers.States() != "ddd" && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(buffers.States(), "ddd");
        EXPECT_EQ(Position(device, TIME_BYTES), 3u * format.nBlockAlign * 512u);
        EXPECT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
        TBuffers more(1, format.nBlockAlign * 512u);
        more.QueueAll(device);
        EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
        EXPECT_EQ(more.States(), "d");
        EXPECT_EQ(Position(device, TIME_BYTES), 0u);
        EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    }
    WAVEFORMATEX compressed = Pcm(44100, 2, 16);
    compressed.wFormatTag = WAVE_FORMAT_GSM610;
    std::unique_ptr<CWaveOutDevice> none;
    EXPECT_EQ(OpenAlsaWaveOut("null", compressed, &none), WAVERR_BADFORMAT);
    EXPECT_EQ(OpenAlsaWaveOut("no-such-pcm-anywhere", Pcm(44100, 2, 16), &none), MMSYSERR_NODRIVER);
}

}  // namespace
