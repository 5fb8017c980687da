#pragma once
// A scripted drive for the tests of the program's burning and ripping logic.
// Statuses, speeds, capacity, write results and the events of each write are
// set by the test; each write's block is kept (its paths copied) for the
// test to inspect; on the fly it pulls the program's audio like a drive.
// Rips read a scripted table of contents whose sectors hold a known pattern.

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platter/clock.h"
#include "platter/device.h"
#include "platter/disc_toc.h"

struct TFakeTimedEvent {
    std::int64_t afterMs = 0;  // pause before the event, on the clock
    std::int32_t code = 0;
    std::int32_t track = 0;
    std::int32_t blocks = 0;
};

struct TFakeWrite {
    std::int32_t result = 0;
    std::string errorText;
    std::vector<TFakeTimedEvent> events;
    // Audio the write pulls on the fly before its events end; -1 all of it.
    std::int64_t pullBytes = -1;
};

// What a write was given: the block (its track path pointers nulled, since
// the program's strings do not outlive the call) with the paths copied into
// paths, the cue sheet's text, and the audio pulled on the fly.
struct TFakeWriteRecord {
    TWriteDiscParams block;
    std::vector<std::string> paths;
    std::string cueSheet;
    std::vector<std::uint8_t> audio;
};

class PLATTER_CFakeDevice final : public PLATTER_CDevice {
public:
    explicit PLATTER_CFakeDevice(IPlatterClock* clock = nullptr);

    void AbortExtraction() override { abortExtraction_.store(true); ++abortExtractionCalls; }
    bool Eject() override;
    void RefreshStatus() override;
    bool ExtractTrack(TExtractParams* params) override;
    bool ReadDeviceInfo() override;
    void AbortWrite() override { abortWrite_.store(true); ++abortWriteCalls; }
    std::int32_t GetCapacity(std::int32_t /*kind*/) override { return capacityMs.load(); }
    bool IsDiscReady() override;
    std::int32_t WriteDisc(const TWriteDiscParams* params) override;

    // Statuses the next refreshes report, in turn; the last one stays.
    void ScriptStatuses(std::vector<std::int32_t> statuses);
    // Write results and events for the next writes, in turn; once they run
    // out a write succeeds with no events.
    void ScriptWrite(TFakeWrite write);
    void SetSpeeds(std::vector<std::int32_t> speedsX, std::int32_t engine) { SetWriteSpeeds(std::move(speedsX), engine); }
    void SetIdentityText(const char* vendorText, const char* productText) { SetIdentity(vendorText, productText, "1"); }
    // The disc the rips read; ReadDeviceInfo fills the tables from it.
    void ScriptDisc(TDiscToc toc);
    // Sectors that cannot be read, and an extraction failure for the next
    // rip (code 0: none).
    void ScriptBadSectors(std::set<std::int32_t> lsns) { badSectors_ = std::move(lsns); }
    void ScriptExtractFailure(std::int32_t code, std::string text);
    // The byte the fake disc holds at offset i of sector lsn.
    static std::uint8_t PatternByte(std::int32_t lsn, std::int32_t i);

    std::vector<TFakeWriteRecord> Writes() const;

    std::atomic<std::int32_t> capacityMs{74 * 60 * 1000};
    // ReadDeviceInfo leaves correctionNotNeeded 0.
    std::atomic<bool> lengthsNeedCorrection{false};
    std::atomic<int> ejectCalls{0};
    std::atomic<int> abortWriteCalls{0};
    std::atomic<int> abortExtractionCalls{0};

private:
    TFakeWrite NextWrite();
    void RunWriteScript(const TFakeWrite& script, const TWriteDiscParams& block, TFakeWriteRecord& record);

    IPlatterClock* clock_;
    mutable std::mutex lock_;
    std::deque<std::int32_t> statuses_;
    std::deque<TFakeWrite> writes_;
    std::vector<TFakeWriteRecord> records_;
    TDiscToc disc_;
    bool hasDisc_ = false;
    std::set<std::int32_t> badSectors_;
    std::int32_t extractFailure_ = 0;
    std::string extractFailureText_;
    std::atomic<bool> abortExtraction_{false};
    std::atomic<bool> abortWrite_{false};
};
