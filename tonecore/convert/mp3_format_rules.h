#pragma once
// The MPEG facts that MP3 targets are fitted to: the sample rates and
// bitrate list of each MPEG version, and the rules every MP3 target keeps
// whatever its encoder.

#include <cstdint>
#include <span>

class CConv2FileFormat;

// The engine's MPEG version codes.
inline constexpr std::int32_t kMPEGVersion2 = 0;
inline constexpr std::int32_t kMPEGVersion1 = 1;
inline constexpr std::int32_t kMPEGVersion2_5 = 2;

// The engine's stereo mode codes.
inline constexpr std::int32_t kMP3ModeStereo = 0;
inline constexpr std::int32_t kMP3ModeJointStereo = 1;
inline constexpr std::int32_t kMP3ModeDualChannel = 2;
inline constexpr std::int32_t kMP3ModeMono = 3;

// The three rates of a version, lowest first; empty for an unknown version.
std::span<const std::int32_t> MPEGVersionRates(std::int32_t version);
// The rate a version falls back to: 44100, 22050 or 11025 Hz.
std::int32_t DefaultMPEGVersionRate(std::int32_t version);
// rate when the version has it, else the version's default.
std::int32_t FitRateToMPEGVersion(std::int32_t version, std::int32_t rate);
// The bitrate list of a version (MPEG-1, or the shared list of MPEG-2 and
// 2.5); empty for an unknown version.
std::span<const std::int32_t> MPEGVersionBitRates(std::int32_t version);
bool IsMPEGVersionBitRate(std::int32_t version, std::int32_t kbps);

// One channel for mono, two for the other modes.
std::uint16_t ChannelsForMP3Mode(std::int32_t mode);
// The ABR bitrate strictly between the minimum and the maximum: at or below
// the minimum it becomes minimum + 1, at or above the maximum, maximum - 1.
void KeepABRInsideRange(CConv2FileFormat* format);

// The keys of a mode's and a version's names in the engine's text file.
const char* MP3ModeKey(std::int32_t mode);
const char* MPEGVersionKey(std::int32_t version);
