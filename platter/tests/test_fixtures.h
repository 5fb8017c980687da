#pragma once
// Helpers the platter tests share: a clock that moves on when slept, CD
// audio and WAV files made in the test, recorders for the burn and rip
// callbacks, and a write block builder.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platter/clock.h"
#include "platter/types.h"
#include "testsupport/hang_limit.h"

namespace platter_test {

// Time moves only when someone sleeps on it.
class CFakeClock final : public IPlatterClock {
public:
    std::int64_t NowMs() override { return now_.load(); }
    void SleepMs(std::int64_t ms) override {
        if (ms > 0) now_.fetch_add(ms);
        sleeps_.fetch_add(1);
    }
    std::int64_t Sleeps() const { return sleeps_.load(); }

private:
    std::atomic<std::int64_t> now_{1000};
    std::atomic<std::int64_t> sleeps_{0};
};

// CD audio (44100 Hz, 16-bit stereo, little-endian) with a different tone
// per seed, frames sample frames long.
std::string MakePcm(std::int64_t frames, int seed);
// A WAV file holding pcm, with the given format fields.
std::string WaveBytes(const std::string& pcm, std::uint16_t tag = 1, std::uint16_t channels = 2,
                      std::uint32_t rate = 44100, std::uint16_t bits = 16);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// A CD-format WAV file whose data chunk claims dataBytes of silence without
// storing them (a sparse file), for long layouts that are never read.
void WriteSparseWave(const std::string& path, std::int64_t dataBytes);

// Everything the program's callbacks receive during a write.
struct TBurnRecorder {
    std::mutex lock;
    std::vector<TBurnEvent> events;
    std::vector<std::int64_t> eventTimes;  // the clock's time at each event
    std::set<std::thread::id> eventThreads;
    std::set<std::thread::id> renderThreads;
    IPlatterClock* clock = nullptr;
    std::vector<std::int32_t> Codes();

    // On the fly: the audio the program renders into the sink.
    std::string render;
    std::size_t renderPiece = 10000;  // bytes handed to the sink at a time
    std::atomic<bool> renderStopped{false};
    // What the audio callback returns: the tracks it placed, 0 on failure.
    std::int32_t renderResult = 1;
    // The track paths a built block points at (a deque never moves them).
    std::deque<std::string> paths;

    static std::int32_t OnEvent(void* context, TBurnEvent* event);
    static std::int32_t OnAudio(void* context, TPcmSink sink, void* sinkContext);
};

// Everything an extraction hands back.
struct TRipRecorder {
    std::vector<TExtractEvent> events;
    std::string data;
    std::vector<std::int32_t> counts;
    // Called with the recorder after each data block, to abort mid-track.
    std::function<void(TRipRecorder&)> afterData;
    std::vector<std::int32_t> Codes() const;

    static std::int32_t OnEvent(void* context, TExtractEvent* event);
    static std::int32_t OnData(void* context, const void* data, std::int32_t count, std::int32_t size);
    TExtractParams Params(std::int32_t track);
};

// A write block over the given files (file type 4), with the recorder's
// callbacks and each gap after its track.
TWriteDiscParams MakeFileBlock(const std::vector<std::string>& paths, TBurnRecorder& recorder,
                               const std::vector<std::int32_t>& gapSectors = {});
// An on-the-fly block whose tracks have the given byte lengths.
TWriteDiscParams MakeStreamBlock(const std::vector<std::int32_t>& lengths, TBurnRecorder& recorder);

// Ends the test process with a message when it is still alive after limit:
// a read that never ends fails the run instead of hanging it.
class CWatchdog {
public:
    CWatchdog(std::chrono::milliseconds limit, std::string what);
    ~CWatchdog();
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

private:
    std::mutex lock_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// Runs a shell command; its output and error text together.
std::string RunTool(const std::string& command);

// 1 when the program can be run from the shell.
bool ToolOnPath(const char* tool);

}  // namespace platter_test
