// The write block of one copy: an entry per prepared track (the file to
// write, its kind, the silence after it and its length), then the write
// settings the user chose.
#include <algorithm>
#include <cstdint>
#include <string>

#include "filekit/log.h"
#include "songsmith/burner/burn_file_type.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_list.h"
#include "utilities/text_format.h"

namespace {

constexpr std::int32_t kTransitionGap = 1;
constexpr int kModeWholeSession = 1;
constexpr int kModeOnTheFly = 5;
constexpr int kTagPcm = 1;

// Whole sectors of a gap: 75 a second, in 64 bits so long gaps cannot
// overflow.
std::int32_t GapSectors(std::int32_t gapMs) {
    return static_cast<std::int32_t>(std::int64_t{gapMs} * PLATTER_BYTES_PER_SECOND / 1000 / PLATTER_SECTOR_BYTES);
}

const char* KindLine(std::uint8_t fileType) {
    switch (fileType) {
        case PLATTER_FILE_MP3: return "            Burning original MP3";
        case PLATTER_FILE_WAV_ORIGINAL: return "            Burning original WAV";
        default: return "            *****Burning CONVERTED WAV";
    }
}

}  // namespace

void CBurner::FillTrackEntries(TWriteDiscParams& block, std::array<std::string, PLATTER_MAX_TRACKS>& paths) {
    block.firstTrack = 1;
    block.trackCount = 0;
    if (tracks_ == nullptr) return;
    const TFadePreferences fade = BurnFadeSettings(prefs_);
    const int burnMode = mode.load();
    // Gaps are written as silence between track files only when the tracks
    // were prepared one by one.
    const bool gaps = fade.transitionMode == kTransitionGap && fade.gapMs > 0 && burnMode != kModeWholeSession &&
                      burnMode != kModeOnTheFly;
    tracks_->Lock();
    const int count = std::min({preparedTracks.load(), tracks_->GetCount(), PLATTER_MAX_TRACKS});
    int s = 0;
    for (; s < count && !abort.load(); ++s) {
        const CCDTrack* track = tracks_->GetAt(s);
        const TONECORE_CMusicInfo info = track->GetMusicInfo();
        const std::string temp = track->GetTempFile();
        const std::string song = track->GetPath();
        const auto slot = static_cast<std::size_t>(s);
        paths[slot] = temp.empty() ? song : temp;
        TWriteTrackEntry& entry = block.tracks[slot];
        entry.path = paths[slot].c_str();
        entry.gapSectors = gaps && s + 1 < count ? GapSectors(fade.gapMs) : 0;
        entry.bytesPerSector = PLATTER_SECTOR_BYTES;
        if (BurnFileIsMp3(paths[slot], song))
            entry.fileType = PLATTER_FILE_MP3;
        else if (temp.empty() && info.waveFormat.wFormatTag == kTagPcm)
            entry.fileType = PLATTER_FILE_WAV_ORIGINAL;
        else
            entry.fileType = PLATTER_FILE_WAV_CONVERTED;
        entry.lengthBytes = static_cast<std::int32_t>(TrackLengthBytes(trackLengths[slot]));
        char length[kLengthStringSize];
        MakeLengthString(trackLengths[slot], length, sizeof length, 0);
        LogFmt("Track %d: Original File Path = %s\r\n    Format = %s %s Length=%s", s + 1, song.c_str(),
               info.formatText, track->IsIncompleteWarned() ? " [Possible incomplete song]" : "", length);
        Log(KindLine(entry.fileType));
    }
    tracks_->Unlock();
    block.trackCount = static_cast<std::uint8_t>(s);
}

void CBurner::FillWriteSettings(TWriteDiscParams& block) {
    const TBurnerPrefs& choices = prefs_.BurnerPrefs;
    block.writeSpeed = static_cast<std::uint8_t>(choices[kBurnerWriteSpeed]);
    block.burnProof = burnProofInUse.load() ? 1 : 0;
    block.testWrite = test.load() ? 1 : 0;
    block.cdText = choices[kBurnerCdText] != 0 ? 1 : 0;
    block.burnerPrefsValue1 = choices[kBurnerParamFlag] != 0 ? 1 : 0;
    block.burnerPrefsValue2 = choices[kBurnerParamNumber1];
    block.burnerPrefsValue3 = choices[kBurnerParamNumber2];
    block.onTheFly = mode.load() == kModeOnTheFly ? 1 : 0;
    block.eventCallback = BurnEventCallback;
    block.eventContext = this;
    block.audioCallback = BurnAudioCallback;
    block.audioContext = this;
    block.totalLengthMs = totalBurnLength.load();
}
