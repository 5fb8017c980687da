#pragma once
// A disc's table of contents as the reader core keeps it, whatever read it
// (a drive or an image): each track's first sector and kind, and the
// lead-out. Addresses are logical sector numbers (0 = the first sector after
// the 2-second lead-in); the device's tables add the lead-in.

#include <cstdint>
#include <string>
#include <vector>

struct TTocTrack {
    std::int32_t lsn = 0;
    bool data = false;
};

struct TDiscToc {
    std::int32_t firstTrack = 1;
    std::vector<TTocTrack> tracks;
    std::int32_t leadoutLsn = 0;
};

// True when the table is usable: 1 to 99 tracks numbered within 1..99,
// starts from 0 rising strictly, and a lead-out after the last start.
// Otherwise why says what is wrong.
bool ValidateToc(const TDiscToc& toc, std::string& why);

// First sector after track index i: the next start, or the lead-out; for
// the last audio track of an Enhanced CD, the end of the audio session.
std::int32_t TrackEndLsn(const TDiscToc& toc, std::size_t i);

// The gap between an audio session and the data session after it: the first
// session's lead-out (6750 frames), the second's lead-in (4500) and the data
// track's pregap (150), as the Enhanced CD layout (Blue Book) places them.
inline constexpr std::int32_t kSessionGapFrames = 11400;

// True when track index i is the last audio track and only data tracks
// follow it with room for the session gap: an Enhanced CD, whose audio
// session ends kSessionGapFrames before the data track. Images carry no
// sessions, so the layout alone decides.
bool EndsAudioSession(const TDiscToc& toc, std::size_t i);

// The CDDB disc ID: digit sums of each start in seconds (lead-in included),
// the playing time in whole seconds from the first start to the lead-out,
// and the track count.
std::uint32_t ComputeDiscId(const TDiscToc& toc);
