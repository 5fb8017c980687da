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

// Disc capacity before any disc was measured: 74 minutes less 10 ms.
inline constexpr std::int32_t kBurnDefaultCapacityMs = 4439990;

const char* BurnStateKey(std::int32_t state);
// Index 9 (a write failure worded by the window itself) has no key.
const char* BurnErrorKey(std::int32_t index);
const char* BurnPhaseKey(std::int32_t phase);
