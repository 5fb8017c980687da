#include "songsmith/session/cd_track.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>

#include "filekit/log.h"
#include "filekit/path_helpers.h"
#include "filekit/ref_obj.h"
#include "songsmith/burner/burn_file_hold.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_states.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/temp_sound_path.h"

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

// A song shorter than this cannot be a disc track as it stands.
constexpr std::int32_t kShortestSongMs = 4000;
// Volume factors this close to 1.0 are burned unchanged.
constexpr double kLowestUnchangedVolume = 0.85;
constexpr double kHighestUnchangedVolume = 1.2;
// "iNormDiffThreshold" is in hundredths of full scale.
constexpr double kNormDiffUnit = 0.01;
// The quietest peak level other than silence: one step of a 16-bit sample.
constexpr double kQuietestPeakLevel = 1.0 / 32768.0;

std::uint64_t VolumeBits(double volume) {
    return std::bit_cast<std::uint64_t>(volume);
}

}  // namespace

CCDTrack::CCDTrack(CPreferences& prefs) : callback_(DoSongAction), prefs_(prefs) {
    info_.playData = VolumeBits(1.0);
    info_.trimStartMs = info_.trimEndMs = 0;
    info_.autoTrimStartMs = info_.autoTrimEndMs = 0;
    SetRawState(kTrackNoValidDataYet);
    TakeNewSerial();
}

CCDTrack::CCDTrack(CPreferences& prefs, const TONECORE_CMusicInfo& info)
    : info_(info), callback_(DoSongAction), prefs_(prefs) {
    analysed_ = info_.flags[kAnalysedStoredFlag];
    TakeNewSerial();
}

CCDTrack::~CCDTrack() {
    ReleaseSound();
    SetTempFile("");
}

void CCDTrack::TakeNewSerial() {
    info_.stateWords[kSerialWord] = prefs_.LastTrackID.fetch_add(1);
}

void CCDTrack::RenewChangeStamp() {
    const int stamp = prefs_.LastMultiTrackSoundID.fetch_add(1);
    TGuard guard(lock_);
    info_.stateWords[kStampWord] = stamp;
}

void CCDTrack::SetTempFile(const char* path) {
    const char* next = path == nullptr ? "" : path;
    TGuard guard(lock_);
    if (!tempFile_.empty() && !SamePath(tempFile_.c_str(), next))
        DeleteTrackFileWhenFree(tempFile_.c_str());
    // A file made anew under a name whose deletion waits for the burn's end
    // is the track's again.
    KeepTrackFile(next);
    tempFile_ = next;
    tempFileInputs_.clear();
}

std::string CCDTrack::GetTempFile() const {
    TGuard guard(lock_);
    return tempFile_;
}

void CCDTrack::SetTempFileInputs(std::string inputs) {
    TGuard guard(lock_);
    tempFileInputs_ = tempFile_.empty() ? std::string() : std::move(inputs);
}

std::string CCDTrack::GetTempFileInputs() const {
    TGuard guard(lock_);
    return tempFileInputs_;
}

bool CCDTrack::SetFromSongEntry(const CSongEntry& song) {
    TakeNewSerial();
    TGuard guard(lock_);
    if (!song.StoreInMusicInfo(info_)) return false;
    // The song's time is what a later session load checks its peaks cache
    // against; without it no cache would ever be trusted.
    SetFileTime(song.fileTime);
    info_.playData = VolumeBits(1.0);
    RenewChangeStamp();
    std::snprintf(info_.displayText, sizeof info_.displayText, "%s", info_.title);
    SetRawState(kTrackWaiting);
    selected_ = false;
    return true;
}

bool CCDTrack::Write(CRIFF& riff, int version) {
    TGuard guard(lock_);
    return info_.Write(riff, version);
}

TONECORE_CMusicInfo CCDTrack::RecordForSaving() {
    TGuard guard(lock_);
    if (info_.trimEndMs == 0) {
        info_.trimEndMs = info_.lengthMs;
        info_.autoTrimEndMs = info_.lengthMs;
    }
    return info_;
}

