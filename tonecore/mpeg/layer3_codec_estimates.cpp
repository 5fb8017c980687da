#include "tonecore/mpeg/layer3_codec_estimates.h"

#include <algorithm>
#include <cmath>

bool UpdateMpegBitrateAverage(std::uint32_t& streamKbps, std::uint32_t& average, std::uint32_t frameKbps) {
    if (streamKbps == 0) {
        streamKbps = frameKbps;
        average = frameKbps * 1024;
        return false;
    }
    if (average == 0) average = streamKbps * 1024;
    average = (average * 31 + frameKbps * 1024) >> 5;
    const std::uint32_t rounded = (average + 512) / 1024;
    const std::uint32_t distance = rounded > streamKbps ? rounded - streamKbps : streamKbps - rounded;
    if (distance > (streamKbps >> 5)) {
        streamKbps = rounded;
        return true;
    }
    return false;
}

std::uint32_t EstimateMpegDurationMs(const TMpegDurationInput& in) {
    if (in.streamKbps == 0 || in.sampleRateHz == 0) return 0;
    const double bytesPerMsAtStreamRate = in.streamKbps / 8.0;
    const double decodedMs = static_cast<double>(in.decodedSamples) * 1000.0 / in.sampleRateHz;
    // Bytes per millisecond seen since the seek; the stream bitrate (in the
    // same unit) until something was decoded.
    const double rate = in.inputPosition > in.seekPosition && decodedMs > 0.0
                            ? static_cast<double>(in.inputPosition - in.seekPosition) / decodedMs
                            : bytesPerMsAtStreamRate;
    const double leadMs =
        in.seekPosition > in.audioStart ? static_cast<double>(in.seekPosition - in.audioStart) * 0.8 / rate : 0.0;
    const double remainingMs =
        static_cast<double>(in.audioStart + in.audioSizeBytes - in.inputPosition) * 8.0 / in.streamKbps;
    const double total = remainingMs + leadMs + decodedMs;
    return total <= 0.0 ? 0 : static_cast<std::uint32_t>(total);
}

float MpegEqualiserGain(std::int8_t setting) {
    const float b = static_cast<float>(setting) / 32.0f;
    return setting >= 0 ? 1.0f + b : 1.0f / (1.0f - b);
}

std::int8_t MpegEqualiserSetting(float gain) {
    const double g = gain;
    double value = g >= 1.0 ? (g - 1.0) * 32.0 : (1.0 - 1.0 / g) * 32.0;
    // A gain made from a setting comes back as that setting: the float
    // rounding of 1 / (1 - b/32) must not truncate -31 to -30.
    const double nearest = std::round(value);
    if (std::abs(value - nearest) < 1e-4) value = nearest;
    return static_cast<std::int8_t>(std::clamp(value, -128.0, 127.0));
}
