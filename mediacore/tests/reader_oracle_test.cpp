// The reader over songs made by the ffmpeg program: what both interfaces
// decode against the program's own decode, the order of the pushing
// reader's callbacks, its user clock, Stop, Pause, Resume and Close from
// inside and around callbacks, and where Start and SetRange land.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "mediacore/tests/media_test_helpers.h"
#include "mediacore/tests/mediacore_module.h"
#include "mediacore/tests/reader_recorder.h"
#include "mediacore/tests/watchdog.h"
#include "mediacore/tests/wma_fixture.h"

namespace {

using namespace std::chrono_literals;
using mediatest::CReaderRecorder;
using mediatest::CWatchdog;
using mediatest::TMediaModule;
using mediatest::TOwned;
using mediatest::TReaderEvent;
using mediatest::TWmaSpec;

constexpr QWORD kMs = 10000;  // 100-nanosecond units in a millisecond
constexpr double kSongSeconds = 1.5;

const TWmaSpec kSongs[] = {
    {"wmav2", 44100, 2, 128}, {"wmav1", 44100, 1, 64},  {"wmav2", 48000, 1, 64},
    {"wmav1", 48000, 2, 128}, {"wmav2", 22050, 2, 32}, {"wmav1", 22050, 1, 32},
};

// Each song is made when a test first asks for it, once for the whole program.
class ReaderOracle : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (mediatest::HaveFfmpeg()) dir_ = new testsupport::TempDir();
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
        paths_.clear();
    }
    void SetUp() override {
        if (dir_ == nullptr) GTEST_SKIP() << "ffmpeg and ffprobe are needed";
        ASSERT_NE(module_.handle, nullptr);
    }
    static std::string Song(const TWmaSpec& spec) {
        std::string& path = paths_[mediatest::SpecName(spec)];
        if (path.empty()) path = mediatest::MakeWma(*dir_, spec, kSongSeconds);
        return path;
    }
    static std::string CdSong() { return Song(kSongs[0]); }

    struct TAsyncReader {
        TOwned<IWMReader> reader;
        TOwned<IWMReaderAdvanced2> advanced;
    };
    TAsyncReader NewAsyncReader() {
        IWMReaderAdvanced2* advanced = nullptr;
        IWMReader* reader = NewReader(&advanced);
        return TAsyncReader{TOwned<IWMReader>(reader), TOwned<IWMReaderAdvanced2>(advanced)};
    }
    // A new reader; its advanced interface in *advanced.
    IWMReader* NewReader(IWMReaderAdvanced2** advanced) {
        IWMReader* reader = nullptr;
        EXPECT_EQ(module_.WMCreateReader(nullptr, 0, &reader, advanced), S_OK);
        return reader;
    }
    IWMSyncReader* NewSyncReader(const std::string& path) {
        IWMReader* reader = NewReader(nullptr);
        IWMSyncReader* sync = nullptr;
        EXPECT_EQ(reader->QueryInterface(IID_IWMSyncReader, reinterpret_cast<void**>(&sync)), S_OK);
        reader->Release();
        const std::u16string wide = mediatest::Wide(path);
        EXPECT_EQ(sync->Open(wide.c_str()), S_OK);
        return sync;
    }
    // Opens the song in the pushing reader and waits for its status.
    static void OpenAndWait(IWMReader* reader, CReaderRecorder& recorder, const std::string& path) {
        const std::u16string wide = mediatest::Wide(path);
        ASSERT_EQ(reader->Open(wide.c_str(), &recorder, nullptr), S_OK);
        ASSERT_TRUE(recorder.WaitForStatus(WMT_OPENED));
    }

    TMediaModule module_;
    static testsupport::TempDir* dir_;
    static std::map<std::string, std::string> paths_;
};

testsupport::TempDir* ReaderOracle::dir_ = nullptr;
std::map<std::string, std::string> ReaderOracle::paths_;

struct TPulled {
    std::vector<std::int16_t> pcm;
    std::vector<std::pair<QWORD, QWORD>> spans;  // time, duration
};

