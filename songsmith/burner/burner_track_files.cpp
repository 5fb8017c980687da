// The rendering's sink and the track WAV files it fills: one RIFF "WAVE"
// file per track in the temporary folder (or on another fixed drive with
// room), split at whole sectors when the whole session is rendered at once.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "filekit/file_obj.h"
#include "filekit/log.h"
#include "filekit/riff_format.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/system/fixed_drives.h"
#include "songsmith/prefs/preference_defaults.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "utilities/file_system.h"

namespace {

// The shortest track a disc takes, in bytes (4 seconds).
constexpr int kShortestTrackBytes = 705600;
// Room left on the temporary folder's disk beyond the file (KB).
constexpr double kSpaceMarginKB = 250000;
// The least another drive must have free to take the file (KB).
constexpr double kOtherDriveLeastKB = 60000;
// The burn mode that renders the whole session into files at once.
constexpr int kModeWholeSession = 1;


std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

std::int32_t BurnPcmSinkCallback(void* buffer, std::int32_t& length, void* controller) {
    return static_cast<CBurner*>(controller)->OnPcmData(buffer, length);
}

int CBurner::OnPcmData(void* buffer, int length) {
    const int written = WriteTrackPcm(buffer, length);
    if (abort.load()) return 1;
    if (written != length) {
        renderFailed_ = true;
        return 1;
    }
    renderBytes_ += length;
    bytesConverted_ += length;
    renderPosition.store(static_cast<int>(renderBytes_ * 1000 / PLATTER_BYTES_PER_SECOND));
    msConverted.store(static_cast<int>(bytesConverted_ * 1000 / PLATTER_BYTES_PER_SECOND));
    Pace();
    return 0;
}

// The rendering rests now and then so that it does not starve the user
// interface.
void CBurner::Pace() {
    if (timing_.pacingSliceMs <= 0) return;
    if (!nextPauseMs_) {
        nextPauseMs_ = Now() + timing_.pacingPeriodMs;
        return;
    }
    if (Now() < *nextPauseMs_) return;
    clock_->SleepMs(timing_.pacingSliceMs);
    nextPauseMs_ = Now() + timing_.pacingPeriodMs;
}

int CBurner::WriteToTrackFile(const char* data, int length) {
    if (length <= 0 || trackStream_ == nullptr) return 0;
    const std::int64_t written = std::max<std::int64_t>(trackFile_.WriteStreamData(data, length), 0);
    bytesInCurrentFile += static_cast<int>(written);
    return static_cast<int>(written);
}

int CBurner::WriteTrackPcm(const void* buffer, int length) {
    const char* data = static_cast<const char*>(buffer);
    int left = length;
    int written = 0;
    std::int64_t position = renderBytes_;
    // The whole session in one stream: every track boundary the buffer
    // holds starts a new file, however many there are.
    while (mode.load() == kModeWholeSession && currentTrack.load() >= 0 &&
           currentTrack.load() < preparedTracks.load() - 1) {
        const int index = currentTrack.load();
        const std::int64_t boundary = TrackBoundaryBytes(index);
        if (position + left <= boundary) break;
        const int piece = static_cast<int>(std::clamp<std::int64_t>(boundary - position, 0, left));
        if (piece > 0) {
            const int put = WriteToTrackFile(data, piece);
            written += put;
            if (put != piece) return written;
        }
        data += piece;
        left -= piece;
        position += piece;
        CloseTrackWav();
        if (!closedWell_) return written;
        currentTrack.store(index + 1);
        if (!OpenTrackWav(index + 1)) return 0;
    }
    return written + WriteToTrackFile(data, left);
}

std::int64_t CBurner::TrackBoundaryBytes(int index) const {
    // The write block states each track's length in bytes; a write on the
    // fly ends each track at the sector nearest to their running sum. The
    // files end there too, so both write the same tracks, and every file
    // but the last holds whole sectors.
    std::int64_t bytes = 0;
    for (int t = 0; t <= index; ++t) bytes += TrackLengthBytes(trackLengths[static_cast<std::size_t>(t)]);
    return (bytes + PLATTER_SECTOR_BYTES / 2) / PLATTER_SECTOR_BYTES * PLATTER_SECTOR_BYTES;
}

std::string CBurner::TempFolder() const {
    // An unset folder is the program's own temporary folder, never the
    // current or the home folder.
    const std::string chosen = prefs_.Marovelle_Temp_Dir;
    return WithoutTrailingSlash(chosen.empty() ? DefaultTempFolder() : chosen);
}

bool CBurner::FolderWithRoom(double neededKB, std::string& folder) {
    const std::string temp = TempFolder();
    const double freeKB = freeSpace_ ? freeSpace_(temp.c_str()) : GetKBFree(temp.c_str());
    if (neededKB + kSpaceMarginKB <= freeKB) {
        folder = temp;
        return true;
    }
    std::string root;
    if (FindFixedDriveWithSpace(std::max(neededKB, kOtherDriveLeastKB), root, -1) < 0) {
        Log("Not enough space!...");
        FailPreparation(8);
        return false;
    }
    folder = WithoutTrailingSlash(root);
    if (folder == "/") folder.clear();
    return true;
}

bool CBurner::OpenTrackWav(int index) {
    LogCurrentMemory();
    LogCurrentHardDriveSpace();
    bytesInCurrentFile.store(0);
    std::int32_t lengthMs = 0;
    tracks_->Lock();
    if (const CCDTrack* track = tracks_->GetAt(index))
        lengthMs = track->GetTrimmedLength(prefs_.bTrimSoundsAutomatically != 0);
    tracks_->Unlock();
    std::string folder;
    if (!FolderWithRoom(BurnKilobytesFor(lengthMs), folder)) return false;

    const std::string path = TrackFilePath(folder, index, ".tmp");
    CFileObj* file = trackFileMaker_ ? trackFileMaker_() : new CFileObj;
    const bool made = file != nullptr && file->Create(path.c_str()) != 0 &&
                      trackFile_.Create(file, FourCC("WAVE")) != 0 &&
                      trackFile_.WriteSubChunk(FourCC("fmt "), &kBurnCdFormat, sizeof kBurnCdFormat) != 0 &&
                      trackFile_.StartWriteStream(FourCC("data")) != 0;
    if (!made) {
        trackFile_.Close();
        if (file != nullptr) {
            const bool created = file->IsOpen() != 0;
            DeleteRefObject(&file);
            if (created) unlink(path.c_str());
        }
        return false;
    }
    trackStream_ = file;
    closedWell_ = true;

    tracks_->Lock();
    if (CCDTrack* track = tracks_->GetAt(index)) {
        track->SetTempFile(path.c_str());
        track->SetState(kTrackConvertingToWave);
    }
    LogFmt("Converting track #%d to wav [%s]", index + 1, path.c_str());
    // Two tracks back the rendering is done with a song.
    if (index >= 2)
        if (const CCDTrack* done = tracks_->GetAt(index - 2))
            if (CSongSound* sound = done->GetSound())
                if (CPCMBuffer* buffer = sound->GetBuffer()) buffer->LowActivityMode();
    tracks_->Unlock();
    return true;
}

void CBurner::CloseTrackWav() {
    if (trackStream_ != nullptr) {
        static constexpr std::array<char, PLATTER_SECTOR_BYTES> kZeros{};
        bool whole = true;
        while (bytesInCurrentFile.load() < kShortestTrackBytes) {
            const int want = std::min<int>(PLATTER_SECTOR_BYTES, kShortestTrackBytes - bytesInCurrentFile.load());
            if (WriteToTrackFile(kZeros.data(), want) != want) {
                whole = false;
                break;
            }
        }
        // A file whose padding or header did not reach the disk is no track:
        // the preparation fails rather than write it.
        const bool ended = trackFile_.EndWriteStream() != 0;
        trackFile_.Close();
        closedWell_ = whole && ended;
        if (!closedWell_) {
            Log("Failed to finish the track's wav file (disk full?)");
            if (errorIndex.load() == 0) errorIndex.store(8);
        }
        DeleteRefObject(&trackStream_);
        trackStream_ = nullptr;
    }
    const int index = currentTrack.load();
    tracks_->Lock();
    if (CCDTrack* track = tracks_->GetAt(index)) track->SetState(kTrackReadyButNotLoaded);
    LogFmt("Finished converting track #%d", index + 1);
    tracks_->Unlock();
    clock_->SleepMs(timing_.afterTrackFileMs);
    // That was a rest too: the rendering's next one is a whole period away,
    // rather than due at once on top of it.
    if (timing_.afterTrackFileMs > 0 && nextPauseMs_) nextPauseMs_ = Now() + timing_.pacingPeriodMs;
}
