#include "tonecore/mpeg/layer3_requantize.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

TLayer3BandLayout Layer3BandLayout(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& g) {
    if (!g.ShortBlock()) return {22, kLayer3Lines, 13};
    if (!g.mixedBlock) return {0, 0, 0};
    // The long part of a mixed block ends where short band 3 starts: 36 lines
    // (two subbands) at every rate but 8000 Hz, where six long bands reach 72.
    const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
    return {info.lsf ? 6 : 8, 3 * bands.shortStart[3], 3};
}

namespace {

inline void Scale(const double* pow43, const int* values, float* xr, int begin, int end, double gain) {
    for (int i = begin; i < end; ++i) {
        const int v = values[i];
        const double magnitude = pow43[std::min(std::abs(v), kLayer3Pow43Size - 1)] * gain;
        xr[i] = static_cast<float>(v < 0 ? -magnitude : magnitude);
    }
}

}  // namespace

void RequantizeLayer3(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& g, const TLayer3ScaleFactors& sf,
                      const int values[kLayer3Lines], int nonZeroEnd, float xr[kLayer3Lines]) {
    std::fill(xr, xr + kLayer3Lines, 0.0f);
    const double* pow43 = Layer3Pow43();
    const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
    const TLayer3BandLayout layout = Layer3BandLayout(info, g);
    const int globalQuarters = static_cast<int>(g.globalGain) - 210;
    const double multiplier = g.scalefacScale ? 1.0 : 0.5;  // 2^-(0.5 or 1 per step)

    int line = 0;
    for (int sfb = 0; sfb < layout.longBands && line < nonZeroEnd; ++sfb) {
        const int end = std::min<int>(bands.longStart[sfb + 1], layout.longEnd);
        const int pre = g.preflag ? kLayer3Pretab[sfb] : 0;
        const double exponent = 0.25 * globalQuarters - multiplier * (sf.longBands[sfb] + pre);
        Scale(pow43, values, xr, line, std::min(end, nonZeroEnd), std::exp2(exponent));
        line = end;
    }
    for (int sfb = layout.firstShortBand; sfb < 13 && line < nonZeroEnd; ++sfb) {
        const int width = bands.shortStart[sfb + 1] - bands.shortStart[sfb];
        for (int w = 0; w < 3; ++w) {
            const double exponent = 0.25 * (globalQuarters - 8 * static_cast<int>(g.subblockGain[w])) -
                                    multiplier * sf.shortBands[sfb][w];
            Scale(pow43, values, xr, line, std::min(line + width, nonZeroEnd), std::exp2(exponent));
            line += width;
        }
    }
}
