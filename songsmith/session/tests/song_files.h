#pragma once
// Song files for the song tests: PCM WAV files written here (with the sound
// engine tests' RIFF builders), and songs made by outside encoders (sox,
// lame) when they are installed.

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "platter/audio_decoder.h"
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

// The audio decoder gives for a song file, as CD audio; empty (and a test
// failure) when it does not open.
inline std::string DecodedAudio(IPlatterAudioDecoder& decoder, const std::string& path) {
    std::string pcm;
    auto stream = decoder.Open(path.c_str());
    EXPECT_NE(stream, nullptr) << path;
    if (stream == nullptr) return pcm;
    char buffer[65536];
    for (std::int64_t got; (got = stream->Read(buffer, sizeof buffer)) > 0;)
        pcm.append(buffer, static_cast<std::size_t>(got));
    return pcm;
}

}  // namespace songfiles
