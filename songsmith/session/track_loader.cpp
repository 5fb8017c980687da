#include "songsmith/session/track_loader.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "filekit/log.h"
#include "songsmith/app/app_message.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/session/track_states.h"

namespace {

// The nice value for a thread priority from -2 (lowest) to 2 (highest); a
// normal thread cannot go below 0 without privileges.
int NiceFor(int priority) {
    static constexpr int kNice[] = {19, 15, 10, 5, 0};
    return kNice[std::clamp(priority, -2, 2) + 2];
}

bool IsLoadState(int state) {
    return state == kTrackNoValidDataYet || state == kTrackInUse || state == kTrackWaiting ||
           state == kTrackPrep;
}

// Counts a pass as under way for its whole length, so that a track removed
// meanwhile waits on the discard list.
class CPassMark {
public:
    CPassMark(std::mutex& lock, int& passes) : lock_(lock), passes_(passes) {
        std::lock_guard<std::mutex> hold(lock_);
        ++passes_;
    }
    ~CPassMark() {
        std::lock_guard<std::mutex> hold(lock_);
        --passes_;
    }
    CPassMark(const CPassMark&) = delete;
    CPassMark& operator=(const CPassMark&) = delete;

private:
    std::mutex& lock_;
    int& passes_;
};

// Holds the list's lock for a scope.
class CListHold {
public:
    explicit CListHold(CTrackList& list) : list_(list) { list_.Lock(); }
    ~CListHold() { list_.Unlock(); }
    CListHold(const CListHold&) = delete;
    CListHold& operator=(const CListHold&) = delete;

private:
    CTrackList& list_;
};

}  // namespace

CTrackLoader::CTrackLoader(CTrackList& list, IDriveBusy* busy) : list_(list), busy_(busy) {}

CTrackLoader::~CTrackLoader() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void CTrackLoader::Start() {
    std::lock_guard<std::mutex> hold(stateLock_);
    if (!threadDone_) return;
    if (thread_.joinable()) thread_.join();
    run_ = true;
    threadDone_ = false;
    thread_ = std::thread(&CTrackLoader::ThreadMain, this);
}

bool CTrackLoader::Stop() {
    std::unique_lock<std::mutex> hold(stateLock_);
    run_ = false;
    // A load that began after the list cancelled its track is cancelled here.
    if (current_ != nullptr) current_->CancelLoad();
    wake_.notify_all();
    const bool ended = wake_.wait_for(hold, std::chrono::milliseconds(stopWaitMs_),
                                      [this] { return threadDone_; });
    if (!ended) {
        Log("CTrackLoader::Stop: the loader did not end in time");
        return false;
    }
    hold.unlock();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    return true;
}

bool CTrackLoader::IsRunning() const {
    std::lock_guard<std::mutex> hold(stateLock_);
    return !threadDone_ || passes_ > 0;
}

void CTrackLoader::SetPriority(int priority) {
    std::lock_guard<std::mutex> hold(stateLock_);
    nice_ = NiceFor(priority);
    if (threadId_ != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(threadId_), nice_);
}

void CTrackLoader::Pause(std::uint32_t ms) {
    std::unique_lock<std::mutex> hold(stateLock_);
    wake_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return !run_; });
}

void CTrackLoader::ThreadMain() {
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        threadId_ = static_cast<int>(syscall(SYS_gettid));
        setpriority(PRIO_PROCESS, static_cast<id_t>(threadId_), nice_);
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(stateLock_);
            if (!run_) break;
        }
        Pause(RunCycle());
    }
    std::lock_guard<std::mutex> hold(stateLock_);
    threadId_ = 0;
    threadDone_ = true;
    wake_.notify_all();
}

std::uint32_t CTrackLoader::RunCycle() {
    if (busy_ != nullptr && busy_->BurnOrRipRunning()) return kBusyPauseMs;
    RunPass();
    const bool pending = list_.HasPendingTracks();
    PostToAppWindow(EAppWindow::kSessionList, TAppMessage{WM_TRACKS_LOADED, 0, 0, nullptr});
    list_.DeleteDiscardedTracks();
    return pending ? kPendingPauseMs : kIdlePauseMs;
}

