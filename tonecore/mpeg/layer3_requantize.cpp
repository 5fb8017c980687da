#include "tonecore/mpeg/layer3_requantize.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

TLayer3BandLayout Layer3BandLayout(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& g) {
    if (!g.ShortBlock()) return {22, kLayer3Lines, 13};
    if (!g.mixedBlock) return {0, 0, 0};
    // The long part of a mixed block ends where short band 3 starts: 36 lines
    // (two subbands) at every rate but 8000 Hz, where six long bands reach 72.
    return {info.lsf ? 6 : 8, 18 * Layer3MixedLongSubbands(info), 3};
}

int Layer3MixedLongSubbands(const TLayer3FrameInfo& info) {
    const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
    return 3 * bands.shortStart[3] / 18;
}

namespace {

inline void Scale(const double* pow43, const int* values, float* xr, int begin, int end, double gain) {
    for (int i = begin; i < end; ++i) {
        const int v = values[i];
        const double magnitude = pow43[std::min(std::abs(v), kLayer3Pow43Size - 1)] * gain;
        // The sign without a branch: signs of music are a coin toss.
        xr[i] = static_cast<float>(std::copysign(magnitude, static_cast<double>(v)));
    }
}

// 2^(q / 4) for the quarter steps q of the gains, from 2^-120 to 2^15 (the
// lowest global gain less the largest subblock gain and scale factor, up to
// the highest global gain), with exp2 outside as a safeguard.
constexpr int kLowestQuarter = -480;
constexpr int kHighestQuarter = 60;
struct TQuarterPowers {
    double value[kHighestQuarter - kLowestQuarter + 1];
    TQuarterPowers() {
        for (int q = kLowestQuarter; q <= kHighestQuarter; ++q) value[q - kLowestQuarter] = std::exp2(0.25 * q);
    }
};
const TQuarterPowers kQuarterPowers;

inline double QuarterPower(int q) {
    return q >= kLowestQuarter && q <= kHighestQuarter ? kQuarterPowers.value[q - kLowestQuarter] : std::exp2(0.25 * q);
}

}  // namespace

void RequantizeLayer3(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& g, const TLayer3ScaleFactors& sf,
                      const int values[kLayer3Lines], int nonZeroEnd, float xr[kLayer3Lines]) {
    // The bands below cover [0, nonZeroEnd) without a gap.
    nonZeroEnd = std::clamp(nonZeroEnd, 0, kLayer3Lines);
    std::fill(xr + nonZeroEnd, xr + kLayer3Lines, 0.0f);
    const double* pow43 = Layer3Pow43();
    const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
    const TLayer3BandLayout layout = Layer3BandLayout(info, g);
    const int globalQuarters = static_cast<int>(g.globalGain) - 210;
    const int quartersPerStep = g.scalefacScale ? 4 : 2;  // 2^-(0.5 or 1 per step)

    int line = 0;
    for (int sfb = 0; sfb < layout.longBands && line < nonZeroEnd; ++sfb) {
        const int end = std::min<int>(bands.longStart[sfb + 1], layout.longEnd);
        const int pre = g.preflag ? kLayer3Pretab[sfb] : 0;
        const int quarters = globalQuarters - quartersPerStep * (sf.longBands[sfb] + pre);
        Scale(pow43, values, xr, line, std::min(end, nonZeroEnd), QuarterPower(quarters));
        line = end;
    }
    for (int sfb = layout.firstShortBand; sfb < 13 && line < nonZeroEnd; ++sfb) {
        const int width = bands.shortStart[sfb + 1] - bands.shortStart[sfb];
        for (int w = 0; w < 3; ++w) {
            const int quarters = globalQuarters - 8 * static_cast<int>(g.subblockGain[w]) -
                                 quartersPerStep * sf.shortBands[sfb][w];
            Scale(pow43, values, xr, line, std::min(line + width, nonZeroEnd), QuarterPower(quarters));
            line += width;
        }
    }
}