TPulled PullAll(IWMSyncReader* sync) {
    TPulled out;
    const HRESULT end = mediatest::PullSamples(sync, [&](const BYTE* bytes, DWORD length, QWORD time, QWORD duration) {
        const auto* samples = reinterpret_cast<const std::int16_t*>(bytes);
        out.pcm.insert(out.pcm.end(), samples, samples + length / 2);
        out.spans.emplace_back(time, duration);
    });
    EXPECT_EQ(end, NS_E_NO_MORE_SAMPLES);
    return out;
}

// The largest difference between got and reference[offset...]; INT_MAX when
// got runs past the reference.
int MaxDifference(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& reference,
                  std::size_t offset = 0) {
    if (offset + got.size() > reference.size()) return INT32_MAX;
    int worst = 0;
    for (std::size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::abs(got[i] - reference[offset + i]));
    return worst;
}

WAVEFORMATEX OutputFormat(IWMReader* reader) {
    IWMOutputMediaProps* props = nullptr;
    EXPECT_EQ(reader->GetOutputProps(0, &props), S_OK);
    if (props == nullptr) return WAVEFORMATEX{};
    DWORD size = 0;
    EXPECT_EQ(props->GetMediaType(nullptr, &size), S_OK);
    std::vector<std::uint64_t> room((size + 7) / 8);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(room.data());
    EXPECT_EQ(props->GetMediaType(type, &size), S_OK);
    EXPECT_TRUE(type->majortype == WMMEDIATYPE_Audio);
    EXPECT_TRUE(type->subtype == WMMEDIASUBTYPE_PCM);
    EXPECT_TRUE(type->formattype == WMFORMAT_WaveFormatEx);
    EXPECT_EQ(type->cbFormat, 18u);
    const WAVEFORMATEX format = mediatest::WaveFormatOf(props);
    props->Release();
    return format;
}

std::vector<std::int16_t> SamplePcm(const std::vector<TReaderEvent>& events) {
    std::vector<std::int16_t> pcm;
    for (const TReaderEvent& e : events) {
        if (e.kind == TReaderEvent::Sample) pcm.insert(pcm.end(), e.pcm.begin(), e.pcm.end());
    }
    return pcm;
}

TEST_F(ReaderOracle, BothInterfacesGiveTheProgramsDecode) {
    for (const TWmaSpec& spec : kSongs) {
        SCOPED_TRACE(mediatest::SpecName(spec));
        CWatchdog watchdog(testsupport::kHangLimit, "decoding " + mediatest::SpecName(spec));
        const std::string path = Song(spec);
        ASSERT_FALSE(path.empty());
        const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(path);
        ASSERT_FALSE(reference.empty());

        IWMSyncReader* sync = NewSyncReader(path);
        const TPulled pulled = PullAll(sync);
        EXPECT_EQ(pulled.pcm.size(), reference.size());
        EXPECT_LE(MaxDifference(pulled.pcm, reference), 1);
        // The samples follow one another without gaps or overlaps.
        for (std::size_t i = 1; i < pulled.spans.size(); ++i) {
            EXPECT_EQ(pulled.spans[i].first, pulled.spans[i - 1].first + pulled.spans[i - 1].second);
        }
        EXPECT_EQ(sync->Close(), S_OK);
        sync->Release();

        CReaderRecorder recorder;
        TOwned<IWMReader> owned(NewReader(nullptr));
        IWMReader* reader = owned.get();
        OpenAndWait(reader, recorder, path);
        DWORD outputs = 0;
        EXPECT_EQ(reader->GetOutputCount(&outputs), S_OK);
        EXPECT_EQ(outputs, 1u);
        const WAVEFORMATEX format = OutputFormat(reader);
        EXPECT_EQ(format.wFormatTag, 1);
        EXPECT_EQ(format.nSamplesPerSec, static_cast<DWORD>(spec.rate));
        EXPECT_EQ(format.nChannels, spec.channels);
        EXPECT_EQ(format.wBitsPerSample, 16);
        EXPECT_EQ(format.nBlockAlign, 2 * spec.channels);
        ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
        ASSERT_TRUE(recorder.WaitForStatus(WMT_END_OF_FILE));
        const std::vector<std::int16_t> pushed = SamplePcm(recorder.Events());
        EXPECT_EQ(pushed.size(), reference.size());
        EXPECT_LE(MaxDifference(pushed, reference), 1);
    }
}

