// Track by track preparation (burn modes 2 to 4): only the tracks that need
// it are rendered into WAV files; the others are written from their own
// files, copied first when they lie on no local disk.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "filekit/log.h"
#include "songsmith/burn/burn_layout.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/sound_group.h"
#include "utilities/file_system.h"

namespace {

constexpr std::int32_t kTransitionGap = 1;
// The margin a track cut at the capacity keeps from it.
constexpr std::int32_t kCutMarginMs = 100;
constexpr int kFadeOutExcess = 2;
// The level songs are normalised to when not to the loudest track.
constexpr double kDefaultLevel = 0.99;
// Wave format tags.
constexpr int kTagPcm = 1;
constexpr int kTagMuLaw = 9;
constexpr int kTagMp3 = 0x55;
constexpr int kTagWma = 0x161;
// Burn modes.
constexpr int kModeShortOnly = 3;
constexpr int kModeKeepCdWav = 4;

int FormatTag(const CCDTrack& track) { return track.GetMusicInfo().waveFormat.wFormatTag; }

// Copies from to to through a file beside to, renamed over it once whole.
bool CopyWhole(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    const std::string part = to + ".part";
    std::error_code error;
    if (!fs::copy_file(from, part, fs::copy_options::overwrite_existing, error)) {
        fs::remove(part, error);
        return false;
    }
    fs::rename(part, to, error);
    if (error) {
        fs::remove(part, error);
        return false;
    }
    return true;
}

}  // namespace

double CBurner::TargetLevel(int count) {
    return prefs_.bNormalizeToLoudestTrack != 0 ? tracks_->GetLoudestPeak(count) : kDefaultLevel;
}

bool CBurner::CopyRemoteSong(int index, std::int32_t lengthMs) {
    CCDTrack* track = tracks_->GetAt(index);
    const std::string song = track->GetPath();
    if (IsOnLocalHardDrive(song.c_str())) return true;
    tracks_->Unlock();
    std::string folder;
    bool copied = false;
    int error = 0;
    if (!FolderWithRoom(BurnKilobytesFor(lengthMs), folder)) {
        error = errorIndex.load();
    } else {
        const std::string copy = TrackFilePath(folder, index, ".tmm");
        tracks_->Lock();
        if (CCDTrack* copying = tracks_->GetAt(index)) copying->SetState(kTrackCopyingLocally);
        tracks_->Unlock();
        copied = CopyWhole(song, copy);
        tracks_->Lock();
        if (CCDTrack* done = tracks_->GetAt(index)) {
            if (copied) done->SetTempFile(copy.c_str());
            done->SetState(kTrackReadyButNotLoaded);
        }
        tracks_->Unlock();
        if (!copied) {
            LogFmt("Failed to copy [%s] to [%s]", song.c_str(), copy.c_str());
            // A song that is gone cannot be burned; anything else is taken
            // for a disk that filled up.
            std::error_code gone;
            error = std::filesystem::exists(song, gone) ? 8 : 7;
        }
    }
    if (!copied) FailPreparation(error);
    tracks_->Lock();
    return copied;
}

