#pragma once
// The load states of a session track and the keyed text that shows each in
// the session list. The text table has a row for every status the program
// shows, including some that no session track takes (burn failure, ripping).

#include <array>

enum ETrackState : int {
    kTrackNoValidDataYet = 0,  // new: to be loaded
    kTrackFileNotFound = 1,
    kTrackInUse = 2,           // held by another program; only the length is known
    kTrackWaiting = 3,         // to be loaded
    kTrackPrep = 4,            // loading
    kTrackFailedPrep = 5,      // could not be decoded
    kTrackReadyButNotLoaded = 6,  // analysed, its sound open
    kTrackReady = 7,           // analysed, sound closed
    kTrackCopyingLocally = 8,
    kTrackConvertingToWave = 9,
    kTrackBurning = 10,
    kTrackTesting = 11,
    kTrackFailedBurn = 12,
    kTrackBurnt = 13,
    kTrackRipping = 14,
    kTrackRipped = 15,
    kTrackFailedRip = 16,
};

inline constexpr int kTrackStateCount = 17;

// The status text key of a state; "Status_NoValidDataYet" for a state
// outside the table, so a damaged stored state still shows a text.
const char* TrackStatusKey(int state);