TEST_F(ReaderOracle, StatusOrderOfAWholeSong) {
    CWatchdog watchdog(testsupport::kHangLimit, "a whole song");
    CReaderRecorder recorder;
    TAsyncReader owned = NewAsyncReader();
    IWMReader* reader = owned.reader.get();
    IWMReaderAdvanced2* advanced = owned.advanced.get();
    ASSERT_NE(advanced, nullptr);
    OpenAndWait(reader, recorder, CdSong());
    ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_END_OF_FILE));
    ASSERT_EQ(reader->Close(), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_CLOSED));
    owned = TAsyncReader{};  // joins the delivery thread: nothing can come after this

    const std::vector<TReaderEvent> events = recorder.Events();
    std::vector<WMT_STATUS> statuses;
    std::size_t samples = 0;
    for (const TReaderEvent& e : events) {
        if (e.kind == TReaderEvent::Status) {
            statuses.push_back(e.status);
            EXPECT_EQ(e.result, S_OK) << e.status;
        } else if (e.kind == TReaderEvent::Sample) {
            ++samples;
            // Samples come only between the start and the end of the file.
            EXPECT_EQ(statuses, (std::vector<WMT_STATUS>{WMT_OPENED, WMT_STARTED}));
        }
    }
    EXPECT_GT(samples, 10u);
    EXPECT_EQ(statuses, (std::vector<WMT_STATUS>{WMT_OPENED, WMT_STARTED, WMT_END_OF_FILE, WMT_CLOSED}));
    EXPECT_EQ(events.back().status, WMT_CLOSED);
    EXPECT_EQ(recorder.References(), 0);
}

TEST_F(ReaderOracle, UserClockLetsOnlyEarlierSamplesThroughThenTicks) {
    CWatchdog watchdog(testsupport::kHangLimit, "the user clock");
    constexpr QWORD kStep = 200 * kMs;
    CReaderRecorder recorder;
    TAsyncReader owned = NewAsyncReader();
    IWMReader* reader = owned.reader.get();
    IWMReaderAdvanced2* advanced = owned.advanced.get();
    std::atomic<QWORD> clock{0};
    std::atomic<int> early{0};
    std::atomic<bool> chain{true};
    // The clock moves on from inside OnTime, as the sound engine moves it.
    recorder.onEvent = [&](const TReaderEvent& e) {
        if (e.kind == TReaderEvent::Status && e.status == WMT_STARTED) {
            clock = kStep;
            EXPECT_EQ(advanced->DeliverTime(kStep), S_OK);
        } else if (e.kind == TReaderEvent::Sample && e.time >= clock) {
            ++early;
        } else if (e.kind == TReaderEvent::Time && chain) {
            clock = e.time + kStep;
            EXPECT_EQ(advanced->DeliverTime(e.time + kStep), S_OK);
        }
    };
    OpenAndWait(reader, recorder, CdSong());
    ASSERT_EQ(advanced->SetUserProvidedClock(1), S_OK);
    ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_END_OF_FILE));
    chain = false;
    EXPECT_EQ(early, 0);

    // Each tick comes after every sample before it and before every later one.
    const std::vector<TReaderEvent> events = recorder.Events();
    std::vector<QWORD> ticks;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind != TReaderEvent::Time) continue;
        ticks.push_back(events[i].time);
        for (std::size_t j = 0; j < events.size(); ++j) {
            if (events[j].kind != TReaderEvent::Sample) continue;
            if (j < i) {
                EXPECT_LT(events[j].time, events[i].time);
            } else {
                EXPECT_GE(events[j].time, events[i].time);
            }
        }
    }
    EXPECT_GE(ticks.size(), 7u);
    EXPECT_TRUE(std::is_sorted(ticks.begin(), ticks.end()));
    EXPECT_EQ(SamplePcm(events).size(), mediatest::FfmpegDecode(CdSong()).size());

    // A clock that is not moved on holds the reader where it stands.
    const std::size_t before = recorder.Count();
    ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_STARTED, before));
    ASSERT_TRUE(recorder.WaitForEvents(before + 1));
    std::this_thread::sleep_for(100ms);
    const std::vector<TReaderEvent> held = recorder.Events();
    for (std::size_t i = before; i < held.size(); ++i) {
        if (held[i].kind == TReaderEvent::Sample) {
            EXPECT_LT(held[i].time, kStep);
        }
    }
}