bool CCDTrack::Read(CRIFF& riff, int version) {
    {
        TGuard guard(lock_);
        if (!info_.Read(riff, version)) return false;
        BoundStoredNumbers();
        if (info_.flags[kAnalysedStoredFlag]) {
            if (PeaksCacheIsStale()) {
                info_.flags[kAnalysedStoredFlag] = false;
                SetRawState(kTrackWaiting);
            } else {
                analysed_ = true;
                SetRawState(kTrackReady);
            }
        } else if (RawState() == kTrackPrep) {
            // The load it was in when stored did not finish.
            SetRawState(kTrackWaiting);
        }
    }
    NotifyChanged();
    return true;
}

void CCDTrack::BoundStoredNumbers() {
    // A foreign or damaged file must not make the track silent or its gain
    // a NaN that every sample it scales would carry, nor a factor no volume
    // setting gives.
    // A peak level is a 16-bit magnitude over full scale: 0, or from one
    // step to 1.
    if (!std::isfinite(info_.volume) || info_.volume < kQuietestPeakLevel) info_.volume = 0.0;
    info_.volume = std::min(info_.volume, 1.0);
    double volume = std::bit_cast<double>(info_.playData);
    if (!std::isfinite(volume)) volume = 1.0;
    info_.playData = VolumeBits(std::clamp(volume, 0.0, kLoudestTrackVolume));
    // Trims lie within the song, each pair in order, so that no length
    // taken from them is negative or overflows.
    info_.lengthMs = std::max(info_.lengthMs, 0);
    const auto within = [this](std::int32_t& start, std::int32_t& end) {
        start = std::clamp(start, 0, info_.lengthMs);
        end = std::clamp(end, start, info_.lengthMs);
    };
    within(info_.trimStartMs, info_.trimEndMs);
    within(info_.autoTrimStartMs, info_.autoTrimEndMs);
    // A state outside the table, or one that only a running burn sets, is a
    // track to be loaded again.
    const int state = RawState();
    if (state < 0 || state >= kTrackStateCount || (state >= kTrackCopyingLocally && state <= kTrackTesting))
        SetRawState(kTrackWaiting);
}

bool CCDTrack::PeaksCacheIsStale() const {
    TGuard guard(lock_);
    struct stat song {};
    if (info_.path[0] == '\0' || stat(info_.path, &song) != 0) return true;
    if (static_cast<std::uint32_t>(song.st_mtime) != GetFileTime()) return true;
    const std::string cachePath = PeaksCachePath();
    if (cachePath.empty()) return true;
    CPeaks peaks;
    return peaks.LoadPeaksFromFile(cachePath.c_str(), 0) == 0;
}

std::string CCDTrack::PeaksCachePath() const {
    TGuard guard(lock_);
    char peaksPath[PATH_MAX];
    char cachePath[PATH_MAX];
    if (info_.path[0] == '\0' ||
        std::snprintf(peaksPath, sizeof peaksPath, "%s.ipk", info_.path) >=
            static_cast<int>(sizeof peaksPath))
        return {};
    if (MakeTempPath2(peaksPath, cachePath, sizeof cachePath, 0) == 0) return {};
    return cachePath;
}

void CCDTrack::NotifyChanged() {
    TONECORE_CMusicInfo info;
    int serial = 0;
    {
        TGuard guard(lock_);
        if (callback_ == nullptr) return;
        info = info_;
        serial = GetSerial();
    }
    // The session list is told without the track's lock held.
    CSongEntry entry(info);
    callback_(kSongListSession, kSongActionTrackChanged, serial, 0, &entry);
}

void CCDTrack::CopyFrom(const CCDTrack& other, int start, int end, bool keepStamp) {
    if (&other == this) return;
    std::scoped_lock guard(lock_, other.lock_);
    const int otherState = other.RawState();
    const int serial = GetSerial();
    const int stamp = GetChangeStamp();
    info_ = other.info_;
    info_.stateWords[kSerialWord] = serial;
    info_.stateWords[kStampWord] = stamp;
    SetRawState(otherState == kTrackReadyButNotLoaded || otherState == kTrackReady ? otherState
                                                                                  : 0);
    // The sound stays the other track's: dropped, not closed.
    sound_ = nullptr;
    stream_ = nullptr;
    continue_.store(other.continue_.load());
    analysed_ = other.analysed_;
    open_ = false;
    // A part of the song: both trim pairs become the part, as the automatic
    // trims are found again once the part has a sound of its own.
    if (start != -1 || end != -1) {
        const std::int32_t from = start != -1 ? start : info_.trimStartMs;
        const std::int32_t to = end != -1 ? end : info_.trimEndMs;
        SetUserTrims(from, to);
        SetAutoTrims(from, to);
    }
    if (keepStamp)
        info_.stateWords[kStampWord] = other.info_.stateWords[kStampWord];
    else
        RenewChangeStamp();
}

