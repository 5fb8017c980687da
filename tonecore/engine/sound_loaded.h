#pragma once
// The loaded-sound registry: every PCM sound that is loaded, so that a sound
// can find the other sounds loaded from the same file. Start-up creates it
// and shut-down frees it; the four functions at the end reach it. It owns no
// sound. The four functions are safe to call from any thread: a sound is
// registered where it is loaded but may be let go of on the service thread.
//
// A sound takes part through ILoadedSound, which the PCM sound implements.
// Lists handed out hold ILoadedSound pointers: convert an element back with
// static_cast<ILoadedSound*>(element), never straight to the sound class.

#include "tonecore/engine/my_array_list.h"

class CRefObj;

class ILoadedSound {
public:
    // The sound's data stream, or null when it has none. The registry only
    // looks at it.
    virtual CRefObj* LoadedDataStream() const = 0;

protected:
    ~ILoadedSound() = default;
};

// A CMyArrayList of ILoadedSound pointers in registration order (sort value
// 0). A sound matches a path when its stream is a file object (Type() 1)
// whose path equals the path exactly (letter case counts).
class CSoundLoaded : public CMyArrayList {
public:
    // The first registered sound that matches path; null when none does.
    ILoadedSound* SoundLoaded(const char* path) const;
    // Appends the sound; a sound may be added twice.
    void AddSound(ILoadedSound* sound);
    // Removes the first entry holding the sound.
    void RemoveSound(ILoadedSound* sound);
    // A new list of the other registered sounds whose stream is a file object
    // with the same path as sound's, in registration order (a sound
    // registered twice is listed twice). Null when sound has no file stream,
    // when there is none, or when memory runs out. The caller deletes it.
    CMyArrayList* GetAllDuplicates(const ILoadedSound* sound) const;
};

// The process's registry: null before start-up and after shut-down.
CSoundLoaded* GetSoundRegistry();
// Start-up and shut-down (and tests) set it; the caller owns it.
void SetSoundRegistry(CSoundLoaded* registry);

// The registry functions; each does nothing (or returns null) while there is
// no registry.
ILoadedSound* SoundExists(const char* path);
void AddTheSound(ILoadedSound* sound);
void RemoveTheSound(ILoadedSound* sound);
CMyArrayList* GetDuplicateList(const ILoadedSound* sound);
