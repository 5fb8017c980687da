#include "tonecore/pcm_sound.h"

#include "tonecore/atom_playback.h"

int CPCMSound::Play(std::int32_t offset) { return PlayInCurrentMixer(*this, offset); }
