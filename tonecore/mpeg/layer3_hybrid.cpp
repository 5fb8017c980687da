#include "tonecore/mpeg/layer3_hybrid.h"

#include <algorithm>
#include <cmath>

#include "tonecore/mpeg/mpeg_simd.h"
#include "tonecore/mpeg/mpeg_simd_vectors.h"

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
// a[l] at a[stride * l]. D is double or a vector of doubles (one transform
// per lane, the same operations in each).
template <typename D>
MPEG_KERNEL_INLINE void Dct9(const D* a, int stride, D* out) {
    D even[5] = {};
    for (int l = 0; l < 5; ++l) {
        const D x = a[stride * 2 * l];
        for (int m = 0; m < 5; ++m) even[m] += kImdctTables.dct9Even[l][m] * x;
    }
    D odd[4] = {};
    for (int l = 0; l < 4; ++l) {
        const D x = a[stride * (2 * l + 1)];
        for (int m = 0; m < 4; ++m) odd[m] += kImdctTables.dct9Odd[l][m] * x;
    }
    for (int m = 0; m < 4; ++m) {
        out[m] = even[m] + odd[m];
        out[8 - m] = even[m] - odd[m];
    }
    out[4] = even[4];  // the odd terms of m = 4 are cos(pi l / 2) = 0
}

