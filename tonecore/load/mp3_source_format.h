#pragma once
// The compressed format an MP3 song is described by: a WAVEFORMATEX of tag
// 0x55 followed by the layer-3 extension (30 bytes). Its cbSize says 14,
// so everything that copies formats by "18 + cbSize" takes 32 bytes: the
// record is that long, the two bytes past the extension zero.

#include <cstdint>

#include "platform/wave_format.h"

class CMP3Info;

#pragma pack(push, 1)
struct TMp3SourceFormat {
    WAVEFORMATEX wfx;
    std::uint16_t wID;              // 1: MPEG
    std::uint32_t fdwFlags;         // 2: no padding flags
    std::uint16_t nBlockSize;       // the average frame size
    std::uint16_t nFramesPerBlock;  // 1
    std::uint16_t nCodecDelay;      // 1393 samples
    std::uint8_t spare[2];          // to 18 + cbSize bytes
};
#pragma pack(pop)

static_assert(sizeof(TMp3SourceFormat) == 32, "an MP3 source format is copied as 18 + cbSize (14) bytes");

// The format of the summarised file: the best channel count and sampling
// rate of the scan, the bitrate in bytes per second.
TMp3SourceFormat MakeMp3SourceFormat(const CMP3Info& info);
