#pragma once
// Running estimates the MPEG codec republishes while it decodes: the average
// bitrate of a variable-rate stream, the duration, and the conversion of the
// equaliser's settings bytes to subband gains and back.

#include <cstdint>

// Folds one frame's bitrate into the running average (1/1024 kbit/s) with a
// weight of 1/32. A stream bitrate of 0 is taken from the frame. Returns true
// when the rounded average moved away from the stream bitrate by more than
// 1/32 of it; the stream bitrate is then the rounded average.
bool UpdateMpegBitrateAverage(std::uint32_t& streamKbps, std::uint32_t& average, std::uint32_t frameKbps);

struct TMpegDurationInput {
    std::uint64_t decodedSamples = 0;  // per channel, since the last reset
    std::uint32_t sampleRateHz = 0;
    std::int64_t inputPosition = 0;    // bytes read from the input
    std::int64_t seekPosition = 0;     // input position at the last seek
    std::int64_t audioStart = 0;       // bytes before the audio (an ID3 version 2 tag)
    std::int64_t audioSizeBytes = 0;
    std::uint32_t streamKbps = 0;
};

// Estimated duration in milliseconds: the time decoded since the seek, the
// time of the bytes before the seek at the rate seen since it (weighted by
// 0.8), and the time of the bytes not yet read at the stream bitrate.
std::uint32_t EstimateMpegDurationMs(const TMpegDurationInput& in);

// One equaliser settings byte as a subband gain (1 + b/32, or 1 / (1 - b/32)
// for negative bytes), and back (truncated).
float MpegEqualiserGain(std::int8_t setting);
std::int8_t MpegEqualiserSetting(float gain);
