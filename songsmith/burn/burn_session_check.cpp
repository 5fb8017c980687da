#include "songsmith/burn/burn_session_check.h"

#include "songsmith/session/cd_track.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/tags/music_info.h"

namespace {

// What the analysis of the track found: its open sound's peaks, else the
// peaks file the analysis left (the loader closes every sound once it is
// analysed), read into stored. Null when neither is there.
const CPeaks* PeaksOf(const CCDTrack& track, CPeaks& stored) {
    const CSongSound* sound = track.GetSound();
    if (sound != nullptr && sound->GetPeaks() != nullptr) return sound->GetPeaks();
    if (!track.IsAnalysed()) return nullptr;
    const std::string path = track.PeaksCachePath();
    if (path.empty() || stored.LoadPeaksFromFile(path.c_str(), 0) == 0) return nullptr;
    return &stored;
}

std::string TitleOf(const CCDTrack& track) {
    const TONECORE_CMusicInfo info = track.GetMusicInfo();
    return info.title[0] != '\0' ? std::string(info.title) : std::string(info.displayText);
}

}  // namespace

CBurnSessionCheck::CBurnSessionCheck(CTrackList& tracks, std::int32_t capacityMs, bool automaticTrims,
                                     bool warnIncomplete)
    : tracks_(tracks), capacityMs_(capacityMs), automaticTrims_(automaticTrims), warnIncomplete_(warnIncomplete) {}

std::optional<TSessionProblem> CBurnSessionCheck::Next() {
    using EKind = TSessionProblem::EKind;
    std::optional<TSessionProblem> found;
    tracks_.Lock();
    const int count = tracks_.GetCount();
    while (!found && next_ < count && summedMs_ < capacityMs_) {
        const int index = next_++;
        CCDTrack* track = tracks_.GetAt(index);
        if (track == nullptr) continue;
        summedMs_ += track->GetTrimmedLength(automaticTrims_);
        CPeaks stored;
        const CPeaks* peaks = PeaksOf(*track, stored);
        if (track->GetState() == kTrackFileNotFound) {
            found = TSessionProblem{EKind::kMissingFile, index, TitleOf(*track)};
        } else if (peaks != nullptr && peaks->IsTotalSilence() != 0 && !track->IsSilenceWarned()) {
            track->SetSilenceWarned(true);
            found = TSessionProblem{EKind::kSilent, index, TitleOf(*track)};
        } else if (warnIncomplete_ && peaks != nullptr && peaks->IsPartialSong() != 0 &&
                   !track->IsIncompleteWarned()) {
            track->SetIncompleteWarned(true);
            found = TSessionProblem{EKind::kIncomplete, index, TitleOf(*track)};
        }
    }
    tracks_.Unlock();
    return found;
}
