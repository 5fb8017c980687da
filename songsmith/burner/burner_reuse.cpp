// Whether a track file of an earlier preparation may be written again: each
// file keeps a description of what shaped it (the song file as it was, the
// part of it taken, its volume and gain, the transitions and the layout it
// was rendered in), and serves again only while the session still gives
// the same description. Track files are named by their place on the disc;
// a name another track still holds gets a number of its own.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "filekit/path_helpers.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_list.h"

namespace {

// Appends printf-formatted text.
template <class... TArgs>
void Append(std::string& out, const char* format, TArgs... args) {
    char piece[128];
    std::snprintf(piece, sizeof piece, format, args...);
    out += piece;
}

// The song file as it is now: a file changed or replaced in place reads
// differently.
void AppendSongFile(std::string& out, const std::string& path) {
    struct stat song {};
    out += path;
    if (stat(path.c_str(), &song) != 0) {
        out += "|missing";
        return;
    }
    Append(out, "|%lld|%lld.%09ld", static_cast<long long>(song.st_size), static_cast<long long>(song.st_mtim.tv_sec),
           static_cast<long>(song.st_mtim.tv_nsec));
}

}  // namespace

std::string CBurner::SongInputs(const CCDTrack& track) const {
    std::string out;
    AppendSongFile(out, track.GetPath());
    const TBurnRange range = BurnRangeOf(track, prefs_.bTrimSoundsAutomatically != 0);
    Append(out, "|%d+%d|v%.17g|p%.17g;", range.startMs, range.lengthMs, track.GetVolume(), track.GetPeakLevel());
    return out;
}

std::string CBurner::SharedInputs(int count) {
    const TFadePreferences fade = BurnFadeSettings(prefs_);
    const bool normalise = prefs_.bNormalizeSounds != 0;
    const bool toLoudest = normalise && prefs_.bNormalizeToLoudestTrack != 0;
    // The loudest track sets every track's gain only when normalising to it.
    const double loudest = toLoudest ? tracks_->GetLoudestPeak(count) : 0.0;
    std::string out;
    Append(out, "m%d|t%d|n%d,%d,%d|l%.17g|x%d,%d,%d,%d|e%d|c%d|r%u;", mode.load(),
           prefs_.bTrimSoundsAutomatically != 0, normalise, toLoudest,
           static_cast<int>(prefs_.iNormDiffThreshold), loudest, fade.transitionMode,
           fade.gapMs, fade.overlapMs, fade.fadeMs, static_cast<int>(prefs_.excessTreatment),
           static_cast<int>(storedCapacity.load()), static_cast<unsigned>(kBurnCdFormat.nSamplesPerSec));
    return out;
}

std::string CBurner::WholeSessionInputs(int count) {
    // Rendered as one stream, a track's file depends on every track before
    // it (where its sectors begin) and on its neighbours (their overlaps):
    // the whole session shapes it.
    std::string out = SharedInputs(count);
    Append(out, "k%d;", count);
    for (int c = 0; c < count; ++c)
        if (const CCDTrack* track = tracks_->GetAt(c)) out += SongInputs(*track);
    return out;
}

bool CBurner::TrackFileStillMatches(const CCDTrack& track, const std::string& inputs) {
    const std::string file = track.GetTempFile();
    const std::string kept = track.GetTempFileInputs();
    struct stat made {};
    return !file.empty() && !kept.empty() && kept == inputs && stat(file.c_str(), &made) == 0;
}

bool CBurner::WholeSessionFilesMatch(int count) {
    if (tracks_ == nullptr || count <= 0 || lastPreparationResult.load() != count) return false;
    // The disc's capacity shaped the layout; it is asked before the list is
    // locked.
    MaxMilsPerCD(true);
    tracks_->Lock();
    const std::string inputs = WholeSessionInputs(count);
    bool match = tracks_->GetCount() >= count;
    for (int c = 0; c < count && match; ++c) {
        const CCDTrack* track = tracks_->GetAt(c);
        match = track != nullptr && TrackFileStillMatches(*track, inputs + std::to_string(c));
    }
    tracks_->Unlock();
    return match;
}

std::string CBurner::TrackFilePath(const std::string& folder, int index, const char* extension) {
    char base[64];
    std::snprintf(base, sizeof base, "/songsmith_track%02d", index + 1);
    std::string path = folder + base + extension;
    tracks_->Lock();
    // A track elsewhere in the session may still hold a file of this name
    // (kept for reuse, or moved since it was made): it is never written over.
    for (int other = 2;; ++other) {
        bool held = false;
        for (int t = 0; t < tracks_->GetCount() && !held; ++t)
            if (t != index) held = SamePath(tracks_->GetAt(t)->GetTempFile().c_str(), path.c_str());
        if (!held) break;
        path = folder + base + "-" + std::to_string(other) + extension;
    }
    tracks_->Unlock();
    return path;
}
