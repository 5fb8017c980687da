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

// The 36-point IMDCT is an 18-point DCT-IV, c[m] = sum over k of X[k]
// cos(pi/72 (2m + 1)(2k + 1)), read out as x[i] = c[i + 9] for i = 0..8 and
// x[i] = -c[26 - i] for i = 18..26 (the other outputs follow by symmetry).
//
// An n-point DCT-IV becomes a DCT-III: with u[k] = X[k] + X[k - 1] (X[-1] =
// 0) and f = pi (2m + 1) / (2n), 2 cos(f / 2) c[m] = sum over k of u[k]
// cos(k f), since cos(k f) + cos((k + 1) f) = 2 cos(f / 2) cos((k + 1/2) f)
// and cos(n f) = 0. For n = 18 that sum, split into even and odd k, gives
// outputs m and 17 - m at once (the odd terms change sign between them);
// the even terms are a 9-point DCT-III and the odd ones a 9-point DCT-IV,
// which the same step turns into a 9-point DCT-III. A 9-point DCT-III in
// turn gives outputs m and 8 - m from its even and odd terms.
struct TImdctTables {
    // cos(pi/18 (2m + 1) l) for m = 0..4 (padded to 6 so that rows are whole
    // vectors): l = 0, 2, 4, 6, 8 and l = 1, 3, 5, 7.
    double dct9Even[5][6];
    double dct9Odd[4][6];
    // 1 / (2 cos(pi/36 (2m + 1))), m = 0..8, and 1 / (2 cos(pi/72 (2m + 1))),
    // m = 0..17.
    double scale9[9];
    double scale18[18];
    // cos(pi/24 (2i + 7)(2k + 1)) for i = 0..2 and 6..8.
    double short12[6][6];
};

const TImdctTables kImdctTables = [] {
    const double pi = 3.14159265358979323846;
    TImdctTables t{};
    for (int m = 0; m < 5; ++m) {
        for (int l = 0; l < 5; ++l) t.dct9Even[l][m] = std::cos(pi / 18 * (2 * m + 1) * (2 * l));
        for (int l = 0; l < 4; ++l) t.dct9Odd[l][m] = std::cos(pi / 18 * (2 * m + 1) * (2 * l + 1));
    }
    for (int m = 0; m < 9; ++m) t.scale9[m] = 0.5 / std::cos(pi / 36 * (2 * m + 1));
    for (int m = 0; m < 18; ++m) t.scale18[m] = 0.5 / std::cos(pi / 72 * (2 * m + 1));
    for (int j = 0; j < 6; ++j) {
        const int i = j < 3 ? j : j + 3;
        for (int k = 0; k < 6; ++k) t.short12[k][j] = std::cos(pi / 24 * (2 * i + 7) * (2 * k + 1));
    }
    return t;
}();

// out[m] = sum over l = 0..8 of a[l] cos(pi/18 (2m + 1) l), m = 0..8, with
// a[l] at a[stride * l].
inline void Dct9(const double* a, int stride, double* out) {
    // Two separate passes: each vectorises across m.
    double even[6] = {};
    for (int l = 0; l < 5; ++l) {
        const double x = a[stride * 2 * l];
        for (int m = 0; m < 6; ++m) even[m] += kImdctTables.dct9Even[l][m] * x;
    }
    double odd[6] = {};
    for (int l = 0; l < 4; ++l) {
        const double x = a[stride * (2 * l + 1)];
        for (int m = 0; m < 6; ++m) odd[m] += kImdctTables.dct9Odd[l][m] * x;
    }
    for (int m = 0; m < 4; ++m) {
        out[m] = even[m] + odd[m];
        out[8 - m] = even[m] - odd[m];
    }
    out[4] = even[4];  // the odd terms of m = 4 are cos(pi l / 2) = 0
}

