#pragma once
// CCDTrack: one song of the session, with what the session knows about it:
// its song information and play data (trims, peak level, volume factor,
// serial, change stamp, load state, warnings), its open sound while it has
// one, and the temporary file that a burn made from it.
//
// The play data lives inside the track's song-information record, which is
// what a session file stores. The record's fields carry the engine's names;
// the accessors below are the one place that knows which field holds what,
// so no other code reads those fields directly.
//
// Threads: the main thread, the loader and the burn all use tracks. Every
// member is guarded by the track's own recursive lock; a caller that holds
// the track list's lock takes it first. The continue flag is polled by a
// decoder without the lock.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "tonecore/tags/music_info.h"

class CPreferences;
class CRefObj;
class CRIFF;
class CSongEntry;
class CSongSound;
class CPeaks;

// The song-action dispatcher's shape (song_actions.h).
using TSongActionCallback = bool (*)(int listType, int action, int wParam, unsigned lParam,
                                     CSongEntry* song);

// The loudest volume factor a track can be given (the volume dialog's top,
// 550 %); the quietest is 0.
inline constexpr double kLoudestTrackVolume = 5.5;

class CCDTrack {
public:
    // A track with a new serial, volume 1.0, trims 0, state 0.
    explicit CCDTrack(CPreferences& prefs);
    // A track holding a copy of info (its play data included) under a new
    // serial; analysed when the record says it was analysed when stored.
    CCDTrack(CPreferences& prefs, const TONECORE_CMusicInfo& info);
    virtual ~CCDTrack();
    CCDTrack(const CCDTrack&) = delete;
    CCDTrack& operator=(const CCDTrack&) = delete;

    void Lock() const { lock_.lock(); }
    void Unlock() const { lock_.unlock(); }

    // Records path as the track's temporary file; a different file recorded
    // before is deleted (or, while a burn runs, when the burn ends). What
    // the file was made from is forgotten until SetTempFileInputs.
    void SetTempFile(const char* path);
    std::string GetTempFile() const;
    // A description of everything that shaped the temporary file (the song,
    // its trims, gain and transitions), kept once the file is complete; a
    // burn reuses the file only while the description still holds. Empty:
    // not known, never reused.
    void SetTempFileInputs(std::string inputs);
    std::string GetTempFileInputs() const;
    // Takes the song: a new serial and change stamp, volume 1.0, state 3,
    // not selected. False (the track unchanged but for its serial) when the
    // song's path does not fit a session file.
    bool SetFromSongEntry(const CSongEntry& song);

    // The track's record in a session file's layout.
    bool Write(CRIFF& riff, int version);
    // A copy of the record as a session file stores it; a user trim end of
    // 0 becomes the length first, in the track too (as Write does).
    TONECORE_CMusicInfo RecordForSaving();
    // Reads the record, then settles the state: a peak level or volume
    // factor that is not a number reads as 0 or 1.0, one out of range (0 to
    // 1, 0 to kLoudestTrackVolume) as the nearest end; the trims are held
    // within the song's length, a state outside the table or of a burn
    // that no longer runs is waiting (3); a track analysed when
    // stored is ready (7) when its peaks cache still fits the song, else
    // waits (3) for a new analysis; a track stored while loading waits.
    bool Read(CRIFF& riff, int version);
    // True unless the song file is unchanged since it was analysed and its
    // peaks cache reads.
    bool PeaksCacheIsStale() const;
    // Where the song's peaks cache lies; empty when the name does not fit.
    std::string PeaksCachePath() const;
    // Tells the session list that the track changed.
    void NotifyChanged();

    // Takes other's song, play data and state (its state only when 6 or 7,
    // else 0) while keeping this track's serial; the change stamp is
    // other's with keepStamp, else a new one. start / end (-1: keep) set the
    // user trims. Neither the sound nor the temporary file is taken: each
    // track deletes its own file, so two tracks never share one.
    void CopyFrom(const CCDTrack& other, int start, int end, bool keepStamp);
    // Takes info as the track's song information while keeping its volume
    // factor, change stamp and serial; the track then waits (state 3) for
    // the loader to analyse it anew.
    void TakeSongInformation(const TONECORE_CMusicInfo& info);

    bool IsLoading() const;
    bool IsAnalysed() const;
    bool IsSelected() const;
    void SetSelected(bool selected);
    int GetState() const;
    // Sets the state and tells the session list.
    void SetState(int state);
    // The open sound; null while loading or when none is open.
    CSongSound* GetSound() const;
    // The loader marks the time it decodes; a loading track keeps its sound.
    void SetLoading(bool loading);
    // What a decoder's progress callback answers: false once cancelled.
    bool ShouldContinue() const { return continue_.load(); }

    // Decodes the song once to learn its length, peaks, automatic trims,
    // loudness and CD quality, and keeps the sound open (state 6); warns the
    // main window once about a silent or an incomplete song. A missing file
    // ends in state 1, a cancelled load in 3, an undecodable file in 5.
    // False at once for a track that is already analysed.
    bool Load();
    // Opens the sound for playing or burning without a new analysis. True
    // at once when a sound is already open (or the track has no path) and
    // it is usable; otherwise as Load, but for the analysis.
    bool OpenSound();

