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
#include <memory>
#include <thread>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "filekit/riff.h"
#include "platter/clock.h"
#include "platter/device.h"
#include "platter/types.h"
#include "songsmith/burner/burn_envelopes.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/burn/burn_timing.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/burner/burner_host.h"
#include "songsmith/burner/burner_tables.h"
#include "songsmith/session/track_loader.h"

class CFileObj;
class CPCMMixer;
class CPreferences;
class CRegKey;
class CSoundGroup;
class CTrackList;
class TITLEFETCH_CTitlefetch;
struct TBurnEvent;

class CBurner;

// The write block's event callback; context is the controller. Always 1.
std::int32_t BurnEventCallback(void* context, TBurnEvent* event);
// The sink of a rendering into track files; controller is the controller.
// 0 goes on, 1 stops the rendering.
std::int32_t BurnPcmSinkCallback(void* buffer, std::int32_t& length, void* controller);
// The write block's audio callback (on the fly): renders the session into
// the drive library's sink on the library's thread. The tracks placed, 0 on
// failure.
std::int32_t BurnAudioCallback(void* controller, TPcmSink sink, void* sinkContext);

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
    double BurnProgress() override { return GetProgress(); }
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
    // Unless other envelopes were set, the songs are rendered with the
    // player's envelopes over this list.
    void SetTrackList(CTrackList* tracks);
    // A write's progress, on the drive library's thread. Always 1.
    int OnBurnEvent(const TBurnEvent& event);
    const TBurnTiming& Timing() const { return timing_; }
    // The clock the controller and its dialogs tell the time by.
    IPlatterClock& Clock() const { return *clock_; }

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

    // Session rendering (burner_render.cpp, burner_convert.cpp,
    // burner_track_files.cpp, burner_cue_sheet.cpp); on the worker, and on
    // the fly on the drive library's thread.
    //
    // Lays the session out in one sound group against the disc's capacity
    // and, with render, renders it into sink; with files the sink is
    // BurnPcmSinkCallback and the audio becomes one WAV file per track. The
    // tracks placed, 0 on failure.
    int MixSessionToWav(TPcmSink sink, void* sinkContext, bool files, bool render);
    // One track at a time: converts the tracks that need it into WAV files,
    // copies songs that lie on no local disk. The tracks prepared, 0 on
    // failure.
    int ConvertTracksAsNeeded();
    // The ms of audio the next preparation converts.
    int GetLengthToConvert(bool convertFirst, bool onlyShortCheck);
    // What the rendering sink does with one buffer: 0 goes on, 1 stops.
    int OnPcmData(void* buffer, int length);
    // Writes the buffer into the open track file (in mode 1 across track
    // boundaries into the next files); the bytes written.
    int WriteTrackPcm(const void* buffer, int length);
    // Creates track's WAV file (track from 0) where there is room.
    bool OpenTrackWav(int track);
    // Pads the open track file to the shortest track and closes it.
    void CloseTrackWav();
    // Writes the cue sheet with the disc's and the first count tracks' titles.
    bool CreateCueSheet(const char* path, int count);
    // The volume envelopes the songs are rendered with.
    void SetEnvelopes(TBurnEnvelopes envelopes) {
        envelopes_ = std::move(envelopes);
        envelopesChosen_ = true;
    }
    // The temporary folder of the track files and the cue sheet, without a
    // trailing slash.
    std::string TempFolder() const;
    // Free kilobytes at a folder (GetKBFree unless a test says otherwise).
    using TFreeSpaceFunction = std::function<double(const char* folder)>;
    void SetFreeSpaceFunction(TFreeSpaceFunction function) { freeSpace_ = std::move(function); }
    // Makes the file object each track file is written through (a plain
    // CFileObj unless a test says otherwise).
    using TTrackFileMaker = std::function<CFileObj*()>;
    void SetTrackFileMaker(TTrackFileMaker maker) { trackFileMaker_ = std::move(maker); }

    // Logs the shut-down and aborts a running burn. Always 1.
    int Shutdown();
    // The pass the worker runs for each burn; unset, the burn itself
    // (BurnThreadProc).
    void SetBurnPass(TBurnPass pass) { pass_ = std::move(pass); }

    // The burn (burner_worker.cpp): waits for rips and loading, prepares
    // the audio, writes the test and the copies and reports the end to the
    // main window. On the worker.
    void BurnThreadProc();
    // One pass: 0 failure, 1 success, 2 start again (a new disc's capacity).
    int DoBurn();
    // Stores the written disc's titles in the local title cache, the first
    // count tracks'. False when the cache refused them.
    bool AddCDPlayerIniEntry(int count);
    // Fills the write block's track entries for the prepared tracks; the
    // paths point into paths, which must outlive the write call.
    void FillTrackEntries(TWriteDiscParams& block, std::array<std::string, PLATTER_MAX_TRACKS>& paths);
    // Fills the block's write settings: speed, burn-proof, test, CD-Text and
    // the values handed through.
    void FillWriteSettings(TWriteDiscParams& block);
    // The title lookup whose cache gets the disc's titles (none: no entry).
    void SetTitlefetch(TITLEFETCH_CTitlefetch* titlefetch) { titlefetch_ = titlefetch; }
    // Plays a signal file between copies (the song player's PlaySoundFile).
    using TSoundPlayer = std::function<void(const char* path)>;
    void SetSoundPlayer(TSoundPlayer player) { soundPlayer_ = std::move(player); }
    // Starts a burn of a mode; reuses the converted files only when asked,
    // for the same mode, and when they are complete.
    bool StartBurn(int burnMode, int reuse);
    // Stops the write in the drive and the worker; waits for it at most
    // the stop interval. Always 1.
    int AbortBurn();
    // The state and whether the pass is a test, read together under the
    // lock: no write event comes between the two. The caller asks its user
    // about them after the lock is let go, so the drive's events are never
    // held up by a question.
    struct TRunningBurn {
        int state = kBurnStateNoDisc;
        bool test = false;
    };
    TRunningBurn RunningBurn() const;
    // False when a worker still runs or none could be made.
    bool StartBurnThread();
    // Asks the worker to stop and waits at most the stop interval; a worker
    // that stopped is joined.
    void StopBurnThread();
    // The worker's wait: at most ms, ended early by an abort or by the
    // request differing from seenRequest, the value the caller last read
    // (-1: the value at the call), or, for a caller on another thread, by
    // the worker's end. False once aborted.
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
    std::atomic<int> bytesInCurrentFile{0};
    std::atomic<int> msConverted{0};
    // Ms rendered since the current rendering began (for display; the
    // rendering itself counts bytes).
    std::atomic<int> renderPosition{0};
    std::atomic<int> msToConvert{0};
    std::atomic<int> totalBurnLength{0};
    std::atomic<int> msWritten{0};
    // Written by the worker before the write, read by the write's events.
    std::array<int, 100> trackEnds{};
    std::array<int, 99> trackLengths{};
    std::atomic<int> storedCapacity{kBurnDefaultCapacityMs};
    std::atomic<bool> writing{false};
    // The worker waits out the window before a write (writing is already
    // set): a stop now leaves the disc as it was.
    std::atomic<bool> preWriteWindow{false};
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
    // Session rendering's helpers.
    struct TRenderSink;
    static int RenderSinkWrite(char* data, std::int32_t& bytes, void* user);
    // Lays the tracks out in group; the tracks placed, -1 on failure.
    int LayOutSession(CSoundGroup& group, int count, std::int32_t capacity);
    // Renders lengthMs of group through sink; false when it stopped short.
    bool RenderGroup(CPCMMixer& mixer, CSoundGroup& group, std::int32_t lengthMs, TPcmSink sink,
                     void* sinkContext);
    // Track index's end (ms) and its length from the end before it.
    void SetTrackEnd(int index, std::int32_t endMs);
    // A track's length in bytes as the write block states it.
    static std::int64_t TrackLengthBytes(std::int32_t lengthMs) { return std::int64_t{lengthMs} * 1764 / 10; }
    // Where track index ends in the rendered stream of the whole session,
    // in bytes: the sector a write on the fly ends it at.
    std::int64_t TrackBoundaryBytes(int index) const;
    // Starts a pass's conversion counters.
    // countsTracks: the conversion's track is the current track (not while
    // a write's events count them).
    void BeginConversion(bool countsTracks = true);
    // The folder with room for neededKB (the temporary folder, else another
    // fixed drive); false after setting error 8.
    bool FolderWithRoom(double neededKB, std::string& folder);
    void FailPreparation(int error);
    // The audio written into the open track file.
    int WriteToTrackFile(const char* data, int length);
    // What shaped a track file (burner_reuse.cpp), under the list's lock:
    // the song as it is now with its range, volume and peak; the settings
    // every track file of a preparation shares; for a whole-session
    // rendering, the shared settings and every song of the first count.
    std::string SongInputs(const CCDTrack& track) const;
    std::string SharedInputs(int count);
    std::string WholeSessionInputs(int count);
    // The track's file exists and was made from inputs.
    static bool TrackFileStillMatches(const CCDTrack& track, const std::string& inputs);
    // Every one of the first count tracks has the file the last whole-session
    // rendering made for it, and nothing that shaped them changed.
    bool WholeSessionFilesMatch(int count);
    // The track file of index in folder: "songsmith_trackNN" and extension,
    // with a number added while another track holds that name.
    std::string TrackFilePath(const std::string& folder, int index, const char* extension);
    // Copies a song that lies on no local disk beside the track files; the
    // list's lock is held and let go of around the copy.
    bool CopyRemoteSong(int index, std::int32_t lengthMs);
    void Pace();
    // The level songs are normalised to: the loudest of the first count
    // tracks, or just under full scale.
    double TargetLevel(int count);
    void ShowWriting();
    void MarkTrack(int writingState, int testState);
    void OnTrackStart();
    void OnTrackEnd();
    void MeasureSpeed();
    void WakeWaiters();
    // Waits on waitChanged_ until done() or ms have passed.
    template <class Predicate>
    void WaitSliced(std::unique_lock<std::mutex>& hold, int ms, Predicate done);
    // The pass's steps (burner_worker.cpp).
    void WaitBeforePreparing();
    // The tracks prepared; 0 when the preparation failed or was aborted.
    int PrepareAudio(int count);
    bool EnoughSpaceFor(int msToConvertNow);
    // One copy: the pass result so far (1 go on, 0 failed, 2 start again).
    // A test followed by the real copies sets copyCount to their number.
    int WriteCopy(int& copyCount);
    // One write with its retries; the pass result. written: the disc (or
    // the test) was written.
    int WriteWithRetries(TWriteDiscParams& block, int copyCount, bool& written);
    // A failed write's error index or request; the pass result.
    int OnWriteFailure(std::int32_t code, int stateBefore, bool& retry);
    // Raises request and waits for the answer; false when aborted.
    bool AskAndWait(int request);
    // Waits while a request is open; false when aborted.
    bool WaitWhileRequestOpen();
    // The window before a write; false when aborted in it.
    bool WaitBeforeWriting();
    void AfterCopy(int& copyCount);
    void SetTrackStates(int count, int newState, bool skipLoading);
    void PostBurnEnd(int result);
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
    TITLEFETCH_CTitlefetch* titlefetch_ = nullptr;
    TSoundPlayer soundPlayer_;
    CTrackList* tracks_ = nullptr;
    TBurnEnvelopes envelopes_;
    bool envelopesChosen_ = false;
    TFreeSpaceFunction freeSpace_;
    TTrackFileMaker trackFileMaker_;
    // The open track file and its writer.
    CFileObj* trackStream_ = nullptr;
    CRIFF trackFile_;
    // Bytes rendered since the current rendering began, and converted in
    // this pass: positions are kept in bytes so that boundaries never drift.
    std::int64_t renderBytes_ = 0;
    std::int64_t bytesConverted_ = 0;
    // The rendering stopped because a write fell short.
    bool renderFailed_ = false;
    // The last track file closed was padded and finished whole.
    bool closedWell_ = true;
    // When the rendering rests next; none before its first buffer.
    std::optional<std::int64_t> nextPauseMs_;
    // Wakes the worker's waits and the wait for the worker's end.
    std::mutex waitLock_;
    std::condition_variable waitChanged_;
    bool workerEnded_ = true;
};
