#include "tonecore/sound/atom_playback.h"

#include <mutex>

#include "tonecore/sound/audio_atom.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"

int PlayInCurrentMixer(CAudioAtom& atom, std::int32_t offset) {
    {
        std::lock_guard<std::recursive_mutex> hold(atom.AtomLock());
        if (offset > atom.Length(0) || atom.Playing()) return 0;
    }
    // Held across the call so the mixer cannot be destroyed in between.
    CEngineLockGuard engine(EngineLock());
    IEngineMixer* mixer = GetCurrentMixer();
    return mixer != nullptr ? mixer->Play(&atom, offset, 0) : 0;
}
