#pragma once
// Song files for the song tests: PCM WAV files written here (with the sound
// engine tests' RIFF builders), and songs made by outside encoders (sox,
// lame) when they are installed.

#include <cstdint>
#include <string>

#include "tonecore/load/tests/song_load_support.h"

namespace songfiles {

using songtest::HaveTools;
using songtest::Run;

// A PCM WAV file of ms milliseconds of a steady 16-bit level.
inline std::string WavBytes(std::uint32_t rate, std::uint16_t channels, std::uint32_t ms,
                            int level = 1000) {
    std::string pcm;
    for (std::uint32_t i = 0; i < rate * ms / 1000u * channels; ++i)
        songtest::PutLe(pcm, static_cast<std::uint16_t>(level), 2);
    return songtest::Riff("WAVE",
                          songtest::Chunk("fmt ", songtest::FormatBody(1, channels, rate, 16)) +
                              songtest::Chunk("data", pcm));
}

}  // namespace songfiles
