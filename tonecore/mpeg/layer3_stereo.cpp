#include "tonecore/mpeg/layer3_stereo.h"

#include "tonecore/mpeg/layer3_requantize.h"
#include "tonecore/mpeg/layer3_tables.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kNoIntensity = -1;

bool AllZero(const float* values, int begin, int end) {
    for (int i = begin; i < end; ++i) {
        if (values[i] != 0.0f) return false;
    }
    return true;
}

// Gains of the left and right channel for intensity position `position`.
void IntensityGains(const TLayer3FrameInfo& info, bool intensityScale, int position, double& left, double& right) {
    if (!info.lsf) {
        // ISO/IEC 11172-3 2.4.3.4.9.3: is_ratio = tan(is_pos * pi / 12).
        if (position == 6) {
            left = 1.0;
            right = 0.0;
            return;
        }
        const double ratio = std::tan(position * 3.14159265358979323846 / 12.0);
        left = ratio / (1.0 + ratio);
        right = 1.0 / (1.0 + ratio);
        return;
    }
    // ISO/IEC 13818-3 2.4.3.2: powers of 2^-1/4 (or 2^-1/2 with intensity_scale).
    const double base = intensityScale ? std::sqrt(0.5) : std::pow(2.0, -0.25);
    if (position == 0) {
        left = right = 1.0;
    } else if (position & 1) {
        left = std::pow(base, (position + 1) / 2);
        right = 1.0;
    } else {
        left = 1.0;
        right = std::pow(base, position / 2);
    }
}

}  // namespace

void ApplyLayer3Stereo(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& right,
                       const TLayer3ScaleFactors& rightSf, float xr[2][kLayer3Lines], int extent) {
    if (info.channels != 2 || !(info.MidSide() || info.Intensity())) return;
    extent = std::clamp(extent, 0, kLayer3Lines);
    const double invSqrt2 = 1.0 / std::sqrt(2.0);
    if (!info.Intensity()) {
        // Mid/side alone: one branch-free loop.
        for (int i = 0; i < extent; ++i) {
            const double m = xr[0][i];
            const double s = xr[1][i];
            xr[0][i] = static_cast<float>((m + s) * invSqrt2);
            xr[1][i] = static_cast<float>((m - s) * invSqrt2);
        }
        return;
    }

    // Intensity position per line, or kNoIntensity where the lines are
    // coded as mid/side or left/right.
    int position[kLayer3Lines];
    std::fill(position, position + kLayer3Lines, kNoIntensity);
    if (info.Intensity()) {
        const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
        const TLayer3BandLayout layout = Layer3BandLayout(info, right);
        const float* r = xr[1];
        bool shortPartSilent = true;
        if (layout.longEnd < kLayer3Lines) {
            // Short bands: each window has its own bound.
            for (int w = 0; w < 3; ++w) {
                int bound = 13;  // first band of the window coded in intensity
                for (int sfb = 12; sfb >= layout.firstShortBand; --sfb) {
                    const int width = bands.shortStart[sfb + 1] - bands.shortStart[sfb];
                    const int begin = 3 * bands.shortStart[sfb] + w * width;
                    if (!AllZero(r, begin, begin + width)) break;
                    bound = sfb;
                }
                if (bound > layout.firstShortBand) shortPartSilent = false;
                for (int sfb = bound; sfb < 13; ++sfb) {
                    // The last band carries no scale factor: it takes the one below.
                    const int source = std::min(sfb, 11);
                    const int pos = rightSf.shortBands[source][w];
                    if (pos >= rightSf.shortIllegal[source]) continue;
                    const int width = bands.shortStart[sfb + 1] - bands.shortStart[sfb];
                    const int begin = 3 * bands.shortStart[sfb] + w * width;
                    std::fill(position + begin, position + begin + width, pos);
                }
            }
        }
        // Long bands (a mixed block's long part only when its short part is
        // silent in the right channel).
        if (layout.longBands > 0 && shortPartSilent) {
            int bound = layout.longBands;
            for (int sfb = layout.longBands - 1; sfb >= 0; --sfb) {
                const int end = std::min<int>(bands.longStart[sfb + 1], layout.longEnd);
                if (!AllZero(r, bands.longStart[sfb], end)) break;
                bound = sfb;
            }
            for (int sfb = bound; sfb < layout.longBands; ++sfb) {
                const int source = std::min(sfb, 20);
                const int pos = rightSf.longBands[source];
                if (pos >= rightSf.longIllegal[source]) continue;
                const int end = std::min<int>(bands.longStart[sfb + 1], layout.longEnd);
                std::fill(position + bands.longStart[sfb], position + end, pos);
            }
        }
    }

    const bool midSide = info.MidSide();
    float* l = xr[0];
    float* r = xr[1];
    int gainsFor = kNoIntensity;
    double gl = 0.0;
    double gr = 0.0;
    for (int i = 0; i < extent; ++i) {
        if (position[i] != kNoIntensity) {
            if (position[i] != gainsFor) {
                gainsFor = position[i];
                IntensityGains(info, rightSf.intensityScale, gainsFor, gl, gr);
            }
            const double value = l[i];
            l[i] = static_cast<float>(value * gl);
            r[i] = static_cast<float>(value * gr);
        } else if (midSide) {
            const double m = l[i];
            const double s = r[i];
            l[i] = static_cast<float>((m + s) * invSqrt2);
            r[i] = static_cast<float>((m - s) * invSqrt2);
        }
    }
}