template <typename D>
MPEG_KERNEL_INLINE void Imdct36(const D* in, D* out) {
    D u[18];
    u[0] = in[0];
    for (int k = 1; k < 18; ++k) u[k] = in[k] + in[k - 1];
    D even[9];
    Dct9(u, 2, even);
    // The odd terms: a 9-point DCT-IV of u[1], u[3], ..., u[17].
    D w[9];
    w[0] = u[1];
    for (int l = 1; l < 9; ++l) w[l] = u[2 * l + 1] + u[2 * l - 1];
    D odd[9];
    Dct9(w, 1, odd);
    D c[18];
    for (int m = 0; m < 9; ++m) {
        const D o = odd[m] * kImdctTables.scale9[m];
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
// 0..2 and 6..8. Input k is at in[stride * k].
template <typename D>
MPEG_KERNEL_INLINE void Imdct12(const D* in, int stride, D* out) {
    D sum[6] = {};
    for (int k = 0; k < 6; ++k) {
        const D x = in[stride * k];
        for (int j = 0; j < 6; ++j) sum[j] += kImdctTables.short12[k][j] * x;
    }
    for (int j = 0; j < 3; ++j) {
        out[j] = sum[j];
        out[5 - j] = -sum[j];
        out[6 + j] = sum[3 + j];
        out[11 - j] = sum[3 + j];
    }
}

// to[k] = the input value k of subband sb + lane in each lane, from 18
// values per subband at `from` (subband sb).
MPEG_KERNEL_INLINE void LoadSubbandColumns(double* to, const float* from) {
    for (int k = 0; k < 18; ++k) to[k] = from[k];
}
MPEG_KERNEL_INLINE void LoadSubbandColumns(mpegsimd::TDouble2* to, const float* from) {
    for (int k = 0; k < 18; ++k) to[k] = mpegsimd::TDouble2{from[k], from[18 + k]};
}
MPEG_KERNEL_INLINE void LoadSubbandColumns(mpegsimd::TDouble4* to, const float* from) {
    using mpegsimd::TFloat4;
    for (int k = 0; k < 16; k += 4) {
        // Rows are subbands, columns values.
        TFloat4 r[4];
        for (int row = 0; row < 4; ++row) mpegsimd::Load(r[row], from + 18 * row + k);
        mpegsimd::Transpose4(r);
        for (int n = 0; n < 4; ++n) to[k + n] = __builtin_convertvector(r[n], mpegsimd::TDouble4);
    }
    for (int k = 16; k < 18; ++k) to[k] = mpegsimd::TDouble4{from[k], from[18 + k], from[36 + k], from[54 + k]};
}

// The subbands [begin, end), all long blocks with the window `window` or all
// short blocks (three short transforms overlapped at 6, 12 and 18, with the
// short window): the transforms, overlap-add with the previous granule's
// second half and frequency inversion of odd subbands. D's lanes take
// neighbouring subbands; a remainder narrower than D goes one subband at a
// time.
template <typename D, bool kShort>
MPEG_KERNEL_INLINE void TransformSubbands(const float* xr, int begin, int end, const float* window,
                                          TLayer3Overlap& overlap, float out[kLayer3Slots][kLayer3Subbands]) {
    constexpr int kCount = mpegsimd::kLanes<D>;
    int sb = begin;
    for (; sb + kCount <= end; sb += kCount) {
        D x[18];
        LoadSubbandColumns(x, xr + 18 * sb);
        D z[36];
        if constexpr (kShort) {
            // Window w's value k is at 3 k + w.
            for (D& value : z) value = D{};
            for (int w = 0; w < 3; ++w) {
                D y[12];
                Imdct12(x + w, 3, y);
                for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += y[i] * static_cast<double>(window[i]);
            }
        } else {
            D y[36];
            Imdct36(x, y);
            for (int i = 0; i < 36; ++i) z[i] = y[i] * static_cast<double>(window[i]);
        }
        // -1 in the lanes of odd subbands: their odd slots are inverted.
        alignas(32) double signs[kCount];
        for (int lane = 0; lane < kCount; ++lane) signs[lane] = ((sb + lane) & 1) != 0 ? -1.0 : 1.0;
        D inversion;
        mpegsimd::Load(inversion, signs);
        for (int i = 0; i < 18; ++i) {
            D prev;
            mpegsimd::LoadWidened(prev, overlap.values[i] + sb);
            D sample = z[i] + prev;
            if (i & 1) sample *= inversion;
            mpegsimd::StoreNarrowed(out[i] + sb, sample);
            mpegsimd::StoreNarrowed(overlap.values[i] + sb, z[18 + i]);
        }
    }
    if constexpr (kCount > 1) TransformSubbands<double, kShort>(xr, sb, end, window, overlap, out);
}

// Butterflies across the subband boundaries 1..`boundaries`, D's lanes
// taking neighbouring butterflies of a boundary.
template <typename D>
MPEG_KERNEL_INLINE void AliasButterflies(float* xr, int boundaries) {
    constexpr int kCount = mpegsimd::kLanes<D>;
    const TLayer3AliasCoefficients& c = Layer3AliasCoefficients();
    D cs[8 / kCount];
    D ca[8 / kCount];
    for (int n = 0; n < 8 / kCount; ++n) {
        mpegsimd::LoadWidened(cs[n], c.cs + n * kCount);
        mpegsimd::LoadWidened(ca[n], c.ca + n * kCount);
    }
    for (int sb = 1; sb <= boundaries; ++sb) {
        float* upper = xr + 18 * sb;
        for (int n = 0; n < 8 / kCount; ++n) {
            const int i = n * kCount;
            D a;
            D b;
            mpegsimd::LoadWidened(a, upper - i - kCount);
            mpegsimd::Reverse(a);
            mpegsimd::LoadWidened(b, upper + i);
            D lower = a * cs[n] - b * ca[n];
            const D higher = b * cs[n] + a * ca[n];
            mpegsimd::Reverse(lower);
            mpegsimd::StoreNarrowed(upper - i - kCount, lower);
            mpegsimd::StoreNarrowed(upper + i, higher);
        }
    }
}

// Long blocks (`shortBlocks` false) or short blocks of subbands [begin, end).
using TSubbandsKernel = void (*)(const float*, int, int, const float*, TLayer3Overlap&,
                                 float[kLayer3Slots][kLayer3Subbands], bool);
using TAliasKernel = void (*)(float*, int);

template <typename D>
MPEG_KERNEL_INLINE void TransformBlocks(const float* xr, int begin, int end, const float* window,
                                        TLayer3Overlap& overlap, float out[kLayer3Slots][kLayer3Subbands],
                                        bool shortBlocks) {
    if (shortBlocks) {
        TransformSubbands<D, true>(xr, begin, end, window, overlap, out);
    } else {
        TransformSubbands<D, false>(xr, begin, end, window, overlap, out);
    }
}

void TransformScalar(const float* xr, int begin, int end, const float* window, TLayer3Overlap& overlap,
                     float out[kLayer3Slots][kLayer3Subbands], bool shortBlocks) {
    TransformBlocks<double>(xr, begin, end, window, overlap, out, shortBlocks);
}
void AliasButterfliesScalar(float* xr, int boundaries) { AliasButterflies<double>(xr, boundaries); }
#if defined(TRACKPRESS_MPEG_X86_64)
void TransformSse2(const float* xr, int begin, int end, const float* window, TLayer3Overlap& overlap,
                   float out[kLayer3Slots][kLayer3Subbands], bool shortBlocks) {
    TransformBlocks<mpegsimd::TDouble2>(xr, begin, end, window, overlap, out, shortBlocks);
}
MPEG_TARGET_AVX2 void TransformAvx2(const float* xr, int begin, int end, const float* window,
                                    TLayer3Overlap& overlap, float out[kLayer3Slots][kLayer3Subbands],
                                    bool shortBlocks) {
    TransformBlocks<mpegsimd::TDouble4>(xr, begin, end, window, overlap, out, shortBlocks);
}
void AliasButterfliesSse2(float* xr, int boundaries) { AliasButterflies<mpegsimd::TDouble2>(xr, boundaries); }
MPEG_TARGET_AVX2 void AliasButterfliesAvx2(float* xr, int boundaries) {
    AliasButterflies<mpegsimd::TDouble4>(xr, boundaries);
}
#else
// Without x86-64 vectors every path runs the portable kernels.
#define TransformSse2 TransformScalar
#define TransformAvx2 TransformScalar
#define AliasButterfliesSse2 AliasButterfliesScalar
#define AliasButterfliesAvx2 AliasButterfliesScalar
#endif

}  // namespace

void ReduceLayer3Aliasing(float xr[kLayer3Lines], int boundaries) {
    boundaries = std::clamp(boundaries, 0, kLayer3Subbands - 1);
    MpegSimdKernel<TAliasKernel>(&AliasButterfliesScalar, &AliasButterfliesSse2, &AliasButterfliesAvx2)(xr, boundaries);
}

void Layer3Imdct36(const float in[18], double out[36]) {
    double x[18];
    for (int k = 0; k < 18; ++k) x[k] = in[k];
    Imdct36(x, out);
}

void Layer3Imdct12(const float in[6], double out[12]) {
    double x[6];
    for (int k = 0; k < 6; ++k) x[k] = in[k];
    Imdct12(x, 1, out);
}

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

    // Long blocks first, in runs of one window.
    const int longEnd = std::min(longSubbands, subbandLimit);
    const TSubbandsKernel transform =
        MpegSimdKernel<TSubbandsKernel>(&TransformScalar, &TransformSse2, &TransformAvx2);
    const int normalEnd = std::min(switchPoint, longEnd);
    if (normalEnd > 0) transform(xr, 0, normalEnd, windows[0], overlap, out, false);
    if (longEnd > normalEnd) transform(xr, normalEnd, longEnd, windows[blockWindow], overlap, out, false);

    // Past the limit the transform is silence: the overlap comes out (+0.0f
    // turns a -0 into 0 as the double sum of the long path does).
    const int shortEnd = std::max(longEnd, subbandLimit);
    for (int i = 0; i < 18; ++i) {
        const float sign = (i & 1) ? -1.0f : 1.0f;
        for (int sb = shortEnd; sb < kLayer3Subbands; ++sb) {
            const float sample = overlap.values[i][sb] + 0.0f;
            out[i][sb] = (sb & 1) ? sample * sign : sample;
            overlap.values[i][sb] = 0.0f;
        }
    }

    // Short blocks in between.
    if (shortEnd > longEnd) transform(xr, longEnd, shortEnd, windows[2], overlap, out, true);
}
