#pragma once
// CBurner: the burn controller. It picks the CD writer, follows the drive's
// state while no burn runs, knows the disc's capacity and the writer's
// speeds, and turns the running burn's counters into progress and time left.
//
// Threads: the main thread polls and asks; a burn's worker and the drive
// library's thread write the state, the request and the counters. Whatever
// crosses threads is atomic; the lock (recursive: the poll asks for the
// capacity while holding it) guards the state changes, the request and the
// device queries of the poll and the capacity.

#include <array>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <functional>
#include <thread>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platter/clock.h"
#include "platter/device.h"
#include "songsmith/core/burn_status.h"
#include "songsmith/core/burn_timing.h"
#include "songsmith/core/burner_drives.h"
#include "songsmith/core/burner_host.h"
#include "songsmith/core/burner_tables.h"
#include "songsmith/core/track_loader.h"

class CPreferences;
class CRegKey;
class CTrackList;
struct TBurnEvent;

class CBurner;

// The write block's event callback; context is the controller. Always 1.
std::int32_t BurnEventCallback(void* context, TBurnEvent* event);

// The controller also answers what the main window, the CD pages, the
// session list and the track loader ask of it (its state, the capacity,
// whether a burn or a rip has the drive).
class CBurner final : public IBurnStatus, public IDriveBusy {
public:
    // Write start while no track of the running write has started.
    static constexpr std::int64_t kNoWriteStart = INT_MAX;
    // Time left shown while the speed is unknown.
    static constexpr std::int32_t kUnknownTimeLeft = 999999;

    // One burn pass, run on the worker thread.
    using TBurnPass = std::function<void(CBurner&)>;

    // clock null: the process's clock.
    CBurner(IBurnerDrives& drives, CPreferences& prefs, IBurnerHost& host, IPlatterClock* clock = nullptr,
            TBurnTiming timing = {});
    // Aborts a running burn and joins its worker.
    ~CBurner() override;
    CBurner(const CBurner&) = delete;
    CBurner& operator=(const CBurner&) = delete;

    // Picks the writer: the saved one when it is still a writer, else the
    // first writer, whose address then becomes the saved one. 1 when found.
    // Run again after the writer choice changed, it picks anew. Main thread.
    int Initialize();
    // The current state's text; false (and an empty text) for a state
    // outside the table, such as -1 after a test.
    bool GetStateText(char* out, int size) const override;
    int BurnState() const override { return state.load(); }
    // MaxMilsPerCD(false).
    int DiscCapacityMs() override;
    // A burn's worker runs or a CD page rips; from any thread.
    bool BurnOrRipRunning() override;
    // index -1: the writer; 0 or more: that writer of the drive list. Other
    // indexes leave out as it is.
    void GetWriterDescription(char* out, std::size_t size, int index, bool withRevision);
    int GetWriterByIndex(int index, char* out, std::size_t size, int* adapter, int* id, int* lun, bool withRevision);

    bool SupportsCDText() const;
    bool SupportsBurnProof() const;
    int GetMinSpeed() const;
    int GetMaxSpeed() const;
    int GetSpeedOfIndex(int number) const;
    // This burn's speed as a multiple of 1X.
    int GetWriteSpeed() const;
    int GetNumCDRBurnSpeeds() const;
    int GetCDRBurnSpeed(int index) const;
    int GetClosestSpeed(int speed) const;

    // Disc capacity in ms; asks the drive when it may.
    int MaxMilsPerCD(bool askDevice);
    // Follows the drive while no burn runs and shows a changed state.
    void PollDriveState();

    bool IsInsertDiscRequested() const { return RequestIs(1); }
    bool IsRewritableDiscRequested() const { return RequestIs(2); }
    bool IsDiscTooSmallRequested() const { return RequestIs(4); }
    void MarkRequestAnswering() { SetRequest(3); }
    void ClearRequest() { SetRequest(0); }
    // The worker's questions (1, 2 or 4) and the answers, under the lock.
    void SetRequest(int request);
    // A blank disc is in the writer (never asked while writing).
    bool IsDiscReady();
    void SetState(int state);
    int State() const { return state.load(); }

    int GetTimeRemaining();
    double GetProgress();
    int EstimateBurnTime(int lengthMs, int speed, bool convertFirst) const;

    PLATTER_CDevice* Device() const { return device_; }
    // The session whose tracks the events mark.
    void SetTrackList(CTrackList* tracks) { tracks_ = tracks; }
    // A write's progress, on the drive library's thread. Always 1.
    int OnBurnEvent(const TBurnEvent& event);
    const TBurnTiming& Timing() const { return timing_; }

    // The writer's drive settings (burner_drive_settings.cpp), one byte each
    // (0 off, 1 on). writerIndex -1 is the chosen writer, 0 or more that
    // writer of the drive list. A getter is false when the setting cannot be
    // read, a setter when it was not written. A setter remembers the value
    // from before the program's first change; RestoreDriveSettings puts the
    // remembered values back and forgets them (true when one was written).
    bool GetDriveRegistryValue(const char* name, int* out, int writerIndex);
    // The drive's own value, else the CD-ROM service's "Autorun".
    bool GetAutoInsertNotification(int* out, int writerIndex = -1);
    bool GetDisconnect(int* out, int writerIndex = -1);
    bool GetSyncDataXfer(int* out, int writerIndex = -1);
    bool GetDMACurrentlyUsed(int* out, int writerIndex = -1);
    bool GetCdromAutorun(int* out);
    bool SetDriveRegistryValue(const char* name, std::uint8_t value);
    bool SetAutoInsertNotification(std::uint8_t value);
    bool SetDisconnect(std::uint8_t value);
    bool SetSyncDataXfer(std::uint8_t value);
    bool SetDMACurrentlyUsed(std::uint8_t value);
    bool SetCdromAutorun(std::uint8_t value);
    // Keeps earlier as the value before the first change of valueName under
    // the program's key's sub-key; a value kept before stays.
    bool RememberDriveValue(const char* subKey, const char* valueName, std::uint8_t earlier);
    bool RestoreDriveSettings();

