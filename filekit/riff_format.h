#pragma once
// On-disk layout of RIFF chunk headers, as the RIFF format defines them
// (chunk = ckID, ckSize, ckData; "RIFF" and "LIST" chunks begin their data
// with a form or list type). Every field is a little-endian 32-bit word.

#include <cstdint>

// A four-character code as stored: the first character in the lowest byte.
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

// MakeFourCC of a four-character literal: FourCC("data").
constexpr std::uint32_t FourCC(const char (&text)[5]) {
    return MakeFourCC(text[0], text[1], text[2], text[3]);
}

inline constexpr std::uint32_t RIFF_ID_RIFF = FourCC("RIFF");
inline constexpr std::uint32_t RIFF_ID_LIST = FourCC("LIST");
inline constexpr std::uint32_t RIFF_ID_DATA = FourCC("data");

// id + size.
inline constexpr std::int64_t kRiffChunkHeaderBytes = 8;
// id + size + form or list type.
inline constexpr std::int64_t kRiffListHeaderBytes = 12;
// Sizes are unsigned 32-bit fields.
inline constexpr std::uint64_t kRiffMaxSize = 0xFFFFFFFFu;

inline std::uint32_t LoadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void StoreLe32(unsigned char* p, std::uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}
