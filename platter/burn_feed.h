#pragma once
// The sources libburn pulls a track's audio from, one sector per read. A
// track always delivers exactly its laid-out sectors: its last sector is
// padded with silence, and audio beyond its extent is left to the next
// track (on the fly) or never read (files).
//
// From a file: the track's measured source. On the fly: the queue the
// program's audio callback renders into, shared by every track in disc
// order. A rendering that ends early leaves the rest silent; one that
// failed (the callback returned 0) fails the track, so a failed rendering
// never becomes a disc of silence.

#include <atomic>
#include <cstdint>

// libburn declares its types in its own namespace.
namespace burn {
struct burn_disc;
struct burn_session;
struct burn_source;
}  // namespace burn
using burn::burn_disc;
using burn::burn_session;
using burn::burn_source;

class CAudioFifo;
class CTrackSource;

// A new source with one reference, to hand to burn_track_set_source and
// then give up with burn_source_free. source must outlive it.
burn_source* NewFileTrackFeed(CTrackSource& source, std::int32_t sectors);

// renderResult: what the callback returned, -1 while it runs.
burn_source* NewStreamTrackFeed(CAudioFifo& fifo, const std::atomic<std::int32_t>& renderResult,
                                std::int32_t sectors, std::int32_t trackNumber);