inline void Imdct36(const float* in, double* out) {
    double u[18];
    u[0] = in[0];
    for (int k = 1; k < 18; ++k) u[k] = static_cast<double>(in[k]) + static_cast<double>(in[k - 1]);
    double even[9];
    Dct9(u, 2, even);
    // The odd terms: a 9-point DCT-IV of u[1], u[3], ..., u[17].
    double w[9];
    w[0] = u[1];
    for (int l = 1; l < 9; ++l) w[l] = u[2 * l + 1] + u[2 * l - 1];
    double odd[9];
    Dct9(w, 1, odd);
    double c[18];
    for (int m = 0; m < 9; ++m) {
        const double o = odd[m] * kImdctTables.scale9[m];
        c[m] = (even[m] + o) * kImdctTables.scale18[m];
        c[17 - m] = (even[m] - o) * kImdctTables.scale18[17 - m];
    }
    for (int j = 0; j < 9; ++j) {
        out[j] = c[j + 9];
        out[17 - j] = -c[j + 9];
        out[18 + j] = -c[8 - j];
        out[35 - j] = -c[8 - j];
    }
}

// An IMDCT of 6 inputs gives 12 outputs that are odd-symmetric about 2.5
// (x[5 - i] = -x[i]) and even-symmetric about 8.5 (x[11 - i] = x[6 + i]), so
// 6 sums suffice. `short12` holds the cosines of input k for the outputs
// 0..2 and 6..8.
inline void Imdct12(const float* in, double* out) {
    double sum[6] = {};
    for (int k = 0; k < 6; ++k) {
        const double x = in[k];
        for (int j = 0; j < 6; ++j) sum[j] += kImdctTables.short12[k][j] * x;
    }
    for (int j = 0; j < 3; ++j) {
        out[j] = sum[j];
        out[5 - j] = -sum[j];
        out[6 + j] = sum[3 + j];
        out[11 - j] = sum[3 + j];
    }
}

}  // namespace

void Layer3Imdct36(const float in[18], double out[36]) { Imdct36(in, out); }

void Layer3Imdct12(const float in[6], double out[12]) { Imdct12(in, out); }

void Layer3HybridSynthesis(const TLayer3GranuleChannel& g, int mixedLongSubbands, const float xr[kLayer3Lines],
                           int subbandLimit, TLayer3Overlap& overlap, float out[kLayer3Slots][kLayer3Subbands]) {
    const float (&windows)[4][36] = Layer3ImdctWindows();
    const bool shortBlock = g.ShortBlock();
    // Below the switch point of a mixed block every block type is a normal
    // long block. A short block switches where its long part ends; a start
    // or stop block has no short part, and the standard's two lowest
    // subbands take the normal window at every rate.
    const int switchPoint = !(g.windowSwitching && g.mixedBlock) ? 0
                            : shortBlock ? std::clamp(mixedLongSubbands, 0, kLayer3Subbands)
                                         : 2;
    const int longSubbands = !shortBlock ? kLayer3Subbands : switchPoint;
    const int blockWindow = shortBlock ? 0 : static_cast<int>(g.blockType);
    subbandLimit = std::clamp(subbandLimit, 0, kLayer3Subbands);

    for (int sb = 0; sb < kLayer3Subbands; ++sb) {
        float* prev = overlap.values[sb];
        double z[36];
        if (sb >= subbandLimit) {
            std::fill(z, z + 36, 0.0);
        } else if (sb < longSubbands) {
            double x[36];
            Imdct36(xr + 18 * sb, x);
            const float* win = windows[sb < switchPoint ? 0 : blockWindow];
            for (int i = 0; i < 36; ++i) z[i] = x[i] * win[i];
        } else {
            std::fill(z, z + 36, 0.0);
            const float* win = windows[2];
            for (int w = 0; w < 3; ++w) {
                float in[6];
                for (int k = 0; k < 6; ++k) in[k] = xr[18 * sb + 3 * k + w];
                double y[12];
                Imdct12(in, y);
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