    // Logs the shut-down and aborts a running burn. Always 1.
    int Shutdown();
    // The pass the worker runs for each burn.
    void SetBurnPass(TBurnPass pass) { pass_ = std::move(pass); }
    // Starts a burn of a mode; reuses the converted files only when asked,
    // for the same mode, and when they are complete.
    bool StartBurn(int burnMode, int reuse);
    // Stops the write in the drive and the worker; waits for it at most
    // the stop interval. Always 1.
    int AbortBurn();
    // False when a worker still runs or none could be made.
    bool StartBurnThread();
    // Asks the worker to stop and waits at most the stop interval; a worker
    // that stopped is joined.
    void StopBurnThread();
    // The worker's wait: at most ms, ended early by an abort or by the
    // request differing from seenRequest, the value the caller last read
    // (-1: the value at the call). False once aborted.
    bool WaitFor(int ms, int seenRequest = -1);

    // Fields in the order the rest of the program knows them. Whatever
    // another thread reads or writes is atomic; the lock guards the state
    // changes, the request and the device queries of the poll and the
    // capacity. The rendering's track file, its byte and render counters
    // and the sound group belong to the session rendering.
    int initialised = 0;
    std::atomic<bool> reuseConverted{false};
    // Tracks the last preparation produced (0: it failed).
    std::atomic<int> lastPreparationResult{0};
    std::atomic<int> mode{0};
    std::atomic<int> state{kBurnStateNoDisc};
    int shownState = -1;
    std::atomic<int> writePhase{0};
    std::atomic<int> copies{1};
    std::atomic<int> copyIndex{0};
    std::atomic<int> request{0};
    std::atomic<std::int64_t> writeStart{kNoWriteStart};
    std::atomic<std::int64_t> conversionStart{0};
    std::atomic<int> errorIndex{0};
    // The drive library's last error text; the worker writes it before it
    // reports the burn's end, the window reads it after.
    std::array<char, 2048> errorText{};
    // The running pass is a test (no laser writing).
    std::atomic<bool> test{false};
    std::atomic<bool> burnProofInUse{false};
    std::atomic<bool> checkingGate{false};
    std::atomic<bool> conversionComplete{false};
    std::atomic<int> preparedTracks{0};
    std::atomic<int> currentTrack{-1};
    std::atomic<int> msConverted{0};
    std::atomic<int> msToConvert{0};
    std::atomic<int> totalBurnLength{0};
    std::atomic<int> msWritten{0};
    // Written by the worker before the write, read by the write's events.
    std::array<int, 100> trackEnds{};
    std::array<int, 99> trackLengths{};
    std::atomic<int> storedCapacity{kBurnDefaultCapacityMs};
    std::atomic<bool> writing{false};
    std::atomic<bool> measuredSpeedValid{false};
    std::atomic<double> measuredSpeed{0.0};
    std::atomic<bool> allowRewritable{false};

private:
    // Changed only by Initialize, on the main thread while no burn runs.
    // The writer's CD page is the host's to look up and ask.
    PLATTER_CDevice* device_ = nullptr;

public:
    std::atomic<bool> threadRunning{false};

private:
    std::thread worker_;

public:
    std::atomic<bool> abort{false};

private:
    mutable std::recursive_mutex lock_;

public:
    // A disc was burnt in this run (the Burn dialog reads it).
    std::atomic<bool> discBurntThisRun{false};

private:
    bool RequestIs(int value) const;
    bool ZentEngine() { return drives_.Engine() == 1; }
    PLATTER_CDevice* FirstWriter();
    void KeepWriterAddress(const PLATTER_CDevice& writer);
    void LogWriter();
    // The drive's media status, read again when the first refresh left 0.
    int RefreshMediaStatus();
    bool BlankDiscReady();
    int NextIdleState(int current, int status, bool blank) const;
    void ShowState(int newState);
    double CurrentSpeed() const;
    std::int64_t Now() { return clock_->NowMs(); }
    void RunWorker();
    void ShowWriting();
    void MarkTrack(int writingState, int testState);
    void OnTrackStart();
    void OnTrackEnd();
    void MeasureSpeed();
    void WakeWaiters();
    // Joins a worker that has ended; true when none is left.
    bool JoinEndedWorker();
    // The writer's description without revision as its remembered settings
    // are named; empty when there is no such writer.
    std::string WriterKeyName(int writerIndex);
    // The index among the writers of the one so described; -1 none.
    int WriterIndexNamed(const std::string& description);
    bool SetDriveValueOf(const char* name, std::uint8_t value, int writerIndex, bool remember);
    bool SetAutorun(std::uint8_t value, bool remember);
    // Writes one remembered sub-key's values back; true when one was written.
    bool RestoreFrom(const std::string& owner, CRegKey& remembered);

    IBurnerDrives& drives_;
    CPreferences& prefs_;
    IBurnerHost& host_;
    IPlatterClock* clock_;
    TBurnTiming timing_;
    TBurnPass pass_;
    CTrackList* tracks_ = nullptr;
    // Wakes the worker's waits and the wait for the worker's end.
    std::mutex waitLock_;
    std::condition_variable waitChanged_;
    bool workerEnded_ = true;
};
