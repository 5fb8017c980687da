// Loading a session track's song: the full analysis (Load) and the plain
// open for playing or burning (OpenSound).
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <new>

#include "filekit/file_obj.h"
#include "filekit/log.h"
#include "filekit/ref_obj.h"
#include "platform/wait_clock.h"
#include "songsmith/app/app_message.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_states.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/peaks/peaks.h"

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

// The decoder's own numbers for a session track's load, passed unchanged.
constexpr std::int32_t kLoadBufferMs = 2000;
// A long decode gives the rest of the program the processor for a moment
// this often, so that playback and the windows never stall behind it.
constexpr std::int64_t kYieldEveryMs = 600;
constexpr std::uint32_t kYieldForMs = 30;
// Peaks are stored as 16-bit magnitudes; a level is a fraction of full scale.
constexpr double kFullScale = 32768.0;

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

void DropSound(CSongSound*& sound) {
    if (sound == nullptr) return;
    CAudioAtom* atom = sound;
    DeleteAtom(&atom);
    sound = nullptr;
}

}  // namespace

void CCDTrack::BeginLoading() {
    TGuard guard(lock_);
    loading_ = true;
    continue_.store(true);
}

void CCDTrack::YieldWhenDue() {
    if (WaitClockMilliseconds() < nextYieldMs_) return;
    Sleep(kYieldForMs);
    nextYieldMs_ = WaitClockMilliseconds() + kYieldEveryMs;
}

int CCDTrack::LoadProgress(std::uint32_t byteCount, void* context) {
    (void)byteCount;
    auto* track = static_cast<CCDTrack*>(context);
    track->YieldWhenDue();
    return track->continue_.load() ? 1 : 0;
}

CCDTrack::EDecode CCDTrack::DecodeSong(const std::string& path, CSongSound*& sound) {
    sound = nullptr;
    if (!FileExists(path)) return EDecode::kMissing;
    auto* stream = new (std::nothrow) CFileObj;
    if (stream == nullptr) return EDecode::kFailed;
    if (stream->Open(path.c_str(), 0, 0) == 0) {
        CRefObj* ref = stream;
        DeleteRefObject(&ref);
        return FileExists(path) ? EDecode::kFailed : EDecode::kMissing;
    }
    auto* decoded = new (std::nothrow) CSongSound;
    nextYieldMs_ = WaitClockMilliseconds();
    const bool loaded =
        decoded != nullptr && decoded->InitialLoad(stream, kLoadBufferMs, 1, 1, 1, 1,
                                                   prefs_.soundScanMilsPerPixel, LoadProgress,
                                                   this) != 0;
    // The sound holds its own reference to the stream.
    CRefObj* ref = stream;
    DeleteRefObject(&ref);
    const bool cancelled = !continue_.load();
    if (loaded && !cancelled) {
        sound = decoded;
        return EDecode::kDecoded;
    }
    DropSound(decoded);
    return cancelled ? EDecode::kCancelled : EDecode::kFailed;
}

void CCDTrack::NoteFrameQuality(const CPeaks& peaks) {
    if (peaks.HasBadFrames() != 0) {
        info_.flags[kCdQualityFlag] = false;
        if (LoggingNow() != 0) LogFmt("***BAD FRAMES FOUND IN %s .", info_.path);
    }
    if (peaks.HasNonCDQualityFrames() != 0) {
        info_.flags[kCdQualityFlag] = false;
        if (LoggingNow() != 0) LogFmt("***Non CD Quality FRAMES FOUND IN %s .", info_.path);
    }
}

