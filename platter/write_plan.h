#pragma once
// The library's own copy of a write block, taken when the write call starts:
// every path is copied, so the program may change or free its track records
// while the write runs. The disc layout comes from the block alone (track
// files, gaps, on-the-fly lengths); the program's cue sheet only lends its
// titles.

#include <cstdint>
#include <string>
#include <vector>

#include "platter/types.h"

struct TPlannedTrack {
    std::string path;
    std::uint8_t fileType = 0;
    // Measured audio bytes (file tracks) or the block's length (on the fly).
    std::int64_t pcmBytes = 0;
    // Sectors of the track's own audio, its last sector padded.
    std::int32_t sectors = 0;
    // Sectors of silence after the track (never after the last).
    std::int32_t gapSectors = 0;
    std::string title;
};

struct TWritePlan {
    bool testWrite = false;
    bool burnProof = false;
    bool cdText = false;
    bool onTheFly = false;
    bool allowRewritable = false;
    std::uint8_t speedNumber = PLATTER_SPEED_MAXIMUM;
    std::int32_t totalLengthMs = 0;
    TBurnEventCallback eventCallback = nullptr;
    void* eventContext = nullptr;
    TBurnAudioCallback audioCallback = nullptr;
    void* audioContext = nullptr;
    std::string cueSheetPath;
    std::string discTitle;
    std::vector<TPlannedTrack> tracks;

    // Sectors of every track and gap.
    std::int64_t TotalSectors() const;
    // The track's first sector (its gap before it belongs to the previous
    // track's extent on the disc).
    std::int64_t TrackStartSector(std::size_t i) const;
};

// The longest gap a block may ask for: two minutes.
inline constexpr std::int32_t kMaxGapSectors = 120 * PLATTER_SECTORS_PER_SECOND;

// Copies the block. False with why filled for a block no drive could write:
// no tracks or more than 99, a first track other than 1, a file track
// without a path, a negative or oversized gap, an on-the-fly write without
// an audio callback or with a track of no length.
bool CopyWriteBlock(const TWriteDiscParams& block, TWritePlan& plan, std::string& why);

// Sectors holding bytes of audio, the last one padded.
std::int32_t SectorsFor(std::int64_t bytes);

// On-the-fly layout from the block's track lengths: each track ends at the
// sector nearest its cumulative length, the last at the sector that holds
// the final byte, so rounding never adds up along the disc and only the end
// is padded.
void LayOutStreamedTracks(TWritePlan& plan);

// Titles from the program's cue sheet: the TITLE before any TRACK names the
// disc, the one after "TRACK nn" names track nn. Nothing else in the sheet
// is used. A missing or unreadable sheet gives no titles.
void ReadCueSheetTitles(TWritePlan& plan);

// A title fit for a CUE line: control characters and double quotes become
// blanks, cut to 80 bytes on a character boundary.
std::string CleanCueTitle(const std::string& title);

// A title as the disc holds it (CD-Text, and the image drive's CUE file):
// cleaned as above, then in ISO 8859-1 with '?' for what it lacks.
std::string CdTextTitle(const std::string& title);
