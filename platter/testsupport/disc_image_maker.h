#pragma once
// Generated CD images (BIN/CUE) for tests and benchmarks: audio tracks of
// any sector count, data tracks, tracks placed anywhere on the disc, and
// images cut short. Every audio sample is known from the track and its
// position (a rising tone, never repeating, different in each channel and
// each track), so a shifted, misplaced or jittered read shows.
//
// One FILE for the whole disc, as libcdio reads it; whatever lies between
// one track's end and the next track's start belongs to the first track
// (silence, stored as a hole in the file).

#include <cstdint>
#include <string>
#include <vector>

namespace platter_test {

struct TImageTrack {
    std::int32_t sectors = 0;
    bool data = false;  // a MODE1/2352 data track
    // Where it starts (logical sector); -1 right after the previous track.
    std::int32_t startLsn = -1;
};

struct TImageSpec {
    std::vector<TImageTrack> tracks;
    // Bytes cut off the end of the data file (an image whose BIN is
    // shorter than its CUE says).
    std::int64_t cutBytes = 0;
    // Audio stored as holes (silence) rather than written: long discs whose
    // samples no test compares.
    bool sparseAudio = false;
};

struct TDiscImage {
    std::string cuePath;
    std::string binPath;
    std::vector<std::int32_t> startLsn;  // per track
    std::int32_t leadoutLsn = 0;         // the CUE's end of the disc
    // The raw bytes of sectors [firstLsn, endLsn) of the data file.
    std::string Sectors(std::int32_t firstLsn, std::int32_t endLsn) const;
};

// Writes folder/name.cue and folder/name.bin.
TDiscImage WriteDiscImage(const std::string& folder, const std::string& name, const TImageSpec& spec);

// The audio of a generated track's sector (2352 bytes, 16-bit little-endian
// stereo): track from 1, sector from 0 within the track.
std::string FixtureAudioSector(std::int32_t track, std::int32_t sector);

// The shapes the tests share.
// Audio only, odd frame counts: starts 150, 403, 787 (lead-in counted),
// lead-out 1102.
TImageSpec AudioDiscSpec();
// A data track 1, then two audio tracks.
TImageSpec MixedModeSpec();
// Two audio tracks, then a data track 11,400 sectors after the audio ends.
TImageSpec EnhancedCdSpec();
// Two data tracks.
TImageSpec DataOnlySpec();
// The audio disc with its data file cut (not on a sector boundary) before
// its last track starts.
TImageSpec TruncatedSpec();

}  // namespace platter_test
