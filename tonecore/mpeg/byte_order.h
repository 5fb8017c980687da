#pragma once
// Reading the multi-byte numbers of MPEG audio streams and their tags.

#include <cstdint>

// A 32-bit big-endian number (frame headers, Xing and VBRI fields).
inline std::uint32_t MpegBigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// A 28-bit "synchsafe" number of an ID3 version 2 header: four bytes of
// seven bits each, most significant first.
inline std::uint32_t MpegSyncSafe28(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} & 0x7F) << 21 | (std::uint32_t{p[1]} & 0x7F) << 14 |
           (std::uint32_t{p[2]} & 0x7F) << 7 | (std::uint32_t{p[3]} & 0x7F);
}
