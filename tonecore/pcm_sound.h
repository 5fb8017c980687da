#pragma once
// CPCMSound: a sound object that plays PCM data (a decoded song or a
// recording). What is here is its place among the sound objects and how it
// is started; its data, loading and reading extend this class.

#include <cstdint>

#include "tonecore/audio_atom.h"

class CPCMSound : public CAudioAtom {
public:
    CPCMSound() = default;
    CPCMSound(const CPCMSound& source) = default;
    CPCMSound& operator=(const CPCMSound&) = delete;
    ~CPCMSound() override = default;

    int Type() override { return ATOM_KIND_PCM_SOUND; }
    // Hands the sound to the current mixer (PlayInCurrentMixer): 0 for an
    // offset past its length, a sound already playing, or no mixer.
    int Play(std::int32_t offset) override;
};
