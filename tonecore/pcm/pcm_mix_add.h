#pragma once
// Adding gained 16-bit stereo frames into a 16-bit stereo mix, in blocks
// the compiler turns into vector code: the mixing loop's work at unity rate,
// where every output frame is one source frame.

#include <cstddef>
#include <cstdint>

// Fraction bits of a mixing gain (8192 = unity).
inline constexpr int kPcmMixGainShift = 13;

// For each of frames frames: out = clip(out + (gain x in) >> 13) per side,
// left with leftGain, right with rightGain, clipped to -32768..32767. The
// product and shift are those of 64-bit arithmetic whatever the gains.
// in and out are little-endian sample bytes and may be unaligned; they do
// not overlap.
void AddGainedStereo16(const std::uint8_t* in, std::uint8_t* out, std::size_t frames,
                       std::int32_t leftGain, std::int32_t rightGain);
