#pragma once
// Loading a sound from a song file, as the player does for songs and
// signals: the file opened as a file stream and handed to the sound, which
// keeps its own reference on it.

#include <cstdint>

class CPCMSound;

enum class ESoundFileLoad {
    kLoaded,
    // The file did not open as a stream.
    kNotOpened,
    // It opened, but the sound could not be loaded from it.
    kNotLoaded,
};

// InitialLoad with (stream, bufferMs, analyse, 0, 0, analyse, msPerPeak),
// no progress callback.
ESoundFileLoad LoadSoundFile(CPCMSound& sound, const char* path, std::int32_t bufferMs, int analyse,
                             std::int32_t msPerPeak);
