#pragma once
// MPEG audio frame headers (ISO/IEC 11172-3 clause 2.4.2.3, ISO/IEC 13818-3
// clause 2.4.2.3, and the MPEG-2.5 extension of the latter to 11025, 12000 and
// 8000 Hz): the fields of the 32-bit header word, its validity, and the
// lengths derived from it.

#include <cstdint>

inline constexpr std::uint32_t MPEG_VERSION_2 = 0;
inline constexpr std::uint32_t MPEG_VERSION_1 = 1;
inline constexpr std::uint32_t MPEG_VERSION_2_5 = 2;
inline constexpr std::uint32_t MPEG_VERSION_RESERVED = 3;

inline constexpr std::uint32_t MPEG_MODE_STEREO = 0;
inline constexpr std::uint32_t MPEG_MODE_JOINT_STEREO = 1;
inline constexpr std::uint32_t MPEG_MODE_DUAL_CHANNEL = 2;
inline constexpr std::uint32_t MPEG_MODE_MONO = 3;

// The top 11 bits of a header word: the frame sync.
inline constexpr std::uint32_t MPEG_SYNC_MASK = 0xFFE00000;

struct MpegFrameHeader {
    std::uint32_t version = 0;          // MPEG_VERSION_*: bits 20 and 19
    std::uint32_t layerCode = 0;        // bits 17-18: 3 layer I, 2 layer II, 1 layer III, 0 reserved
    std::uint32_t protection = 0;       // bit 16: 0 means a 16-bit CRC follows the header
    std::uint32_t bitrateIndex = 0;     // bits 12-15
    std::uint32_t sampleRateIndex = 0;  // bits 10-11
    std::uint32_t padding = 0;          // bit 9
    std::uint32_t privateBit = 0;       // bit 8
    std::uint32_t mode = 0;             // bits 6-7, MPEG_MODE_*
    std::uint32_t modeExtension = 0;    // bits 4-5
    std::uint32_t copyright = 0;        // bit 3, kept and not used
    std::uint32_t original = 0;         // bit 2, kept and not used
    std::uint32_t emphasis = 0;         // bits 0-1, parsed and not applied
};

MpegFrameHeader MpegParseHeader(std::uint32_t word);
bool MpegHasSync(std::uint32_t word);
bool MpegHeaderIsValid(const MpegFrameHeader& header);

// 1, 2 or 3.
std::uint32_t MpegLayer(const MpegFrameHeader& header);
// As published in the stream properties: 1 for MPEG-1, 2 for MPEG-2, 0 for MPEG-2.5.
std::uint32_t MpegLevel(const MpegFrameHeader& header);
// MPEG-2 and MPEG-2.5 (the lower sampling frequencies).
bool MpegIsLowSampleRate(const MpegFrameHeader& header);
std::uint32_t MpegBitrateKbps(const MpegFrameHeader& header);
std::uint32_t MpegSampleRateHz(const MpegFrameHeader& header);
// Samples per channel in one frame: 384, 1152 or (layer III below 32 kHz) 576.
std::uint32_t MpegSamplesPerFrame(const MpegFrameHeader& header);
// Whole frame in bytes, header included; 0 for a header that is not valid.
std::uint32_t MpegFrameLength(const MpegFrameHeader& header);
// The same for any header with a bitrate, a sampling rate and a layer, also
// combinations the standards do not allow (as a summary scan accepts them).
std::uint32_t MpegFrameBytes(const MpegFrameHeader& header);
// Layer III side information in bytes (CRC not included): 32 or 17 bytes
// (stereo or mono) for MPEG-1, 17 or 9 for the lower sample rates
// (ISO/IEC 11172-3 clause 2.4.1.7, ISO/IEC 13818-3 clause 2.4.1.7).
constexpr std::uint32_t MpegSideInfoBytes(bool lowSampleRate, bool mono) {
    return lowSampleRate ? (mono ? 9 : 17) : (mono ? 17 : 32);
}
std::uint32_t MpegSideInfoLength(const MpegFrameHeader& header);
