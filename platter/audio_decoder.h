#pragma once
// The decoder the program registers with the engine for compressed track
// files (MP3): the drive library decodes nothing itself. Without one, a
// track file that is not a CD-format WAV file is refused.

#include <cstdint>
#include <memory>

// Decoded audio of one file: 44100 Hz, 16-bit, stereo, little-endian PCM.
class IPlatterAudioStream {
public:
    virtual ~IPlatterAudioStream() = default;
    // Up to bytes of PCM; 0 at the end, -1 on an error.
    virtual std::int64_t Read(void* buffer, std::int64_t bytes) = 0;
};

class IPlatterAudioDecoder {
public:
    virtual ~IPlatterAudioDecoder() = default;
    // A stream from the start of the file, or null when the file cannot be
    // decoded. Called from the library's threads, one stream at a time.
    virtual std::unique_ptr<IPlatterAudioStream> Open(const char* path) = 0;
};
