#include "songsmith/core/burn_session_check.h"

#include "songsmith/core/cd_track.h"
#include "songsmith/core/song_sounds.h"
#include "songsmith/core/track_list.h"
#include "songsmith/core/track_states.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/tags/music_info.h"

namespace {

// What the analysis of the track's open sound found; null without one.
const CPeaks* PeaksOf(const CCDTrack& track) {
    const CSongSound* sound = track.GetSound();
    return sound != nullptr ? sound->GetPeaks() : nullptr;
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
        const CPeaks* peaks = PeaksOf(*track);
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
