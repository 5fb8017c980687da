#pragma once
// G.711 companding (ITU-T Recommendation G.711): one byte per sample,
// expanded to 16-bit linear PCM.

#include <cstdint>

std::int16_t ALawToLinear(std::uint8_t code);
std::int16_t MuLawToLinear(std::uint8_t code);