CTrackLoader::TLoadResult CTrackLoader::LoadTrack(CCDTrack& track, bool open) {
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        current_ = &track;
    }
    const bool loaded = open ? track.OpenSound() : track.Load();
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        current_ = nullptr;
    }
    return {loaded, list_.FinishTrackLoad(&track)};
}

void CTrackLoader::MarkReady(CCDTrack& track) {
    track.CloseSound();
    track.SetState(kTrackReady);
    list_.SetDirty(true);
    recheck_ = 0;
}

bool CTrackLoader::Stopping() {
    std::lock_guard<std::mutex> state(stateLock_);
    return !run_ && !threadDone_;
}

// The list's lock is held only to pick a track and mark it as being loaded:
// a decode, a file's status or a peaks cache on a slow disk must not keep
// the windows from the list. A track removed meanwhile stays alive on the
// discard list until the pass ends.
void CTrackLoader::RunPass() {
    CPassMark mark(stateLock_, passes_);
    for (int i = 0;; ++i) {
        if (Stopping()) return;
        CCDTrack* track = nullptr;
        int state = 0;
        bool toLoad = false;
        {
            CListHold hold(list_);
            track = list_.GetAt(i);
            if (track == nullptr) break;
            state = track->GetState();
            if (state == kTrackFileNotFound || state == kTrackFailedPrep) continue;
            toLoad = IsLoadState(state);
            if (!toLoad && track->IsAnalysed()) continue;
            list_.SetTrackBeingLoaded(track);
        }
        const bool open = !toLoad || track->IsAnalysed();
        const TLoadResult result = LoadTrack(*track, open);
        // A track removed during its load is the discard list's now: it
        // neither changes the session nor stands for a file that failed.
        if (!result.kept) return;
        if (result.loaded) {
            MarkReady(*track);
            return;
        }
        if (track->GetState() == kTrackFailedPrep)
            failedFiles_[track->GetSerial()] = FileSignature(track->GetPath());
        // An open of an unanalysed track ends the pass whatever came of it;
        // a load that changed the track's state ends it too.
        if (!toLoad) {
            recheck_ = 0;
            return;
        }
        if (track->GetState() != state) return;
    }
    RecheckOne();
}

std::pair<std::int64_t, std::int64_t> CTrackLoader::FileSignature(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return {-1, -1};
    return {static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            static_cast<std::int64_t>(info.st_size)};
}

void CTrackLoader::RecheckOne() {
    CCDTrack* track = nullptr;
    {
        CListHold hold(list_);
        if (recheck_ >= list_.GetCount()) recheck_ = 0;
        track = list_.GetAt(recheck_++);
        if (track == nullptr) return;
    }
    const int state = track->GetState();
    const auto file = FileSignature(track->GetPath());
    const bool exists = file.first != -1;
    if (state == kTrackFailedPrep) {
        // An undecodable file is tried again only once it was rewritten.
        if (!exists) {
            failedFiles_.erase(track->GetSerial());
            track->SetState(kTrackFileNotFound);
            return;
        }
        const auto failed = failedFiles_.find(track->GetSerial());
        if (failed != failedFiles_.end() && failed->second == file) return;
        failedFiles_.erase(track->GetSerial());
        track->SetState(kTrackNoValidDataYet);
    } else if (state == kTrackFileNotFound) {
        if (!exists) return;
        // A song back as it was analysed (same time, its peaks cache still
        // there) is opened again; one that changed meanwhile is analysed
        // anew, since its length and peaks may be others now.
        if (track->IsAnalysed() && !track->PeaksCacheIsStale()) {
            if (!list_.MarkTrackBeingLoaded(track)) return;
            const TLoadResult result = LoadTrack(*track, true);
            if (result.loaded && result.kept) MarkReady(*track);
            return;
        }
        track->ForgetAnalysis();
        track->SetState(kTrackNoValidDataYet);
    } else if ((state == kTrackReadyButNotLoaded || state == kTrackReady) && !exists) {
        track->SetState(kTrackFileNotFound);
    }
}
