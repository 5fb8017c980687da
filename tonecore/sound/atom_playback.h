#pragma once
// Handing a sound object to the current mixer to be played.

#include <cstdint>

class CAudioAtom;

// Under the atom's lock, refuses (0) an offset past the atom's Length(0) or
// an atom that is already playing. Otherwise, with the atom's lock released
// and the engine lock held (the engine lock always comes first), the current
// mixer's Play(atom, offset, 0) decides; 0 when there is no current mixer.
int PlayInCurrentMixer(CAudioAtom& atom, std::int32_t offset);
