#pragma once
// The tag an encoder puts in the first frame of a stream ("Xing", "Info",
// "Lame" or "VBRI"): frame count, duration, average bitrate and the seek
// table of contents; and the conversions between time fractions and byte
// offsets that use it.

#include <cstddef>
#include <cstdint>
#include <span>

// What the tag parse needs of the first frame's header.
struct TMpegTagHeader {
    bool mpeg1 = true;        // MPEG-1 (1152 samples per layer III frame), else 576
    bool mono = false;        // mode 3
    std::uint32_t bitrateKbps = 0;
    std::uint32_t sampleRateHz = 0;
};

struct TMpegStreamTag {
    std::uint32_t durationMs = 0;
    std::uint32_t bitrateKbps = 0;
    bool frameCountKnown = false;  // the tag gave the frame count
    std::uint32_t frames = 0;
    bool hasToc = false;
    std::uint8_t toc[100] = {};
};

// Parses the bytes read from the audio start (the first frame, its header
// first) with the header's values. Without a tag the duration is estimated
// from the audio size and the header's bitrate. Returns false when too few
// bytes were read for the tag's place or its table of contents.
bool ParseMpegStreamTag(std::span<const std::uint8_t> bytes, const TMpegTagHeader& header,
                        std::uint32_t audioSizeBytes, TMpegStreamTag& tag);

// A time fraction (0 to 1) as a fraction of the whole input: through the
// table of contents when there is one (entries 0 to 99, the last one paired
// with 256), then shifted past the audio start when the audio size is known.
double MpegFractionToOffset(double fraction, const std::uint8_t* toc, std::uint32_t audioStart,
                            std::uint32_t audioSizeBytes);

// A byte offset of the input as a fraction of the audio: 0 before the audio
// start or when the audio size is not known.
double MpegOffsetToFraction(std::int64_t offset, std::uint32_t audioStart, std::uint32_t audioSizeBytes);
