#pragma once
// CTrackLoader: the session's background loader. One pass loads (or opens)
// the first track that needs it, holding the list's lock only to pick the
// track, so the list can be edited and drawn meanwhile; when nothing needs
// loading a pass rechecks one track's file instead, in turn. The thread runs passes at
// the lowest priority a normal thread has, pausing between them, and not at
// all while a burn or a rip uses the drive.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "songsmith/session/track_list.h"

// Whether the drive is busy with a burn or a rip: the loader keeps still then.
class IDriveBusy {
public:
    virtual ~IDriveBusy() = default;
    virtual bool BurnOrRipRunning() = 0;
};

class CTrackLoader : public ITrackLoader {
public:
    // busy may be null: the drive is never busy.
    CTrackLoader(CTrackList& list, IDriveBusy* busy);
    // Always joins the thread.
    ~CTrackLoader() override;
    CTrackLoader(const CTrackLoader&) = delete;
    CTrackLoader& operator=(const CTrackLoader&) = delete;

    void Start() override;
    // Ends the thread's waits at once; false when the thread did not end
    // within the stop wait (it is still joined by the destructor).
    bool Stop() override;
    bool IsRunning() const override;
    // A thread priority from -2 (lowest) to 2 (highest), as a nice value.
    void SetPriority(int priority) override;
    // How long Stop waits for the thread (kStopWaitMs unless a test says).
    void SetStopWait(std::uint32_t ms) {
        std::lock_guard<std::mutex> hold(stateLock_);
        stopWaitMs_ = ms;
    }

    // One round of the thread: unless the drive is busy, a pass, the news
    // to the session list and the removed tracks deleted. Returns how long
    // the thread pauses after it.
    std::uint32_t RunCycle();
    // One pass: a load or an open, or a recheck when nothing needs one.
    void RunPass();
    // How long the thread pauses after a pass.
    static constexpr std::uint32_t kPendingPauseMs = 300;
    static constexpr std::uint32_t kIdlePauseMs = 1000;
    static constexpr std::uint32_t kBusyPauseMs = 2000;
    static constexpr std::uint32_t kStopWaitMs = 8000;

private:
    void ThreadMain();
    // Waits ms, or less when stopped.
    void Pause(std::uint32_t ms);
    struct TLoadResult {
        bool loaded;  // the load or open succeeded
        bool kept;    // the track is still in the list
    };
    // Loads or opens the track that the list marked as being loaded, with
    // the list unlocked.
    TLoadResult LoadTrack(CCDTrack& track, bool open);
    // A stop was asked for while the thread runs.
    bool Stopping();
    // A track that loaded or opened: its sound closed, ready, session dirty.
    void MarkReady(CCDTrack& track);
    // Looks at the next track's file (the position wraps).
    void RecheckOne();
    // The file's time and size, or {-1, -1} when it is gone.
    static std::pair<std::int64_t, std::int64_t> FileSignature(const std::string& path);

    CTrackList& list_;
    IDriveBusy* busy_;
    std::thread thread_;
    mutable std::mutex stateLock_;
    std::condition_variable wake_;
    bool run_ = false;
    bool threadDone_ = true;
    int passes_ = 0;  // passes under way on any thread
    int nice_ = 19;
    int threadId_ = 0;
    int recheck_ = 0;
    std::uint32_t stopWaitMs_ = kStopWaitMs;
    CCDTrack* current_ = nullptr;  // the track a pass is loading
    // Each failed track's file as it was when it failed, by serial.
    std::map<int, std::pair<std::int64_t, std::int64_t>> failedFiles_;
};
