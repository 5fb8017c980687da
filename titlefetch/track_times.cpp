// GetTrackTimes: a disc's track starts and lengths from its table of
// contents.
//
// Addresses stay as the drive reports them, the 2-second lead-in included,
// so a first track at block 150 starts at 0:02:00 and its entry's length
// (the distance from 0:00:00) is 0:02:00 too.
//
// An Enhanced CD holds its audio in the first session and a data track in a
// later one. The list shows the disc as a CD audio player sees it, the first
// session only: it leaves such trailing data tracks out and ends the last
// audio track where the first session ends, 11,400 blocks before the data
// track (Blue Book multisession layout: the first session's 6,750-block
// lead-out, the second session's 4,500-block lead-in and the data track's
// 150-block pregap). A data track before the
// audio (a mixed-mode disc) is part of the first session and stays.

#include <cstdint>
#include <new>

#include "filekit/log.h"
#include "titlefetch/cd_toc_reader.h"
#include "titlefetch/cddb.h"
#include "titlefetch/titlefetch.h"

namespace {

// Blocks between the last audio track's end and a later session's data track.
constexpr std::int32_t kSessionGapBlocks = 6750 + 4500 + 150;

PLATTER_TTrackPos* MakeEntry(std::int64_t positionFrames, std::int64_t lengthFrames) {
    auto* entry = new PLATTER_TTrackPos;
    entry->positionMinutes = static_cast<std::int32_t>(positionFrames / kFramesPerMinute);
    entry->positionSeconds = static_cast<std::int32_t>(positionFrames % kFramesPerMinute / kFramesPerSecond);
    entry->positionFrames = static_cast<std::int32_t>(positionFrames % kFramesPerSecond);
    entry->lengthMinutes = static_cast<std::int32_t>(lengthFrames / kFramesPerMinute);
    entry->lengthSeconds = static_cast<std::int32_t>(lengthFrames % kFramesPerMinute / kFramesPerSecond);
    entry->lengthFrames = static_cast<std::int32_t>(lengthFrames % kFramesPerSecond);
    return entry;
}

bool AppendEntry(MvList<PLATTER_TTrackPos*>& tracks, std::int64_t positionFrames, std::int64_t lengthFrames) {
    PLATTER_TTrackPos* entry = MakeEntry(positionFrames, lengthFrames);
    if (tracks.Append(entry)) return true;
    delete entry;
    return false;
}

// One run of GetTrackTimes: each step logs its own failure with the device's
// error text.
class CTrackTimesRun {
public:
    explicit CTrackTimesRun(MvList<PLATTER_TTrackPos*>& tracks) : tracks_(tracks) {}

    bool Run(const char* driveText);

private:
    // The text of a device error, from the client's own table.
    CCOMString ErrorText(std::uint32_t code) { return cddb_.getErrorMessage(code); }
    // The number of the last track of the first session's audio (counted
    // from 1 as the list counts), 0 when no track holds audio.
    bool FindLastAudioTrack(std::int32_t& lastAudio);
    bool ReadStarts(std::int32_t lastAudio);
    // Where the last listed track ends: the lead-out, or the end of the
    // first session when later data tracks follow.
    bool ReadLastTrackEnd(std::int32_t lastAudio, std::int32_t& end);

