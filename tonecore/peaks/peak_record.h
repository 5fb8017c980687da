#pragma once
// The peak record that copies of one CPeaks share: the peaks (or a window of
// them), the facts derived from them and the cache file that holds them.
//
// The record is shared between threads: the reload thread fills it while
// sound objects read it. Reference and conserve counts are atomic; the
// buffer and the fields that a load replaces are swapped under swapLock,
// and `loaded` is set last, so a reader that sees it set sees the peaks.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The facts a peaks file keeps behind its peaks, in the file's order.
struct TPeakFacts {
    std::int32_t maxLeft = 0;    // largest left-channel sample
    std::int32_t maxRight = 0;   // largest right-channel sample
    std::int32_t trimStart = 0;  // ms: the first peak above the silence threshold
    std::int32_t trimEnd = 0;    // ms: the last such peak
    std::int32_t totalSilence = 0;
    std::int32_t badFrames = 0;
    std::int32_t nonCDQualityFrames = 0;
};

struct TPeakRecord {
    TPeakRecord() = default;
    TPeakRecord(const TPeakRecord&) = delete;
    TPeakRecord& operator=(const TPeakRecord&) = delete;
    // Waits for a reload that still runs (the reload thread never holds a
    // reference, so the last sharer's thread is the one that joins it), then
    // deletes the file of a rate display (path ending in "grd").
    ~TPeakRecord();

    std::int32_t length = 0;  // ms
    std::atomic<std::int32_t> references{0};
    std::uint32_t msPerPeak = 0;
    std::uint32_t numPeaks = 0;
    std::uint32_t bufferedPeaks = 0;
    std::unique_ptr<std::uint8_t[]> buffer;
    double fractionalAmps = 0.0;
    std::int32_t wroteToDisk = 0;
    // The cache file that holds the peaks; empty when none.
    std::string path;
    std::atomic<std::int32_t> conserveCount{0};
    std::atomic<std::int32_t> loaded{0};
    std::atomic<std::int32_t> reloading{0};
    std::int32_t soundFound = 0;
    std::int32_t trimEndFixed = 0;
    std::int32_t partialSong = 0;
    // -1: the number of peaks is not known yet; 0: every peak is in the
    // buffer; 1: the buffer holds a window and the peaks live in the file.
    std::int32_t streaming = -1;
    // Maxima, trim points, total silence, bad and non-CD-quality frames.
    TPeakFacts facts;

    // Guards the fields above against a load that replaces them.
    mutable std::mutex swapLock;
    // The reload thread; guarded by threadLock, joined before another starts
    // and when the record goes.
    std::thread reloadThread;
    std::mutex threadLock;
};

// The streaming values.
inline constexpr std::int32_t kPeaksCountUnknown = -1;
inline constexpr std::int32_t kPeaksAllBuffered = 0;
inline constexpr std::int32_t kPeaksInFile = 1;

// Takes one sharer's agreement to free the buffer back; the count never
// falls below 0 (a resize clears it while agreements are out).
inline void WithdrawConserveClaim(TPeakRecord& record) {
    std::int32_t claims = record.conserveCount.load();
    while (claims > 0 && !record.conserveCount.compare_exchange_weak(claims, claims - 1)) {
    }
}
