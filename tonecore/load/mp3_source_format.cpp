#include "tonecore/load/mp3_source_format.h"

#include <cmath>
#include <cstring>

#include "tonecore/tags/mp3_info.h"

namespace {

// The extension's length as the record has always announced it (the
// extension itself takes 12 bytes; readers copy 18 + 14).
constexpr std::uint16_t kExtensionBytes = 14;
// The decoder's delay in samples that the format has always announced.
constexpr std::uint16_t kCodecDelay = 1393;

}  // namespace

TMp3SourceFormat MakeMp3SourceFormat(const CMP3Info& info) {
    TMp3SourceFormat format;
    std::memset(&format, 0, sizeof format);
    format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    format.wfx.nChannels = static_cast<std::uint16_t>(info.BestNumChannels());
    format.wfx.nSamplesPerSec = static_cast<std::uint32_t>(info.BestSamplingRate());
    // Exact for a file with a frame count, so that a length computed from
    // the data's size without a scan is right.
    format.wfx.nAvgBytesPerSec =
        static_cast<std::uint32_t>(std::lround(info.AverageBytesPerSecond()));
    format.wfx.nBlockAlign = info.getLayer() == 1 ? 4 : 1;
    format.wfx.wBitsPerSample = 16;
    format.wfx.cbSize = kExtensionBytes;
    format.wID = 1;
    format.fdwFlags = 2;
    format.nBlockSize = static_cast<std::uint16_t>(info.GetAverageFrameSize());
    format.nFramesPerBlock = 1;
    format.nCodecDelay = kCodecDelay;
    return format;
}
