#include "songsmith/session/track_list.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>

#include "filekit/path_helpers.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/burn/burn_layout.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_states.h"

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

// The longest part of "Ses_BaseName" a default session name keeps.
constexpr std::size_t kMaxBaseNameBytes = 64;

// The base name cut to its byte limit on a character boundary.
std::string CutBaseName(std::string text) {
    if (text.size() <= kMaxBaseNameBytes) return text;
    std::size_t end = kMaxBaseNameBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

bool IsPendingState(int state) {
    return state == kTrackNoValidDataYet || state == kTrackWaiting || state == kTrackPrep;
}

// Tracks whose sound is not analysed count their whole length on disc.
bool CountsWholeLength(int state) {
    return state >= kTrackInUse && state <= kTrackFailedPrep;
}

}  // namespace

CTrackList::CTrackList(CPreferences& prefs) : prefs_(prefs) {}

CTrackList::~CTrackList() {
    StopLoaderThread();
    TGuard guard(lock_);
    tracks_.clear();
    discarded_.clear();
}

int CTrackList::GetCount() {
    TGuard guard(lock_);
    return static_cast<int>(tracks_.size());
}

CCDTrack* CTrackList::GetAt(int index) {
    TGuard guard(lock_);
    if (index < 0 || index >= static_cast<int>(tracks_.size())) return nullptr;
    return tracks_[static_cast<std::size_t>(index)].get();
}

int CTrackList::FindByPath(const char* path) {
    if (path == nullptr || path[0] == '\0') return -1;
    TGuard guard(lock_);
    for (std::size_t i = 0; i < tracks_.size(); ++i)
        if (SamePath(tracks_[i]->GetPath().c_str(), path)) return static_cast<int>(i);
    return -1;
}

bool CTrackList::HasTrackWithPath(const char* path) {
    return FindByPath(path) >= 0;
}

int CTrackList::GetSerialByPath(const char* path) {
    TGuard guard(lock_);
    const int index = FindByPath(path);
    return index < 0 ? -1 : tracks_[static_cast<std::size_t>(index)]->GetSerial();
}

int CTrackList::FindBySerial(int serial) {
    TGuard guard(lock_);
    for (std::size_t i = 0; i < tracks_.size(); ++i)
        if (tracks_[i]->GetSerial() == serial) return static_cast<int>(i);
    return -1;
}

int CTrackList::InsertTrack(TTrackPtr track, int after) {
    // A path that a session file cannot hold whole would be saved as
    // another file's name.
    if (!track->PathFitsSessionFile()) return -1;
    int index = 0;
    {
        TGuard guard(lock_);
        const int count = static_cast<int>(tracks_.size());
        index = after < 0 ? 0 : std::min(after, count - 1) + 1;
        tracks_.insert(tracks_.begin() + index, std::move(track));
    }
    NoteEdit();
    return index;
}

int CTrackList::InsertSong(const CSongEntry& song, int after) {
    auto track = std::make_unique<CCDTrack>(prefs_);
    if (!track->SetFromSongEntry(song)) return -1;
    const int index = InsertTrack(std::move(track), after);
    StartLoaderThread();
    return index;
}

int CTrackList::InsertMusicInfo(const TONECORE_CMusicInfo& info, int after) {
    const int index = InsertTrack(std::make_unique<CCDTrack>(prefs_, info), after);
    if (index < 0) return -1;
    StartLoaderThread();
    return index;
}

int CTrackList::AppendCopy(const CCDTrack& other) {
    auto track = std::make_unique<CCDTrack>(prefs_);
    track->CopyFrom(other, -1, -1, false);
    TGuard guard(lock_);
    return InsertTrack(std::move(track), static_cast<int>(tracks_.size()));
}

bool CTrackList::RemoveAt(int index) {
    TGuard guard(lock_);
    if (index < 0 || index >= static_cast<int>(tracks_.size())) return false;
    TTrackPtr track = std::move(tracks_[static_cast<std::size_t>(index)]);
    tracks_.erase(tracks_.begin() + index);
    NoteEdit();
    if (track->IsLoading()) track->CancelLoad();
    if (beingLoaded_ == track.get()) beingLoaded_ = nullptr;
    // The loader may hold the track outside the lock until its pass ends.
    if (LoaderRunning()) discarded_.push_back(std::move(track));
    return true;
}

int CTrackList::Move(int from, int to) {
    TGuard guard(lock_);
    const int count = static_cast<int>(tracks_.size());
    if (from < 0 || from >= count) return -1;
    to = std::min(to, count - 1);
    TTrackPtr track = std::move(tracks_[static_cast<std::size_t>(from)]);
    tracks_.erase(tracks_.begin() + from);
    NoteEdit();
    return InsertTrack(std::move(track), to);
}

void CTrackList::Clear(bool dirty) {
    {
        TGuard guard(lock_);
        if (LoaderRunning()) {
            for (TTrackPtr& track : tracks_) {
                track->CancelLoad();
                discarded_.push_back(std::move(track));
            }
        }
        tracks_.clear();
        beingLoaded_ = nullptr;
    }
    NoteEdit();
    SetDirty(dirty);
}