    MvList<PLATTER_TTrackPos*>& tracks_;
    CCDDB cddb_;
    CCdTocReader reader_;
    std::int32_t firstTrack_ = 1;
    std::int32_t trackCount_ = 0;
    std::int32_t lastStart_ = 0;
};

bool CTrackTimesRun::Run(const char* driveText) {
    if (!reader_.Open(driveText)) {
        LogFmt("TITLEFETCH::GetTrackTimes - Failed to open cdaudio device: '%s'",
               ErrorText(CDDB_DEVERR_CANNOT_OPEN).GetString());
        return false;
    }
    // Addresses come as block numbers whatever the caller wants, so there is
    // no time format to set.
    if (!reader_.TrackRange(firstTrack_, trackCount_)) {
        LogFmt("Titlefetch::GetTrackTimes - Failed to get total track count: '%s'",
               ErrorText(CDDB_DEVERR_HARDWARE).GetString());
        return false;
    }
    LogFmt("Titlefetch::GetTrackTimes - totalTracks = %d", trackCount_);
    std::int32_t lastAudio = 0;
    if (!FindLastAudioTrack(lastAudio) || !ReadStarts(lastAudio)) return false;
    std::int32_t end = 0;
    if (!ReadLastTrackEnd(lastAudio, end)) return false;
    // The closing entry lies one frame past the last track's end; callers
    // read the last track's length from it with that frame included.
    const std::int64_t length = std::int64_t{end} - lastStart_ + 1;
    if (!AppendEntry(tracks_, lastStart_ + length, length)) return false;
    reader_.Close();
    LogFmt("Titlefetch::GetTrackTimes - Returning successful");
    return true;
}

bool CTrackTimesRun::FindLastAudioTrack(std::int32_t& lastAudio) {
    for (std::int32_t k = 1; k <= trackCount_; ++k) {
        bool audio = false;
        if (!reader_.IsAudioTrack(firstTrack_ + k - 1, audio)) {
            LogFmt("Titlefetch::GetTrackTimes - Failed to get track type for track %d: '%s'", k,
                   ErrorText(CDDB_DEVERR_HARDWARE).GetString());
            return false;
        }
        if (audio) lastAudio = k;
    }
    if (lastAudio == 0) {
        LogFmt("Titlefetch::GetTrackTimes - No audio tracks: '%s'", ErrorText(CDDB_DEVERR_NO_AUDIO).GetString());
        return false;
    }
    return true;
}

bool CTrackTimesRun::ReadStarts(std::int32_t lastAudio) {
    std::int32_t previous = 0;
    for (std::int32_t k = 1; k <= lastAudio; ++k) {
        std::int32_t start = 0;
        // Starts must rise, or lengths would run backwards.
        if (!reader_.TrackStart(firstTrack_ + k - 1, start) || (k > 1 && start <= previous)) {
            LogFmt("Titlefetch::GetTrackTimes - Failed to get track position for track %d: '%s'", k,
                   ErrorText(CDDB_DEVERR_HARDWARE).GetString());
            return false;
        }
        if (!AppendEntry(tracks_, start, start - previous)) return false;
        const PLATTER_TTrackPos& entry = *tracks_.items[tracks_.count - 1];
        LogFmt("   Track %d: %d min, %d sec, %d frame", k, entry.positionMinutes, entry.positionSeconds,
               entry.positionFrames);
        previous = start;
    }
    lastStart_ = previous;
    return true;
}

bool CTrackTimesRun::ReadLastTrackEnd(std::int32_t lastAudio, std::int32_t& end) {
    bool known = false;
    if (lastAudio == trackCount_) {
        known = reader_.LeadOut(end);
    } else if (std::int32_t dataStart = 0; reader_.TrackStart(firstTrack_ + lastAudio, dataStart)) {
        // A data track too close for a session gap directly follows the
        // audio in one session.
        end = dataStart - kSessionGapBlocks > lastStart_ ? dataStart - kSessionGapBlocks : dataStart;
        known = true;
    }
    if (!known || end <= lastStart_) {
        LogFmt("Titlefetch::GetTrackTimes - Failed to get last track's length: '%s'",
               ErrorText(CDDB_DEVERR_HARDWARE).GetString());
        return false;
    }
    return true;
}

}  // namespace

bool TITLEFETCH_CTitlefetch::GetTrackTimes(MvList<PLATTER_TTrackPos*>& tracks, const char* driveText) {
    DeallocTrackPosList(&tracks, false);
    bool ok = false;
    try {
        ok = CTrackTimesRun(tracks).Run(driveText);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    // Every failure leaves the list empty.
    if (!ok) DeallocTrackPosList(&tracks, false);
    return ok;
}