TEST_F(ReaderOracle, StopPauseAndDeliverTimeReturnUnderTheCallersLock) {
    CWatchdog watchdog(testsupport::kHangLimit, "calls under the caller's lock");
    CReaderRecorder recorder;
    TAsyncReader owned = NewAsyncReader();
    IWMReader* reader = owned.reader.get();
    IWMReaderAdvanced2* advanced = owned.advanced.get();
    // The sound engine's OnSample takes the lock under which it calls Stop.
    std::mutex engineLock;
    std::atomic<bool> inOnSample{false};
    recorder.onEvent = [&](const TReaderEvent& e) {
        if (e.kind != TReaderEvent::Sample) return;
        inOnSample = true;
        std::lock_guard<std::mutex> guard(engineLock);
    };
    OpenAndWait(reader, recorder, CdSong());
    ASSERT_EQ(advanced->SetUserProvidedClock(1), S_OK);
    ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_STARTED));
    std::size_t stoppedAt = 0;
    {
        std::lock_guard<std::mutex> guard(engineLock);
        EXPECT_EQ(advanced->DeliverTime(1000 * kMs), S_OK);
        // Until the delivery thread is blocked in OnSample.
        while (!inOnSample) std::this_thread::yield();
        EXPECT_EQ(reader->Pause(), S_OK);
        EXPECT_EQ(reader->Resume(), S_OK);
        EXPECT_EQ(reader->Stop(), S_OK);
        stoppedAt = recorder.Count();
    }
    ASSERT_TRUE(recorder.WaitForStatus(WMT_STOPPED, stoppedAt));
    owned = TAsyncReader{};
    // At most the sample that was being handed over when Stop came.
    const std::vector<TReaderEvent> events = recorder.Events();
    EXPECT_LE(events.size(), stoppedAt + 2);
    EXPECT_EQ(events.back().status, WMT_STOPPED);
}

TEST_F(ReaderOracle, PauseHoldsAndResumeGoesOn) {
    CWatchdog watchdog(testsupport::kHangLimit, "pause and resume");
    CReaderRecorder recorder;
    TOwned<IWMReader> owned(NewReader(nullptr));
    IWMReader* reader = owned.get();
    std::atomic<int> samples{0};
    recorder.onEvent = [&](const TReaderEvent& e) {
        if (e.kind == TReaderEvent::Sample && ++samples == 3) {
            EXPECT_EQ(reader->Pause(), S_OK);
        }
    };
    OpenAndWait(reader, recorder, CdSong());
    ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitForEvents(5));  // opened, started, three samples
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(samples, 3);
    EXPECT_EQ(recorder.Count(), 5u);
    ASSERT_EQ(reader->Resume(), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_END_OF_FILE));
    EXPECT_EQ(SamplePcm(recorder.Events()).size(), mediatest::FfmpegDecode(CdSong()).size());
}

TEST_F(ReaderOracle, CloseInsideDeliveryEndsItAtOnce) {
    CWatchdog watchdog(testsupport::kHangLimit, "close inside a callback");
    CReaderRecorder recorder;
    TOwned<IWMReader> owned(NewReader(nullptr));
    IWMReader* reader = owned.get();
    std::atomic<int> samples{0};
    std::atomic<HRESULT> closed{E_FAIL};
    recorder.onEvent = [&](const TReaderEvent& e) {
        if (e.kind == TReaderEvent::Sample && ++samples == 3) closed = reader->Close();
    };
    OpenAndWait(reader, recorder, CdSong());
    ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_CLOSED));
    EXPECT_EQ(closed, S_OK);
    owned.reset();
    const std::vector<TReaderEvent> events = recorder.Events();
    ASSERT_EQ(events.size(), 6u);  // opened, started, three samples, closed
    EXPECT_EQ(events[5].status, WMT_CLOSED);
    EXPECT_EQ(recorder.References(), 0);
}