void CTrackList::SetDirty(bool dirty) {
    {
        TGuard guard(lock_);
        dirty_ = dirty;
    }
    if (dirty) NoteEdit();
    PostToAppWindow(EAppWindow::kMainWindow,
                    TAppMessage{WM_SESSION_DIRTY, dirty ? 1u : 0u, 0, nullptr});
}

bool CTrackList::IsDirty() {
    TGuard guard(lock_);
    return dirty_;
}

void CTrackList::SetSessionName(const char* name) {
    TGuard guard(lock_);
    sessionName_ = name == nullptr ? "" : name;
}

std::string CTrackList::GetSessionName() {
    TGuard guard(lock_);
    return sessionName_;
}

std::string CTrackList::MakeDefaultSessionName() {
    static std::atomic<int> next{1};
    const int number = next.fetch_add(1);
    const std::string base = CutBaseName(KeyedText("Ses_BaseName"));
    std::string name;
    // The base name is an argument, never a format, so any '%' in the
    // user's text is shown as written.
    FormatTextChecked("%s%02d", {{CTextArg(base), CTextArg(number)}}, name);
    return name;
}

bool CTrackList::HasPendingTracks() {
    TGuard guard(lock_);
    return std::any_of(tracks_.begin(), tracks_.end(), [](const TTrackPtr& track) {
        const int state = track->GetState();
        return IsPendingState(state) || (!track->IsAnalysed() && state != kTrackFileNotFound);
    });
}

bool CTrackList::HasTrackInState(int state) {
    TGuard guard(lock_);
    return std::any_of(tracks_.begin(), tracks_.end(),
                       [state](const TTrackPtr& track) { return track->GetState() == state; });
}

namespace {

// Adds to a running total of ms that stops at the longest a 32-bit total
// can hold, so that no session's total turns negative.
void AddCapped(std::int32_t& total, std::int32_t ms) {
    total = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{total} + ms, 0, INT32_MAX));
}

}  // namespace

std::int32_t CTrackList::GetTotalLength() {
    TGuard guard(lock_);
    std::int32_t total = 0;
    for (const TTrackPtr& track : tracks_) AddCapped(total, track->GetLength());
    return total;
}

TFadePreferences CTrackList::FadeSettings() {
    // The fader dialog writes these under the preferences' lock.
    prefs_.Lock();
    const TFadePreferences fade = prefs_.fadePreferences;
    prefs_.Unlock();
    return fade;
}

std::int32_t CTrackList::GetBurnLength(bool automaticTrims, bool withTransitions) {
    const TFadePreferences fade = FadeSettings();
    TGuard guard(lock_);
    std::int32_t total = 0;
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        const CCDTrack& track = *tracks_[i];
        const std::int32_t length = CountsWholeLength(track.GetState())
                                        ? track.GetLength()
                                        : track.GetTrimmedLength(automaticTrims);
        AddCapped(total, DiscTrackLengthMs(length, fade, i + 1 == tracks_.size(), withTransitions));
    }
    return total;
}

double CTrackList::GetLoudestPeak(int count) {
    TGuard guard(lock_);
    double loudest = 0.0;
    const std::size_t limit = std::min(tracks_.size(), static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < limit; ++i) {
        const double level = tracks_[i]->GetPeakLevel();
        if (level > 1.0) return 1.0;
        loudest = std::max(loudest, level);
        // Nothing can be louder than full scale.
        if (level == 1.0) break;
    }
    return loudest;
}

void CTrackList::SetLoader(ITrackLoader* loader) {
    TGuard guard(lock_);
    loader_ = loader;
}

bool CTrackList::LoaderRunning() const {
    return loader_ != nullptr && loader_->IsRunning();
}

void CTrackList::StartLoaderThread() {
    TGuard guard(lock_);
    if (loader_ != nullptr && !loader_->IsRunning()) loader_->Start();
}

bool CTrackList::StopLoaderThread() {
    ITrackLoader* loader = nullptr;
    {
        TGuard guard(lock_);
        if (beingLoaded_ != nullptr) beingLoaded_->CancelLoad();
        loader = loader_;
    }
    // The loader takes the list lock in its pass, so it is stopped without it.
    const bool stopped = loader == nullptr || loader->Stop();
    if (stopped) DeleteDiscardedTracks();
    return stopped;
}

void CTrackList::SetLoaderPriority(int priority) {
    TGuard guard(lock_);
    if (loader_ != nullptr) loader_->SetPriority(priority);
}

void CTrackList::SetTrackBeingLoaded(CCDTrack* track) {
    TGuard guard(lock_);
    beingLoaded_ = track;
}

bool CTrackList::MarkTrackBeingLoaded(CCDTrack* track) {
    TGuard guard(lock_);
    const bool listed = std::any_of(tracks_.begin(), tracks_.end(),
                                    [track](const TTrackPtr& each) { return each.get() == track; });
    if (listed) beingLoaded_ = track;
    return listed;
}

bool CTrackList::FinishTrackLoad(const CCDTrack* track) {
    TGuard guard(lock_);
    const bool kept = beingLoaded_ == track;
    beingLoaded_ = nullptr;
    return kept;
}

void CTrackList::DeleteDiscardedTracks() {
    std::vector<TTrackPtr> discarded;
    {
        TGuard guard(lock_);
        discarded.swap(discarded_);
    }
}