std::uint32_t CCDTrack::TakeAnalysedSound(CSongSound* sound) {
    TGuard guard(lock_);
    if (ACMObject* decoder = sound->GetACMObj())
        info_.flags[kCdQualityFlag] = decoder->FirstFrameDecodesToCDQuality() != 0;
    sound->serial = GetSerial();
    sound_ = sound;
    open_ = true;
    analysed_ = true;
    if (info_.displayText[0] == '\0')
        std::snprintf(info_.displayText, sizeof info_.displayText, "%s", info_.title);
    const std::int32_t length = sound->Length(0);
    info_.trimStartMs = info_.autoTrimStartMs = 0;
    info_.trimEndMs = info_.autoTrimEndMs = length;
    std::uint32_t warning = 0;
    if (const CPeaks* peaks = sound->GetPeaks()) {
        info_.volume = std::max(peaks->GetMaxLeft(), peaks->GetMaxRight()) / kFullScale;
        if (peaks->GetNumPeaks() > 0) {
            info_.autoTrimStartMs = peaks->GetAutoTrimTimeStart();
            // The peaks may count a little more than the sound holds.
            info_.autoTrimEndMs = std::min(peaks->GetAutoTrimTimeEnd(), length);
        }
        if (peaks->IsTotalSilence() != 0) {
            if (!info_.flags[kSilenceWarnedFlag]) {
                info_.flags[kSilenceWarnedFlag] = true;
                warning = WM_TRACK_SILENT;
            }
        } else if (prefs_.bWarnAboutIncompleteSongs != 0 && !info_.flags[kIncompleteWarnedFlag] &&
                   peaks->IsPartialSong() != 0) {
            info_.flags[kIncompleteWarnedFlag] = true;
            warning = WM_TRACK_INCOMPLETE;
        }
        NoteFrameQuality(*peaks);
    }
    SetRawState(kTrackReadyButNotLoaded);
    info_.flags[kAnalysedStoredFlag] = true;
    return warning;
}

bool CCDTrack::Load() {
    std::string path;
    {
        TGuard guard(lock_);
        if (info_.flags[kAnalysedStoredFlag]) return false;
        path = info_.path;
    }
    BeginLoading();
    // There are no sharing modes here to tell a file another program holds
    // from a read-only one, so a present file is always decoded.
    if (FileExists(path)) {
        CSongEntry entry;
        if (entry.LoadFromFile(path.c_str()) != 0) {
            TGuard guard(lock_);
            entry.StoreInMusicInfo(info_);
        }
    }
    SetState(kTrackPrep);
    CSongSound* sound = nullptr;
    const EDecode result = DecodeSong(path, sound);
    std::uint32_t warning = 0;
    int serial = 0;
    {
        TGuard guard(lock_);
        switch (result) {
            case EDecode::kDecoded: warning = TakeAnalysedSound(sound); break;
            case EDecode::kMissing: SetRawState(kTrackFileNotFound); break;
            case EDecode::kCancelled: SetRawState(kTrackWaiting); break;
            case EDecode::kFailed: SetRawState(kTrackFailedPrep); break;
        }
        serial = GetSerial();
        loading_ = false;
    }
    if (warning != 0)
        PostToAppWindow(EAppWindow::kMainWindow,
                        TAppMessage{warning, static_cast<std::uintptr_t>(serial), 0, nullptr});
    NotifyChanged();
    return result == EDecode::kDecoded;
}

bool CCDTrack::OpenSound() {
    std::string path;
    {
        TGuard guard(lock_);
        if (open_ || info_.path[0] == '\0')
            return RawState() == kTrackReadyButNotLoaded || sound_ != nullptr;
        // Another load of this track is under way; its result stands.
        if (loading_) return false;
        path = info_.path;
        ReleaseSound();
        BeginLoading();
    }
    CSongSound* sound = nullptr;
    const EDecode result = DecodeSong(path, sound);
    {
        TGuard guard(lock_);
        switch (result) {
            case EDecode::kDecoded:
                sound->serial = GetSerial();
                sound_ = sound;
                open_ = true;
                analysed_ = true;
                SetRawState(kTrackReadyButNotLoaded);
                break;
            case EDecode::kMissing: SetRawState(kTrackFileNotFound); break;
            case EDecode::kCancelled: SetRawState(kTrackWaiting); break;
            case EDecode::kFailed: SetRawState(kTrackFailedPrep); break;
        }
        loading_ = false;
    }
    NotifyChanged();
    return result == EDecode::kDecoded;
}
