#pragma once
// What the player asks of a CD page to play one of its disc's tracks. The
// CD page plays the track itself, through its drive; the player only keeps
// its slot, its sound id and the play state.
//
// The player calls these with its own lock held, from the main thread and,
// for IsPlayingTrack and StopTrack (a track that ended while continuous
// play is off), from its loading worker: those two must not touch widgets
// on the worker's thread but hand such work to the page's own thread.

#include <cstdint>
#include <string>

class ICDTrackPage {
public:
    virtual ~ICDTrackPage() = default;
    // The drive text the page is named by (platter's driveText).
    virtual std::string DriveText() = 0;
    // The drive's short label that CD track paths begin with ("sr0").
    virtual std::string DriveLabel() = 0;
    // The length in ms of the row at index (0-based); 0 when there is none.
    virtual std::int32_t TrackLengthMs(int index) = 0;
    // The row's title and artist (either may be empty).
    virtual void TrackTitleAndArtist(int index, std::string& title, std::string& artist) = 0;
    // Starts the row playing from positionMs into it; false when it cannot.
    virtual bool PlayTrack(int index, std::int32_t positionMs) = 0;
    // Whether the page's track still plays.
    virtual bool IsPlayingTrack() = 0;
    // Stops the page's track.
    virtual void StopTrack() = 0;
    // Plays the page's track after (forward) or before the one that plays,
    // or a random one; false when none was started.
    virtual bool PlayNextSong(bool random, bool forward) = 0;
};