TEST_F(ReaderOracle, TheLastReleaseMayComeInsideACallback) {
    // As the sound engine may drop its reader when the close is reported,
    // or in the middle of the song.
    const struct {
        const char* where;
        TReaderEvent::EKind kind;
        WMT_STATUS status;
    } places[] = {{"on closing", TReaderEvent::Status, WMT_CLOSED}, {"in a sample", TReaderEvent::Sample, WMT_ERROR}};
    for (const auto& place : places) {
        SCOPED_TRACE(place.where);
        CWatchdog watchdog(testsupport::kHangLimit, std::string("the last release ") + place.where);
        CReaderRecorder recorder;
        IWMReader* reader = NewReader(nullptr);
        std::atomic<bool> released{false};
        recorder.onEvent = [&](const TReaderEvent& e) {
            if (e.kind == place.kind && (e.kind != TReaderEvent::Status || e.status == place.status) &&
                !released.exchange(true)) {
                EXPECT_EQ(reader->Release(), 0u);
            }
        };
        OpenAndWait(reader, recorder, CdSong());
        ASSERT_EQ(reader->Start(0, 0, 1.0f, nullptr), S_OK);
        if (place.kind == TReaderEvent::Status) {
            ASSERT_TRUE(recorder.WaitForStatus(WMT_END_OF_FILE));
            ASSERT_EQ(reader->Close(), S_OK);
        }
        // The thread finishes on its own and gives back the callback.
        const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
        while (recorder.References() != 0 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(5ms);
        EXPECT_TRUE(released);
        EXPECT_EQ(recorder.References(), 0);
        std::this_thread::sleep_for(20ms);  // the thread's last steps touch only what it holds
    }
}

// Seek targets over the song, in a jumbled order, and one past its end.
const QWORD kTargets[] = {0, 250 * kMs, 1000 * kMs, 333 * kMs, 1234 * kMs, 47 * kMs, 5000 * kMs};

// The first sample after a seek: at or before the target and reaching past
// it, holding what a decode from the start holds there.
void ExpectLanding(QWORD target, QWORD time, QWORD duration, const std::vector<std::int16_t>& pcm,
                   const std::vector<std::int16_t>& reference, const WAVEFORMATEX& format) {
    EXPECT_LE(time, target);
    EXPECT_GT(time + duration, target);
    // Times are whole 100-ns units cut from sample positions; the nearest
    // sample is the one meant.
    const std::size_t offset =
        static_cast<std::size_t>((time * format.nSamplesPerSec + 5000000) / 10000000) * format.nChannels;
    EXPECT_LE(MaxDifference(pcm, reference, offset), 1);
}

TEST_F(ReaderOracle, StartLandsAtOrBeforeEachTarget) {
    CWatchdog watchdog(testsupport::kHangLimit, "starts over a table of times");
    const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(CdSong());
    CReaderRecorder recorder;
    TAsyncReader owned = NewAsyncReader();
    IWMReader* reader = owned.reader.get();
    IWMReaderAdvanced2* advanced = owned.advanced.get();
    recorder.onEvent = [&](const TReaderEvent& e) {
        if (e.kind == TReaderEvent::Status && e.status == WMT_STARTED) advanced->DeliverTime(QWORD{1} << 62);
    };
    OpenAndWait(reader, recorder, CdSong());
    const WAVEFORMATEX format = OutputFormat(reader);
    ASSERT_EQ(advanced->SetUserProvidedClock(1), S_OK);
    for (QWORD target : kTargets) {
        SCOPED_TRACE(target);
        const std::size_t from = recorder.Count();
        // Each Start seeks, whether the song ran out or not.
        ASSERT_EQ(reader->Start(target, 0, 1.0f, nullptr), S_OK);
        ASSERT_TRUE(recorder.WaitForStatus(WMT_END_OF_FILE, from));
        const std::vector<TReaderEvent> events = recorder.Events();
        // The clock tick owed by the run before may come first.
        std::size_t started = from;
        while (started < events.size() && events[started].kind != TReaderEvent::Status) ++started;
        ASSERT_LT(started + 1, events.size());
        ASSERT_EQ(events[started].status, WMT_STARTED);
        const TReaderEvent& first = events[started + 1];
        if (target >= 1600 * kMs) {
            EXPECT_EQ(first.status, WMT_END_OF_FILE);
            continue;
        }
        ASSERT_EQ(first.kind, TReaderEvent::Sample);
        ExpectLanding(target, first.time, first.duration, first.pcm, reference, format);
    }

    // A run with a duration ends before its end.
    const std::size_t from = recorder.Count();
    ASSERT_EQ(reader->Start(250 * kMs, 300 * kMs, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_END_OF_FILE, from));
    const std::vector<TReaderEvent> events = recorder.Events();
    QWORD last = 0;
    for (std::size_t i = from; i < events.size(); ++i) {
        if (events[i].kind == TReaderEvent::Sample) last = events[i].time;
    }
    EXPECT_LT(last, 550 * kMs);
    EXPECT_GT(last, 450 * kMs);
}

TEST_F(ReaderOracle, SetRangeLandsAtOrBeforeEachTargetAndEndsBeforeItsEnd) {
    CWatchdog watchdog(testsupport::kHangLimit, "ranges over a table of times");
    const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(CdSong());
    IWMSyncReader* sync = NewSyncReader(CdSong());
    IWMReader* reader = nullptr;
    ASSERT_EQ(sync->QueryInterface(IID_IWMReader, reinterpret_cast<void**>(&reader)), S_OK);
    const WAVEFORMATEX format = OutputFormat(reader);
    reader->Release();
    constexpr QWORD kLength = 300 * kMs;
    for (QWORD target : kTargets) {
        SCOPED_TRACE(target);
        ASSERT_EQ(sync->SetRange(target, static_cast<std::int64_t>(kLength)), S_OK);
        const TPulled pulled = PullAll(sync);
        if (target >= 1600 * kMs) {
            EXPECT_TRUE(pulled.spans.empty());
            continue;
        }
        ASSERT_FALSE(pulled.spans.empty());
        ExpectLanding(target, pulled.spans.front().first, pulled.spans.front().second, pulled.pcm, reference, format);
        EXPECT_LT(pulled.spans.back().first, target + kLength);
    }
    EXPECT_EQ(sync->SetRange(0, -1), E_INVALIDARG);
    sync->Release();
}

TEST_F(ReaderOracle, OneFileAtATimeThroughEitherInterface) {
    CWatchdog watchdog(testsupport::kHangLimit, "one file at a time");
    CReaderRecorder recorder;
    IWMSyncReader* sync = NewSyncReader(CdSong());
    TOwned<IWMReader> reader;
    {
        IWMReader* raw = nullptr;
        ASSERT_EQ(sync->QueryInterface(IID_IWMReader, reinterpret_cast<void**>(&raw)), S_OK);
        reader.reset(raw);
    }
    const std::u16string wide = mediatest::Wide(CdSong());
    EXPECT_EQ(reader->Open(wide.c_str(), &recorder, nullptr), NS_E_INVALID_REQUEST);
    EXPECT_EQ(sync->Open(wide.c_str()), NS_E_INVALID_REQUEST);
    // Close ends the pulling reader's file at once, without a callback.
    EXPECT_EQ(sync->Close(), S_OK);
    OpenAndWait(reader.get(), recorder, CdSong());
    EXPECT_EQ(sync->Open(wide.c_str()), NS_E_INVALID_REQUEST);
    ASSERT_EQ(reader->Close(), S_OK);
    ASSERT_TRUE(recorder.WaitForStatus(WMT_CLOSED));
    EXPECT_EQ(sync->Open(wide.c_str()), S_OK);
    sync->Release();
}

TEST_F(ReaderOracle, HeaderInformationOfTheOpenSong) {
    IWMSyncReader* sync = NewSyncReader(CdSong());
    IWMHeaderInfo* info = nullptr;
    ASSERT_EQ(sync->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void**>(&info)), S_OK);
    WORD count = 0;
    ASSERT_EQ(info->GetAttributeCount(0, &count), S_OK);
    ASSERT_GE(count, 2);
    WORD stream = 0, nameLength = 32, valueLength = 8;
    WCHAR name[32];
    QWORD duration = 0;
    WMT_ATTR_DATATYPE type{};
    ASSERT_EQ(info->GetAttributeByIndex(0, &stream, name, &nameLength, &type, reinterpret_cast<BYTE*>(&duration),
                                        &valueLength),
              S_OK);
    EXPECT_EQ(std::u16string(name), u"Duration");
    EXPECT_EQ(type, WMT_TYPE_QWORD);
    EXPECT_NEAR(static_cast<double>(duration) / 1e7, kSongSeconds, 0.1);
    info->Release();
    sync->Release();
}

}  // namespace
