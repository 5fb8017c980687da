#pragma once
// Comparison of decoded PCM against a reference decoding, in the terms of
// ISO/IEC 11172-4 clause 2.6.3: RMS and largest difference in full-scale
// units (full scale 1.0, 16-bit samples divided by 32768), and the share of
// samples that differ at all. Also loaders for the raw files that
// reference_output.sh writes.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace pcmcompare {

// ISO/IEC 11172-4 2.6.3 "full accuracy": RMS below 2^-15 / sqrt(12), largest
// difference at most 2^-14.
inline const double kFullAccuracyRms = std::ldexp(1.0, -15) / std::sqrt(12.0);
inline const double kFullAccuracyMax = std::ldexp(1.0, -14);
// ISO/IEC 11172-4 2.6.3 "limited accuracy": RMS below 2^-11 / sqrt(12).
inline const double kLimitedAccuracyRms = std::ldexp(1.0, -11) / std::sqrt(12.0);

// The full-accuracy RMS limit is the RMS of an ideal rounding to 16 bits.
// Where the rounding error is uniform (noise, dense spectra) a measured RMS
// scatters around it, and the reference's own 16-bit output measured against
// its floats lands on either side of it: there a decoder may round as far
// off as the reference itself does.
inline double FullAccuracyRmsLimit(double referenceOwnRoundingRms) {
    return std::max(kFullAccuracyRms, referenceOwnRoundingRms * (1.0 + 1e-4));
}

struct TPcmDifference {
    std::size_t compared = 0;       // samples compared (of one channel, or all)
    std::size_t lengthDifference = 0;  // |ours - reference| in samples per channel
    double rms = 0.0;               // full-scale units
    double maxAbs = 0.0;            // full-scale units
    std::size_t differing = 0;      // samples whose values differ at all
    std::size_t firstDiffering = 0; // index (per channel) of the first differing sample, or compared
    double DifferingShare() const { return compared ? static_cast<double>(differing) / compared : 0.0; }
};

// Compares channel `channel` of two interleaved signals with `channels`
// channels over the samples both hold (full-scale units).
template <typename TA, typename TB>
TPcmDifference CompareChannel(std::span<const TA> ours, double oursScale, std::span<const TB> reference,
                              double referenceScale, int channels, int channel) {
    TPcmDifference d;
    const std::size_t oursFrames = ours.size() / static_cast<std::size_t>(channels);
    const std::size_t refFrames = reference.size() / static_cast<std::size_t>(channels);
    const std::size_t frames = std::min(oursFrames, refFrames);
    d.lengthDifference = oursFrames > refFrames ? oursFrames - refFrames : refFrames - oursFrames;
    d.compared = frames;
    d.firstDiffering = frames;
    double sum = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const std::size_t at = i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel);
        const double a = static_cast<double>(ours[at]) * oursScale;
        const double b = static_cast<double>(reference[at]) * referenceScale;
        const double diff = a - b;
        sum += diff * diff;
        d.maxAbs = std::max(d.maxAbs, std::abs(diff));
        if (diff != 0.0) {
            if (d.differing++ == 0) d.firstDiffering = i;
        }
    }
    d.rms = frames ? std::sqrt(sum / static_cast<double>(frames)) : 0.0;
    return d;
}

inline constexpr double kS16Scale = 1.0 / 32768.0;

// Our 16-bit output against the reference's floats (the full-accuracy test).
inline TPcmDifference CompareS16ToF32(std::span<const std::int16_t> ours, std::span<const float> reference,
                                      int channels, int channel) {
    return CompareChannel(ours, kS16Scale, reference, 1.0, channels, channel);
}

// Floats against floats (the internal-accuracy test, before rounding).
inline TPcmDifference CompareF32(std::span<const float> ours, std::span<const float> reference, int channels,
                                 int channel) {
    return CompareChannel(ours, 1.0, reference, 1.0, channels, channel);
}

// 16-bit against 16-bit; maxAbs * 32768 is the largest difference in LSB.
inline TPcmDifference CompareS16(std::span<const std::int16_t> ours, std::span<const std::int16_t> reference,
                                 int channels, int channel) {
    return CompareChannel(ours, kS16Scale, reference, kS16Scale, channels, channel);
}

// Reads a raw file of native-endian samples; empty when it cannot be read.
template <typename T>
std::vector<T> ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<T> samples(bytes.size() / sizeof(T));
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(T));
    return samples;
}

inline std::vector<float> ReadRawF32(const std::string& path) { return ReadRaw<float>(path); }
inline std::vector<std::int16_t> ReadRawS16(const std::string& path) { return ReadRaw<std::int16_t>(path); }

}  // namespace pcmcompare