    // Releases the open sound and its stream. Refused while loading and
    // while a burn writes or tests the track; false when nothing was
    // released.
    bool CloseSound();

    // End minus start of the automatic or the user trim pair, at least 0.
    std::int32_t GetTrimmedLength(bool automatic) const;
    // The user-trimmed length once analysed, else the song's length.
    std::int32_t GetLength() const;
    // Whether the song must be processed before burning: too short, or
    // trimmed, volume-changed or normalised.
    bool NeedsProcessing(double level, bool onlyShortCheck) const;
    // Sets the user trims; the automatic trims are set by the loader.
    // Refused while loading.
    bool SetUserTrims(std::int32_t startMs, std::int32_t endMs);
    // Sets the user trims to (start, end) ms; with automatic, the automatic
    // pair too, narrowed to where the open sound's peaks are louder than
    // the silence threshold, and the silence warning set anew (set when
    // the range is silent). Refused while loading; with automatic, false
    // when the sound has no peaks or its peaks file does not open.
    bool SetTrims(std::int32_t startMs, std::int32_t endMs, bool automatic);
    std::int32_t GetUserTrimStart() const;
    std::int32_t GetUserTrimEnd() const;
    std::int32_t GetAutoTrimStart() const;
    std::int32_t GetAutoTrimEnd() const;
    // Sets the automatic pair as the loader found it.
    void SetAutoTrims(std::int32_t startMs, std::int32_t endMs);

    // The volume factor; ignored, and read as 1.0, before the track has any
    // data (state 0).
    void SetVolume(double volume);
    double GetVolume() const;
    // Stops a running load at the decoder's next progress report.
    void CancelLoad();

    // The play data.
    double GetPeakLevel() const;
    void SetPeakLevel(double level);
    int GetSerial() const;
    void SetSerial(int serial);
    // The serial a track record (GetMusicInfo's copy) carries.
    static int SerialOf(const TONECORE_CMusicInfo& record) { return record.stateWords[kSerialWord]; }
    int GetChangeStamp() const;
    // A new change stamp from the process-wide counter.
    void RenewChangeStamp();
    std::uint32_t GetFileSize() const;
    void SetFileSize(std::uint32_t bytes);
    std::uint32_t GetFileTime() const;
    void SetFileTime(std::uint32_t seconds);
    bool IsCdQuality() const;
    void SetCdQuality(bool on);
    // Marks the track for a new analysis: neither analysed nor stored as
    // analysed, so the next load decodes the song again.
    void ForgetAnalysis();
    bool IsAnalysedWhenStored() const;
    void SetAnalysedWhenStored(bool on);
    bool IsSilenceWarned() const;
    void SetSilenceWarned(bool on);
    bool IsIncompleteWarned() const;
    void SetIncompleteWarned(bool on);

    // Whether the path fits a session file's path field whole.
    bool PathFitsSessionFile() const;
    // A copy of the song information, taken under the lock.
    TONECORE_CMusicInfo GetMusicInfo() const;
    std::string GetPath() const;

private:
    // Raw play-data fields; callers hold the lock.
    int RawState() const { return info_.stateWords[kStateWord]; }
    void SetRawState(int state) { info_.stateWords[kStateWord] = state; }
    void TakeNewSerial();
    // Brings the numbers a session file gave into the range the program
    // itself gives them.
    void BoundStoredNumbers();
    void ReleaseSound();

    enum class EDecode { kDecoded, kMissing, kCancelled, kFailed };
    // Opens the song file and decodes it into a new sound, yielding now and
    // then and stopping once cancelled; the sound is out only when decoded.
    EDecode DecodeSong(const std::string& path, CSongSound*& sound);
    // The decoder's progress report: yields when due; false once cancelled.
    static int LoadProgress(std::uint32_t byteCount, void* context);
    void YieldWhenDue();
    // Marks the start of a load or an open: loading, not cancelled.
    void BeginLoading();
    // Load's step after a successful decode: takes the sound and what its
    // analysis found. Returns the warning to post (0 when none).
    std::uint32_t TakeAnalysedSound(CSongSound* sound);
    // The logged notes on a sound with damaged or non-CD frames; clears the
    // CD-quality flag for either.
    void NoteFrameQuality(const CPeaks& peaks);

    static constexpr int kStampWord = 0;
    static constexpr int kSerialWord = 1;
    static constexpr int kStateWord = 2;
    static constexpr int kSizeWord = 0;
    static constexpr int kTimeWord = 1;
    static constexpr int kCdQualityFlag = 0;
    static constexpr int kAnalysedStoredFlag = 2;
    static constexpr int kSilenceWarnedFlag = 3;
    static constexpr int kIncompleteWarnedFlag = 5;

    TONECORE_CMusicInfo info_;
    mutable std::recursive_mutex lock_;
    bool selected_ = false;
    bool loading_ = false;
    std::atomic<bool> continue_{true};
    bool open_ = false;
    bool analysed_ = false;
    CRefObj* stream_ = nullptr;
    CSongSound* sound_ = nullptr;
    std::int64_t nextYieldMs_ = 0;
    TSongActionCallback callback_;
    std::string tempFile_;
    std::string tempFileInputs_;
    CPreferences& prefs_;
};
