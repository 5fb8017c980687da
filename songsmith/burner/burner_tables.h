#pragma once
// The keys of the burn controller's texts: its states, error indexes and
// write phases. A number outside a table has no key (null).

#include <cstdint>

enum EBurnState : std::int32_t {
    kBurnStateNoDisc = 0,
    kBurnStateBurntDisc = 1,
    kBurnStateUnwritableDisc = 2,
    kBurnStateUnknownDisc = 3,
    kBurnStateBlankDisc = 4,
    kBurnStateWaiting = 5,
    kBurnStateTesting = 6,
    kBurnStateConverting = 7,
    kBurnStateCueSheet = 8,
    kBurnStateBurning = 9,
    kBurnStateBurnt = 10,
};

// How a burn prepares its audio; the burn command chooses it from the
// engine, the convert-first choice and the session's transitions.
enum EBurnMode : std::int32_t {
    kBurnModeRenderSession = 1,     // the whole session rendered into one WAV file per track
    kBurnModeConvertAsNeeded = 2,   // tracks converted one by one where needed
    kBurnModeConvertMandatory = 3,  // only files that do not decode to CD quality, or are under 4000 ms
    kBurnModeConvertFirst = 4,      // as 2, with CD-quality PCM WAV files used as they are
    kBurnModeOnTheFly = 5,          // no files: the drive library pulls the rendered audio as it writes
};

// Disc capacity before any disc was measured: 74 minutes less 10 ms.
inline constexpr std::int32_t kBurnDefaultCapacityMs = 4439990;

const char* BurnStateKey(std::int32_t state);
// Index 9 (a write failure worded by the window itself) has no key.
const char* BurnErrorKey(std::int32_t index);
const char* BurnPhaseKey(std::int32_t phase);