void CCDTrack::TakeSongInformation(const TONECORE_CMusicInfo& info) {
    TGuard guard(lock_);
    const std::uint64_t volume = info_.playData;
    const int serial = info_.stateWords[kSerialWord];
    const int stamp = info_.stateWords[kStampWord];
    info_ = info;
    info_.playData = volume;
    info_.stateWords[kSerialWord] = serial;
    info_.stateWords[kStampWord] = stamp;
    SetRawState(kTrackWaiting);
}

bool CCDTrack::IsLoading() const {
    TGuard guard(lock_);
    return loading_;
}

bool CCDTrack::IsAnalysed() const {
    TGuard guard(lock_);
    return analysed_;
}

bool CCDTrack::IsSelected() const {
    TGuard guard(lock_);
    return selected_;
}

void CCDTrack::SetSelected(bool selected) {
    TGuard guard(lock_);
    selected_ = selected;
}

int CCDTrack::GetState() const {
    TGuard guard(lock_);
    return RawState();
}

void CCDTrack::SetState(int state) {
    {
        TGuard guard(lock_);
        SetRawState(state);
    }
    NotifyChanged();
}

CSongSound* CCDTrack::GetSound() const {
    TGuard guard(lock_);
    return loading_ ? nullptr : sound_;
}

void CCDTrack::SetLoading(bool loading) {
    TGuard guard(lock_);
    loading_ = loading;
    if (loading) continue_.store(true);
}

void CCDTrack::ReleaseSound() {
    if (sound_ != nullptr) {
        CAudioAtom* atom = sound_;
        DeleteAtom(&atom);
        sound_ = nullptr;
    }
    if (stream_ != nullptr) DeleteRefObject(&stream_);
    stream_ = nullptr;
}

bool CCDTrack::CloseSound() {
    TGuard guard(lock_);
    // A burn writing or testing the track reads its sound.
    if (loading_ || RawState() == kTrackBurning || RawState() == kTrackTesting) return false;
    const bool held = sound_ != nullptr || stream_ != nullptr;
    open_ = false;
    ReleaseSound();
    return held;
}

std::int32_t CCDTrack::GetTrimmedLength(bool automatic) const {
    TGuard guard(lock_);
    const std::int64_t length = automatic ? std::int64_t{info_.autoTrimEndMs} - info_.autoTrimStartMs
                                          : std::int64_t{info_.trimEndMs} - info_.trimStartMs;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(length, 0, INT32_MAX));
}

std::int32_t CCDTrack::GetLength() const {
    TGuard guard(lock_);
    return analysed_ ? GetTrimmedLength(false) : info_.lengthMs;
}

bool CCDTrack::NeedsProcessing(double level, bool onlyShortCheck) const {
    TGuard guard(lock_);
    const std::int32_t automatic = GetTrimmedLength(true);
    const std::int32_t user = GetTrimmedLength(false);
    if (onlyShortCheck) return user < kShortestSongMs;
    const bool trimsMatter = prefs_.bTrimSoundsAutomatically != 0 &&
                             !(user - automatic < prefs_.minTrimThreshold &&
                               automatic >= kShortestSongMs);
    if (trimsMatter) return true;
    const double volume = GetVolume();
    if (volume < kLowestUnchangedVolume || volume > kHighestUnchangedVolume) return true;
    if (prefs_.bNormalizeSounds != 0)
        return std::fabs(GetPeakLevel() - level) > prefs_.iNormDiffThreshold * kNormDiffUnit;
    return false;
}

bool CCDTrack::SetUserTrims(std::int32_t startMs, std::int32_t endMs) {
    TGuard guard(lock_);
    if (loading_) return false;
    info_.trimStartMs = startMs;
    info_.trimEndMs = endMs;
    return true;
}

void CCDTrack::SetAutoTrims(std::int32_t startMs, std::int32_t endMs) {
    TGuard guard(lock_);
    info_.autoTrimStartMs = startMs;
    info_.autoTrimEndMs = endMs;
}