int CBurner::ConvertTracksAsNeeded() {
    if (tracks_ == nullptr) return 0;
    const TFadePreferences fade = BurnFadeSettings(prefs_);
    // Files are written track by track: only gaps of silence lie between
    // them (the write adds them).
    const bool gaps = fade.transitionMode == kTransitionGap && fade.gapMs > 0;
    const bool automatic = prefs_.bTrimSoundsAutomatically != 0;
    const int burnMode = mode.load();
    const bool convertFirst = prefs_.BurnerPrefs[kBurnerConvertFirst] != 0;
    // The disc in the drive decides (after a "disc too small" answer, the
    // new disc).
    const std::int32_t capacity = MaxMilsPerCD(true);

    const bool reuse = reuseConverted.load();

    tracks_->Lock();
    const int count = std::min(tracks_->GetCount(), PLATTER_MAX_TRACKS);
    const double level = TargetLevel(count);
    const std::string shared = SharedInputs(count);
    tracks_->Unlock();
    BeginConversion();
    SetState(kBurnStateConverting);
    preparedTracks.store(count);
    trackEnds.fill(0);
    trackLengths.fill(0);
    totalBurnLength.store(0);
    TBurnGroup group = MakeBurnGroup();
    const std::unique_ptr<CPCMMixer> mixer = MakeBurnMixer();

    int prepared = count;
    int failure = 0;
    std::int64_t running = 0;
    bool finished = false;
    tracks_->Lock();
    for (int s = 0; s < count && !finished && !abort.load(); ++s) {
        CCDTrack* track = tracks_->GetAt(s);
        const bool last = s + 1 == count;
        const std::int32_t userLength = track->GetTrimmedLength(false);
        const std::int32_t len = DiscTrackLengthMs(userLength, fade, last, gaps);
        running += len;
        const int tag = FormatTag(*track);
        const bool cdQuality = track->IsCdQuality();
        const bool usable = burnMode == kModeKeepCdWav && tag == kTagPcm && cdQuality &&
                            !track->NeedsProcessing(level, false);
        // A song shorter than the disc's shortest track is converted, so its
        // file is padded to that length.
        const bool convert =
            running > capacity || tag == kTagWma || userLength < kMinDiscTrackMs ||
            (!usable && (convertFirst || !cdQuality || track->NeedsProcessing(level, burnMode == kModeShortOnly)));
        std::int32_t onDisc = len;
        if (convert) {
            running -= len;
            const TBurnRange range = BurnRangeOf(*track, automatic);
            onDisc = DiscTrackLengthMs(range.lengthMs, fade, last, gaps);
            running += onDisc;
            bool skipped = false;
            bool cut = false;
            if (running > capacity) {
                if (gaps && !last) running -= fade.gapMs;
                const std::int64_t cutMs = range.lengthMs + capacity - running - kCutMarginMs;
                finished = true;
                if (cutMs < kMinDiscTrackMs) {
                    skipped = true;
                    prepared = s;
                } else {
                    onDisc = static_cast<std::int32_t>(cutMs);
                    cut = true;
                    prepared = s + 1;
                }
            }
            if (skipped) break;
            SetTrackEnd(s, trackEnds[static_cast<std::size_t>(s)] + onDisc);
            totalBurnLength += onDisc;
            // The file an earlier preparation made serves while nothing that
            // shaped it changed; every other track is converted again.
            char layout[64];
            std::snprintf(layout, sizeof layout, "d%d|c%d|f%d", onDisc, cut ? 1 : 0, s > 0 ? 1 : 0);
            const std::string inputs = shared + SongInputs(*track) + layout;
            if (reuse && TrackFileStillMatches(*track, inputs)) {
                LogFmt("Reusing converted track #%d [%s]", s + 1, track->GetTempFile().c_str());
                continue;
            }
            if (!track->OpenSound() || track->GetSound() == nullptr) {
                failure = 7;
                break;
            }
            CSongSound& sound = *track->GetSound();
            PrepareBurnSound(sound, range);
            if (cut) {
                sound.SetVirtualLength(onDisc);
                if (prefs_.excessTreatment == kFadeOutExcess)
                    ApplyBurnFade(envelopes_, sound, track->GetVolume(), onDisc, s > 0, true);
            } else {
                ApplyBurnGain(envelopes_, sound);
            }
            sound.Add(group.get(), 0);
            tracks_->Unlock();
            currentTrack.store(s);
            const bool opened = OpenTrackWav(s);
            bool rendered = false;
            if (opened && !abort.load()) {
                rendered = RenderGroup(*mixer, *group, group->Length(0), BurnPcmSinkCallback, this);
            }
            if (opened) CloseTrackWav();
            tracks_->Lock();
            if (!opened || !rendered || !closedWell_) {
                prepared = 0;
                finished = true;
            }
            sound.Remove();
            if (CCDTrack* done = tracks_->GetAt(s)) {
                done->CloseSound();
                if (opened && rendered && closedWell_) done->SetTempFileInputs(inputs);
            }
        } else {
            track->SetTempFile("");
            if (!CopyRemoteSong(s, len)) {
                prepared = 0;
                break;
            }
            SetTrackEnd(s, trackEnds[static_cast<std::size_t>(s)] + len);
            totalBurnLength += len;
        }
    }
    tracks_->Unlock();
    if (failure != 0) {
        abort.store(true);
        FailPreparation(failure);
    }
    if (failure != 0 || errorIndex.load() != 0) prepared = 0;
    group.reset();
    preparedTracks.store(prepared);
    lastPreparationResult.store(prepared);
    return prepared;
}

int CBurner::GetLengthToConvert(bool convertFirst, bool onlyShortCheck) {
    if (tracks_ == nullptr) return 0;
    const std::int32_t capacity = MaxMilsPerCD(false);
    if (convertFirst)
        return std::min(capacity, tracks_->GetBurnLength(prefs_.bTrimSoundsAutomatically != 0, true));
    std::int64_t total = 0;
    std::int64_t position = 0;
    tracks_->Lock();
    const int count = std::min(tracks_->GetCount(), PLATTER_MAX_TRACKS);
    const double level = TargetLevel(count);
    for (int s = 0; s < count; ++s) {
        const CCDTrack* track = tracks_->GetAt(s);
        const std::int32_t len = track->GetTrimmedLength(false);
        if (position + len > capacity) {
            total += capacity - position;
            break;
        }
        // WMA songs are always converted, and so are songs shorter than the
        // shortest track.
        const int tag = FormatTag(*track);
        const bool writtenAsTheyAre = (tag == kTagPcm || tag == kTagMuLaw || tag == kTagMp3) &&
                                      track->IsCdQuality() && len >= kMinDiscTrackMs &&
                                      !track->NeedsProcessing(level, onlyShortCheck);
        if (!writtenAsTheyAre) total += len;
        position += len;
    }
    tracks_->Unlock();
    return static_cast<int>(std::clamp<std::int64_t>(total, 0, INT32_MAX));
}
