#pragma once
// The audio format record that describes every PCM and compressed format of
// the system. Its 18-byte packed layout is stored as is in RIFF "fmt " chunks
// and in song records, so it must never change.

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;  // bytes of format-specific data that follow the record
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is persisted as 18 bytes");
// The fields stand where a RIFF "fmt " chunk has them (little-endian).
static_assert(offsetof(WAVEFORMATEX, wFormatTag) == 0);
static_assert(offsetof(WAVEFORMATEX, nChannels) == 2);
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4);
static_assert(offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8);
static_assert(offsetof(WAVEFORMATEX, nBlockAlign) == 12);
static_assert(offsetof(WAVEFORMATEX, wBitsPerSample) == 14);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);

// Format tags (RIFF WAVE format registry).
inline constexpr std::uint16_t WAVE_FORMAT_PCM = 0x0001;
inline constexpr std::uint16_t WAVE_FORMAT_ADPCM = 0x0002;
inline constexpr std::uint16_t WAVE_FORMAT_ALAW = 0x0006;
inline constexpr std::uint16_t WAVE_FORMAT_MULAW = 0x0007;
inline constexpr std::uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
inline constexpr std::uint16_t WAVE_FORMAT_GSM610 = 0x0031;
inline constexpr std::uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;