std::int32_t CCDTrack::GetUserTrimStart() const {
    TGuard guard(lock_);
    return info_.trimStartMs;
}

std::int32_t CCDTrack::GetUserTrimEnd() const {
    TGuard guard(lock_);
    return info_.trimEndMs;
}

std::int32_t CCDTrack::GetAutoTrimStart() const {
    TGuard guard(lock_);
    return info_.autoTrimStartMs;
}

std::int32_t CCDTrack::GetAutoTrimEnd() const {
    TGuard guard(lock_);
    return info_.autoTrimEndMs;
}

void CCDTrack::SetVolume(double volume) {
    TGuard guard(lock_);
    // A track without data yet has nothing the factor could apply to.
    if (RawState() != kTrackNoValidDataYet) info_.playData = VolumeBits(volume);
}

double CCDTrack::GetVolume() const {
    TGuard guard(lock_);
    if (RawState() == kTrackNoValidDataYet) return 1.0;
    return std::bit_cast<double>(info_.playData);
}

void CCDTrack::CancelLoad() {
    Log("CCDTrack::CancelLoad");
    continue_.store(false);
}

double CCDTrack::GetPeakLevel() const {
    TGuard guard(lock_);
    return info_.volume;
}

void CCDTrack::SetPeakLevel(double level) {
    TGuard guard(lock_);
    info_.volume = level;
}

int CCDTrack::GetSerial() const {
    TGuard guard(lock_);
    return info_.stateWords[kSerialWord];
}

void CCDTrack::SetSerial(int serial) {
    TGuard guard(lock_);
    info_.stateWords[kSerialWord] = serial;
}

int CCDTrack::GetChangeStamp() const {
    TGuard guard(lock_);
    return info_.stateWords[kStampWord];
}

std::uint32_t CCDTrack::GetFileSize() const {
    TGuard guard(lock_);
    return static_cast<std::uint32_t>(info_.pathWords[kSizeWord]);
}

void CCDTrack::SetFileSize(std::uint32_t bytes) {
    TGuard guard(lock_);
    info_.pathWords[kSizeWord] = static_cast<std::int32_t>(bytes);
}

std::uint32_t CCDTrack::GetFileTime() const {
    TGuard guard(lock_);
    return static_cast<std::uint32_t>(info_.pathWords[kTimeWord]);
}

void CCDTrack::SetFileTime(std::uint32_t seconds) {
    TGuard guard(lock_);
    info_.pathWords[kTimeWord] = static_cast<std::int32_t>(seconds);
}

bool CCDTrack::IsCdQuality() const {
    TGuard guard(lock_);
    return info_.flags[kCdQualityFlag];
}

void CCDTrack::SetCdQuality(bool on) {
    TGuard guard(lock_);
    info_.flags[kCdQualityFlag] = on;
}

void CCDTrack::ForgetAnalysis() {
    TGuard guard(lock_);
    analysed_ = false;
    info_.flags[kAnalysedStoredFlag] = false;
}

bool CCDTrack::IsAnalysedWhenStored() const {
    TGuard guard(lock_);
    return info_.flags[kAnalysedStoredFlag];
}

void CCDTrack::SetAnalysedWhenStored(bool on) {
    TGuard guard(lock_);
    info_.flags[kAnalysedStoredFlag] = on;
}

bool CCDTrack::IsSilenceWarned() const {
    TGuard guard(lock_);
    return info_.flags[kSilenceWarnedFlag];
}

void CCDTrack::SetSilenceWarned(bool on) {
    TGuard guard(lock_);
    info_.flags[kSilenceWarnedFlag] = on;
}

bool CCDTrack::IsIncompleteWarned() const {
    TGuard guard(lock_);
    return info_.flags[kIncompleteWarnedFlag];
}

void CCDTrack::SetIncompleteWarned(bool on) {
    TGuard guard(lock_);
    info_.flags[kIncompleteWarnedFlag] = on;
}

TONECORE_CMusicInfo CCDTrack::GetMusicInfo() const {
    TGuard guard(lock_);
    return info_;
}

bool CCDTrack::PathFitsSessionFile() const {
    TGuard guard(lock_);
    std::string stored;
    return info_.StoredPathBytes(stored);
}

std::string CCDTrack::GetPath() const {
    TGuard guard(lock_);
    return info_.path;
}
