#pragma once
// The reader core's extraction loop: one audio track of a table of contents,
// read through a sector reader and handed to the extraction block's
// callbacks on the calling thread.
//
// Event 11 comes first (the start and end frames of what is read, lead-in
// included), then data blocks of whole sectors each followed by event 12
// with the frames it held, and event 13 only after the last sector was
// delivered: an aborted or failed track never looks complete.

#include <atomic>
#include <cstdint>
#include <string>

#include "platter/disc_toc.h"
#include "platter/types.h"

struct TExtractFailure {
    std::int32_t code = 0;
    std::string text;
};

class ISectorReader {
public:
    virtual ~ISectorReader() = default;
    // Reads count raw audio sectors from lsn into out (count x 2352 bytes),
    // in rising order through a track. False with failure filled when the
    // track cannot go on.
    virtual bool ReadSectors(std::int32_t lsn, std::int32_t count, std::uint8_t* out, TExtractFailure& failure) = 0;
};

// Sectors handed to the data callback at a time (a third of a second):
// small enough that an abort is seen at once.
inline constexpr std::int32_t kExtractBlockSectors = 25;

// The part of the audio track the block asks for, from its start offset to
// the track's end, as [start, end) in logical sectors.
// False with failure filled when the block or the track number is unusable.
bool ResolveAudioTrack(const TDiscToc& toc, const TExtractParams& params, std::int32_t& start, std::int32_t& end,
                       TExtractFailure& failure);

// False with failure filled when the track cannot be read, the block is
// unusable, or abort was set (code -100).
bool ExtractTrackAudio(const TDiscToc& toc, const TExtractParams& params, ISectorReader& reader,
                       const std::atomic<bool>& abort, TExtractFailure& failure);
