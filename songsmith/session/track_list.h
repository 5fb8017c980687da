#pragma once
// CTrackList: the session, the ordered songs that a burn writes to disc. It
// owns its tracks and guards the list with one recursive lock, taken before
// any track's own lock. The program makes one list at start-up, with its
// other process-wide objects.
//
// A background loader analyses the tracks; it plugs in through
// ITrackLoader. While it runs, a removed track may still be in its hands,
// so removed tracks wait on a discard list that the loader empties after
// each pass.
//
// Totals are summed from the tracks whenever they are asked for, since a
// track's length changes as it is analysed and trimmed.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_replace.h"
#include "songsmith/prefs/preference_records.h"

class CCDTrack;
class CPreferences;
class CSongEntry;
class TONECORE_CMusicInfo;

// The session's background loader.
class ITrackLoader {
public:
    virtual ~ITrackLoader() = default;
    // Starts the loader thread (at the lowest priority).
    virtual void Start() = 0;
    // Stops it and joins it; false when it did not end in time.
    virtual bool Stop() = 0;
    virtual bool IsRunning() const = 0;
    virtual void SetPriority(int priority) = 0;
};

class CTrackList {
public:
    explicit CTrackList(CPreferences& prefs);
    // Stops the loader and deletes the tracks without marking the session.
    virtual ~CTrackList();
    CTrackList(const CTrackList&) = delete;
    CTrackList& operator=(const CTrackList&) = delete;

    // Every operation takes the lock itself; a caller walking the list
    // takes it around the walk.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    int GetCount();
    // Null past either end.
    CCDTrack* GetAt(int index);

    // The first track whose path is the same path (SamePath); -1 when none
    // or the path is empty.
    int FindByPath(const char* path);
    bool HasTrackWithPath(const char* path);
    int GetSerialByPath(const char* path);
    int FindBySerial(int serial);

    // A new track for the song after index `after` (at the head when
    // after < 0, at the tail past the end); starts the loader. The new
    // index, or -1 when the song cannot be a track.
    int InsertSong(const CSongEntry& song, int after);
    int InsertMusicInfo(const TONECORE_CMusicInfo& info, int after);
    // A whole copy of other at the tail; its index.
    int AppendCopy(const CCDTrack& other);
    // Takes the track out; a load of it is cancelled. While the loader runs
    // the track is deleted after its pass. False for a bad index.
    bool RemoveAt(int index);
    // Moves the track after index `to` of the list without it (the head for
    // to < 0, the tail past its end); the new index, -1 for a bad `from`.
    int Move(int from, int to);
    // Deletes every track, then SetDirty(dirty).
    void Clear(bool dirty);

    // Stores the flag and tells the main window. Marking the session dirty
    // counts as an edit.
    void SetDirty(bool dirty);
    // How many times the session changed: tracks added, removed, moved or
    // cleared, or the session marked dirty (a track's volume, a new
    // analysis). A burn's converted files were made from the session as it
    // stood at one count; another count means they may no longer match.
    std::uint64_t EditCount() const { return editCount_.load(); }
    void NoteEdit() { editCount_.fetch_add(1); }
    bool IsDirty();
    void SetSessionName(const char* name);
    std::string GetSessionName();
    // "Ses_BaseName" (at most 64 bytes) and a two-digit number counting up
    // from 1 through the run.
    static std::string MakeDefaultSessionName();

    // The session file (".tps"). SaveSession puts every track's record in
    // place of path in one step; true when written, and the session is then
    // clean. On failure the file at path and the dirty flag stay as they
    // were. write: the write(2) the replacement goes through (null: the
    // system's; tests pass one that fails).
    bool SaveSession(const char* path, FileWriteFunction write = nullptr);
    // Appends the tracks of a session file and starts the loader; true when
    // its header and every record were read. On failure the tracks this
    // load appended go again; the tracks that were there stay.
    bool LoadSession(const char* path);

    // Any track still to be loaded or analysed.
    bool HasPendingTracks();
    bool HasTrackInState(int state);
    // The sum of the tracks' lengths.
    std::int32_t GetTotalLength();
    // The length the tracks take on disc (burn_layout.h).
    std::int32_t GetBurnLength(bool automaticTrims, bool withTransitions);
    // The loudest peak level among the first count tracks, at most 1.0.
    double GetLoudestPeak(int count);

    // The loader.
    void SetLoader(ITrackLoader* loader);
    void StartLoaderThread();
    // Cancels the track being loaded and stops the loader. False when the
    // loader did not end in time: the removed tracks then stay for the
    // loader to delete, as it may still hold one of them.
    bool StopLoaderThread();
    void SetLoaderPriority(int priority);
    // Kept by the loader for the track it decodes (null when none), so a
    // stop can cancel it.
    void SetTrackBeingLoaded(CCDTrack* track);
    // Marks track as the one being loaded when it is still in the list;
    // false when it was removed.
    bool MarkTrackBeingLoaded(CCDTrack* track);
    // The loader is done with track: true when it is still the track being
    // loaded, false when it was removed (or the list cleared) meanwhile.
    bool FinishTrackLoad(const CCDTrack* track);
    // Deletes the tracks removed during the loader's pass; the loader calls
    // this between passes, and a stop once the loader has ended.
    void DeleteDiscardedTracks();

private:
    using TTrackPtr = std::unique_ptr<CCDTrack>;
    // Refuses (-1) a track whose path does not fit a session file.
    int InsertTrack(TTrackPtr track, int after);
    // Serials unique after a load: "LastTrackID" raised above every serial
    // in the list, and a fresh serial for each track from `firstLoaded` on
    // whose serial an earlier track has.
    void MakeSerialsUnique(std::size_t firstLoaded);
    bool LoaderRunning() const;
    TFadePreferences FadeSettings();

    std::vector<TTrackPtr> tracks_;
    std::vector<TTrackPtr> discarded_;
    CCDTrack* beingLoaded_ = nullptr;
    bool dirty_ = false;
    std::atomic<std::uint64_t> editCount_{0};
    std::string sessionName_;
    std::recursive_mutex lock_;
    ITrackLoader* loader_ = nullptr;
    CPreferences& prefs_;
};
