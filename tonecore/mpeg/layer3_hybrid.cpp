#include "tonecore/mpeg/layer3_hybrid.h"

#include <algorithm>
#include <cmath>

void ReorderLayer3Short(const TLayer3BandTable& bands, int firstShortBand, float xr[kLayer3Lines]) {
    float scratch[kLayer3Lines];
    const int begin = 3 * bands.shortStart[firstShortBand];
    int line = begin;
    for (int sfb = firstShortBand; sfb < 13; ++sfb) {
        const int start = bands.shortStart[sfb];
        const int width = bands.shortStart[sfb + 1] - start;
        for (int w = 0; w < 3; ++w) {
            for (int f = 0; f < width; ++f) scratch[3 * (start + f) + w] = xr[line++];
        }
    }
    std::copy(scratch + begin, scratch + kLayer3Lines, xr + begin);
}

void ReduceLayer3Aliasing(float xr[kLayer3Lines], int boundaries) {
    const TLayer3AliasCoefficients& c = Layer3AliasCoefficients();
    for (int sb = 1; sb <= boundaries; ++sb) {
        float* upper = xr + 18 * sb;
        for (int i = 0; i < 8; ++i) {
            const double a = upper[-1 - i];
            const double b = upper[i];
            upper[-1 - i] = static_cast<float>(a * c.cs[i] - b * c.ca[i]);
            upper[i] = static_cast<float>(b * c.cs[i] + a * c.ca[i]);
        }
    }
}

namespace {

struct TImdctTables {
    // cos(pi/72 (2i + 19)(2k + 1)) for the independent outputs i = 0..8 and
    // i = 18..26 (the others follow by symmetry), indexed [k][output] so the
    // sums over k run across all outputs at once.
    double long36[18][18];
    // cos(pi/24 (2i + 7)(2k + 1)) for i = 0..2 and 6..8.
    double short12[6][6];
};

const TImdctTables& ImdctTables() {
    static const TImdctTables tables = [] {
        const double pi = 3.14159265358979323846;
        TImdctTables t{};
        for (int j = 0; j < 18; ++j) {
            const int i = j < 9 ? j : j + 9;
            for (int k = 0; k < 18; ++k) t.long36[k][j] = std::cos(pi / 72 * (2 * i + 19) * (2 * k + 1));
        }
        for (int j = 0; j < 6; ++j) {
            const int i = j < 3 ? j : j + 3;
            for (int k = 0; k < 6; ++k) t.short12[k][j] = std::cos(pi / 24 * (2 * i + 7) * (2 * k + 1));
        }
        return t;
    }();
    return tables;
}

// An IMDCT of n inputs gives 2n outputs that are odd-symmetric about
// (n - 1) / 2 (x[n - 1 - i] = -x[i]) and even-symmetric about n + (n - 1) / 2
// (x[2n - 1 - i] = x[n + i]), so n sums suffice. `columns` holds the cosines
// of input k for the outputs 0 .. n/2 - 1 and n .. n + n/2 - 1.
template <int n>
void SymmetricImdct(const double (&columns)[n][n], const float* in, double* out) {
    constexpr int half = n / 2;
    double sum[n] = {};
    for (int k = 0; k < n; ++k) {
        const double x = in[k];
        for (int j = 0; j < n; ++j) sum[j] += columns[k][j] * x;
    }
    for (int j = 0; j < half; ++j) {
        out[j] = sum[j];
        out[n - 1 - j] = -sum[j];
        out[n + j] = sum[half + j];
        out[2 * n - 1 - j] = sum[half + j];
    }
}

}  // namespace

void Layer3Imdct36(const float in[18], double out[36]) { SymmetricImdct<18>(ImdctTables().long36, in, out); }

void Layer3Imdct12(const float in[6], double out[12]) { SymmetricImdct<6>(ImdctTables().short12, in, out); }

void Layer3HybridSynthesis(const TLayer3GranuleChannel& g, const float xr[kLayer3Lines], int subbandLimit,
                           TLayer3Overlap& overlap, float out[kLayer3Slots][kLayer3Subbands]) {
    const float (&windows)[4][36] = Layer3ImdctWindows();
    const bool shortBlock = g.ShortBlock();
    // Mixed blocks keep the long transform with the normal window in the two
    // lowest subbands.
    const int longSubbands = !shortBlock ? kLayer3Subbands : (g.mixedBlock ? 2 : 0);
    const int longWindow = shortBlock ? 0 : static_cast<int>(g.blockType);
    subbandLimit = std::clamp(subbandLimit, 0, kLayer3Subbands);

    for (int sb = 0; sb < kLayer3Subbands; ++sb) {
        float* prev = overlap.values[sb];
        double z[36];
        if (sb >= subbandLimit) {
            std::fill(z, z + 36, 0.0);
        } else if (sb < longSubbands) {
            double x[36];
            Layer3Imdct36(xr + 18 * sb, x);
            const float* win = windows[longWindow];
            for (int i = 0; i < 36; ++i) z[i] = x[i] * win[i];
        } else {
            std::fill(z, z + 36, 0.0);
            const float* win = windows[2];
            for (int w = 0; w < 3; ++w) {
                float in[6];
                for (int k = 0; k < 6; ++k) in[k] = xr[18 * sb + 3 * k + w];
                double y[12];
                Layer3Imdct12(in, y);
                for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += y[i] * win[i];
            }
        }
        const bool invert = (sb & 1) != 0;
        for (int i = 0; i < 18; ++i) {
            float sample = static_cast<float>(z[i] + prev[i]);
            if (invert && (i & 1)) sample = -sample;
            out[i][sb] = sample;
            prev[i] = static_cast<float>(z[18 + i]);
        }
    }
}
