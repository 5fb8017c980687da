#pragma once
// The program's two kinds of sound.
//
// CSongSound: a song played by the player or held by a session track. It
// knows which song it is (the session serial, the player's 16-bit sound id
// and the song's entry) and tells the song lists when it starts and stops
// playing, through DoSongAction with the player's list type. Copies (whole
// or of a time range) are song sounds that keep all of this.
//
// CSignalSound: a short signal ("done" sounds); it tells nobody anything.
//
// NotifyAtom runs on the engine's service thread with the engine lock held,
// so it only posts: it never calls back into the player or a window.

#include <cstdint>

#include "songsmith/session/song_entry.h"
#include "tonecore/sound/pcm_sound.h"

class CSongSound : public CPCMSound {
public:
    CSongSound() = default;
    CSongSound(const CSongSound& source);
    // A song sound for [start, end] ms of source.
    CSongSound(CSongSound& source, std::int32_t start, std::int32_t end);
    CSongSound& operator=(const CSongSound&) = delete;
    ~CSongSound() override = default;

    CAudioAtom* Copy(std::int32_t start, std::int32_t end) override;
    CAudioAtom* Copy() override;
    void NotifyAtom(TSoundStateCode code, std::int32_t arg) override;

    int serial = -1;  // the session track's serial; -1 when none
    std::uint16_t soundId = 0;
    CSongEntry song;
    int reportStop = 1;
    int reportStart = 1;

private:
    // The serial, id, entry and flags of source.
    void TakeSongFields(const CSongSound& source);
};

class CSignalSound : public CPCMSound {
public:
    void NotifyAtom(TSoundStateCode code, std::int32_t arg) override;
};
