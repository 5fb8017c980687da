#include "tonecore/mpeg/mpeg_synthesis.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <type_traits>

#include "tonecore/mpeg/mpeg_simd.h"
#include "tonecore/mpeg/mpeg_simd_vectors.h"

namespace {

// Table 3-B.3 of ISO/IEC 11172-3, D[0] to D[256], times 65536: every entry of
// the published table is a whole number of 1/65536 steps. The rest follows
// from D[512 - i] = -D[i] (D[i] for i a multiple of 64).
constexpr std::int32_t kWindowTimes65536[257] = {
    0, -1, -1, -1, -1, -1, -1, -2,
    -2, -2, -2, -3, -3, -4, -4, -5,
    -5, -6, -7, -7, -8, -9, -10, -11,
    -13, -14, -16, -17, -19, -21, -24, -26,
    -29, -31, -35, -38, -41, -45, -49, -53,
    -58, -63, -68, -73, -79, -85, -91, -97,
    -104, -111, -117, -125, -132, -139, -147, -154,
    -161, -169, -176, -183, -190, -196, -202, -208,
    213, 218, 222, 225, 227, 228, 228, 227,
    224, 221, 215, 208, 200, 189, 177, 163,
    146, 127, 106, 83, 57, 29, -2, -36,
    -72, -111, -153, -197, -244, -294, -347, -401,
    -459, -519, -581, -645, -711, -779, -848, -919,
    -991, -1064, -1137, -1210, -1283, -1356, -1428, -1498,
    -1567, -1634, -1698, -1759, -1817, -1870, -1919, -1962,
    -2001, -2032, -2057, -2075, -2085, -2087, -2080, -2063,
    2037, 2000, 1952, 1893, 1822, 1739, 1644, 1535,
    1414, 1280, 1131, 970, 794, 605, 402, 185,
    -45, -288, -545, -814, -1095, -1388, -1692, -2006,
    -2330, -2663, -3004, -3351, -3705, -4063, -4425, -4788,
    -5153, -5517, -5879, -6237, -6589, -6935, -7271, -7597,
    -7910, -8209, -8491, -8755, -8998, -9219, -9416, -9585,
    -9727, -9838, -9916, -9959, -9966, -9935, -9863, -9750,
    -9592, -9389, -9139, -8840, -8492, -8092, -7640, -7134,
    6574, 5959, 5288, 4561, 3776, 2935, 2037, 1082,
    70, -998, -2122, -3300, -4533, -5818, -7154, -8540,
    -9975, -11455, -12980, -14548, -16155, -17799, -19478, -21189,
    -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640,
    -37489, -39336, -41176, -43006, -44821, -46617, -48390, -50137,
    -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
    -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420,
    -72169, -72835, -73415, -73908, -74313, -74630, -74856, -74992,
    75038,
};

double Window(int index) {
    if (index <= 256) return kWindowTimes65536[index] / 65536.0;
    const int mirrored = 512 - index;
    const double value = kWindowTimes65536[mirrored] / 65536.0;
    return mirrored % 64 == 0 ? value : -value;
}

// 1 / (2 cos(pi (2k + 1) / (2n))) for the butterflies of an n-point DCT,
// n = 32, 16, 8, 4, 2 one after the other (31 values).
struct TDctConstants {
    float c[31];
    TDctConstants() {
        int at = 0;
        for (int n = 32; n >= 2; n /= 2) {
            for (int k = 0; k < n / 2; ++k) {
                c[at++] = static_cast<float>(0.5 / std::cos(std::numbers::pi * (2 * k + 1) / (2.0 * n)));
            }
        }
    }
};
const TDctConstants kDctConstants;

// The j held at each position of an n-point DCT's output in block order.
constexpr int DctBlockIndex(int n, int position) {
    if (n == 1) return 0;
    const int half = n / 2;
    return position < half ? 2 * DctBlockIndex(half, position) : 2 * DctBlockIndex(half, position - half) + 1;
}

// For the outputs of an n-point DCT in block order: the position of j, per
// size n = 16, 8, 4, 2, 1 and 32 (at [n]).
struct TDctOrder {
    int position[33][32] = {};
    constexpr TDctOrder() {
        for (int n = 1; n <= 32; n *= 2) {
            for (int p = 0; p < n; ++p) position[n][DctBlockIndex(n, p)] = p;
        }
    }
};
constexpr TDctOrder kDctOrder;

// values[position of j] += values[position of j + 1] for j = 0..n - 2: the
// odd outputs of the next larger DCT. Every right-hand value is read before
// it changes (positions of j + 1 are updated after those of j).
template <int N>
MPEG_KERNEL_INLINE void AddNextInBlockOrder(float* values) {
#pragma GCC unroll 16
    for (int j = 0; j < N - 1; ++j) values[kDctOrder.position[N][j]] += values[kDctOrder.position[N][j + 1]];
}

// The widest of V, 4 floats and a float whose lanes fit in half a block of N.
template <typename V, int N>
using TStageLanes =
    std::conditional_t<(mpegsimd::kLanes<V> <= N / 2), V,
                       std::conditional_t<(mpegsimd::kLanes<V> >= 4 && N / 2 >= 4), mpegsimd::TFloat4, float>>;

// One stage of the DCT's even/odd split on every block of N values: the first
// half of a block becomes the sums of mirrored pairs, the second half their
// differences times the size's constants `c`. Wide lanes where a half holds
// whole vectors; the lanes compute exactly what the scalar loop does.
template <typename V, int N>
MPEG_KERNEL_INLINE void DctButterflies(const float* in, float* out, const float* c) {
    using TLanes = TStageLanes<V, N>;
    constexpr int kHalf = N / 2;
    constexpr int kStep = mpegsimd::kLanes<TLanes>;
#pragma GCC unroll 16
    for (int block = 0; block < MpegSynthesisState::kSubbands; block += N) {
        if constexpr (kStep > 1) {
            for (int k = 0; k < kHalf; k += kStep) {
                TLanes low;
                TLanes high;
                TLanes constant;
                mpegsimd::Load(low, in + block + k);
                mpegsimd::Load(high, in + block + N - k - kStep);
                mpegsimd::Reverse(high);
                mpegsimd::Load(constant, c + k);
                const TLanes sum = low + high;
                const TLanes difference = (low - high) * constant;
                mpegsimd::Store(out + block + k, sum);
                mpegsimd::Store(out + block + kHalf + k, difference);
            }
        } else {
#pragma GCC unroll 16
            for (int k = 0; k < kHalf; ++k) {
                const float low = in[block + k];
                const float high = in[block + N - 1 - k];
                out[block + k] = low + high;
                out[block + kHalf + k] = (low - high) * c[k];
            }
        }
    }
}

// The sizes 4 and 2 of the split and the additions inside blocks of 4, on
// 4-value blocks side by side: a 4 by 4 transpose puts value m of four
// blocks into one vector, so every step is one vector operation. The same
// operations as the scalar stages, value by value; each block's outputs
// come out in the order of j.
MPEG_KERNEL_INLINE void SmallDctBlocks(const float* in, float* out, const float* c4, const float* c2) {
    using mpegsimd::TFloat4;
    for (int group = 0; group < MpegSynthesisState::kSubbands; group += 16) {
        TFloat4 x[4];
        for (int b = 0; b < 4; ++b) mpegsimd::Load(x[b], in + group + 4 * b);
        mpegsimd::Transpose4(x);
        // Size 4: sums and differences of the mirrored pairs (0, 3), (1, 2).
        const TFloat4 a0 = x[0] + x[3];
        const TFloat4 a1 = x[1] + x[2];
        const TFloat4 a2 = (x[0] - x[3]) * c4[0];
        const TFloat4 a3 = (x[1] - x[2]) * c4[1];
        // Size 2 on both halves (outputs 0, 2 and 1, 3), then the odd half's
        // addition; the rows go back in the order of j.
        const TFloat4 odd3 = (a2 - a3) * c2[0];
        TFloat4 y[4] = {a0 + a1, (a2 + a3) + odd3, (a0 - a1) * c2[0], odd3};
        mpegsimd::Transpose4(y);
        for (int b = 0; b < 4; ++b) mpegsimd::Store(out + group + 4 * b, y[b]);
    }
}

// Blocks of N values, each the outputs of two N/2-point DCTs in the order of
// j (even part E, then odd part O), become the N-point outputs in the order
// of j: output 2j is E[j], output 2j + 1 is O[j] + O[j + 1] (O[j] for the
// last j). In 4-float vectors; the same additions as AddNextInBlockOrder.
template <int N>
MPEG_KERNEL_INLINE void MergeDctHalves(const float* in, float* out) {
    using mpegsimd::TFloat4;
    constexpr int kHalf = N / 2;
    for (int block = 0; block < MpegSynthesisState::kSubbands; block += N) {
        const float* even = in + block;
        const float* odd = in + block + kHalf;
        for (int k = 0; k < kHalf; k += 4) {
            // Whole vectors only, as the stage before stored them: a load
            // across two stores waits until both reach the cache.
            TFloat4 o;
            mpegsimd::Load(o, odd + k);
            TFloat4 sum;
            if (k + 4 < kHalf) {
                TFloat4 following;
                mpegsimd::Load(following, odd + k + 4);
                sum = o + __builtin_shufflevector(o, following, 1, 2, 3, 4);
            } else {
                // The last odd output has no neighbour: it stays as it is.
                sum = o + __builtin_shufflevector(o, o, 1, 2, 3, 3);
                sum = __builtin_shufflevector(sum, o, 0, 1, 2, 7);
            }
            TFloat4 e;
            mpegsimd::Load(e, even + k);
            mpegsimd::Store(out + block + 2 * k, TFloat4(__builtin_shufflevector(e, sum, 0, 4, 1, 5)));
            mpegsimd::Store(out + block + 2 * k + 4, TFloat4(__builtin_shufflevector(e, sum, 2, 6, 3, 7)));
        }
    }
}

// out = the values sum over k of in[k] cos(pi (2k + 1) j / 64), j = 0..31, by
// the recursive even/odd split (N log N operations instead of N squared),
// done stage by stage: the butterflies from the full size down, then from
// the smallest blocks up, odd output 2j + 1 of a block as the sum of its
// half-size outputs j and j + 1. The scalar stages keep each level's
// outputs in block order (the even j, recursively in block order, then the
// odd ones; kDctOrder.position[32][j] is where j is) and reorder at the end;
// the vector stages reorder at every level.
template <typename V>
MPEG_KERNEL_INLINE void FastDct32(const float* in, float* out) {
    const float* c = kDctConstants.c;
    float scratch[MpegSynthesisState::kSubbands];
    DctButterflies<V, 32>(in, out, c);
    DctButterflies<V, 16>(out, scratch, c + 16);
    DctButterflies<V, 8>(scratch, out, c + 24);
    if constexpr (mpegsimd::kLanes<V> >= 4) {
        // Vectors: every level in the order of j.
        SmallDctBlocks(out, scratch, c + 28, c + 30);
        MergeDctHalves<8>(scratch, out);
        MergeDctHalves<16>(out, scratch);
        MergeDctHalves<32>(scratch, out);
    } else {
        float block[MpegSynthesisState::kSubbands];
        DctButterflies<V, 4>(out, scratch, c + 28);
        DctButterflies<V, 2>(scratch, block, c + 30);
        for (int at = 0; at < MpegSynthesisState::kSubbands; at += 4) AddNextInBlockOrder<2>(block + at + 2);
        for (int at = 0; at < MpegSynthesisState::kSubbands; at += 8) AddNextInBlockOrder<4>(block + at + 4);
        for (int at = 0; at < MpegSynthesisState::kSubbands; at += 16) AddNextInBlockOrder<8>(block + at + 8);
        AddNextInBlockOrder<16>(block + 16);
        for (int j = 0; j < MpegSynthesisState::kSubbands; ++j) out[j] = block[kDctOrder.position[32][j]];
    }
}

// The window in the layout of the history, scaled by 32768 so that sums
// come out in 16-bit sample units: coefficient[i][j] = D[j + 32 i].
struct TWindowRows {
    alignas(16) float coefficient[16][32];
    TWindowRows() {
        for (int i = 0; i < 16; ++i) {
            for (int j = 0; j < 32; ++j) coefficient[i][j] = static_cast<float>(Window(j + 32 * i) * 32768.0);
        }
    }
};
const TWindowRows kWindowRows;

// What one slot's kernel reads and writes.
struct TSlotWork {
    const float* input;     // 32 subband samples, after the equaliser
    float* halves[2];       // the newest slot's two halves of V
    const float* rows[16];  // the history row each window row multiplies
    bool truncate;          // toward zero instead of to nearest
    alignas(32) float sums[MpegSynthesisState::kSubbands];
    alignas(32) std::int32_t samples[MpegSynthesisState::kSubbands];
};

// Window products of the 32 outputs, lanes side by side over the 16 rows.
// Float sums are as close to the exact filterbank as the rest of the
// decoder's float values allow (the window entries are whole numbers of
// 1/65536 steps below 2, which a float holds exactly).
template <typename V>
MPEG_KERNEL_INLINE void WindowSums(TSlotWork& work) {
    constexpr int kStep = mpegsimd::kLanes<V>;
    constexpr int kVectors = MpegSynthesisState::kSubbands / kStep;
    V sum[kVectors] = {};
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const float* row = work.rows[i];
#pragma GCC unroll 32
        for (int n = 0; n < kVectors; ++n) {
            V d;
            V v;
            mpegsimd::Load(d, kWindowRows.coefficient[i] + n * kStep);
            mpegsimd::Load(v, row + n * kStep);
            sum[n] += d * v;
        }
    }
#pragma GCC unroll 32
    for (int n = 0; n < kVectors; ++n) mpegsimd::Store(work.sums + n * kStep, sum[n]);
}

// Clips each sum to the 16-bit range and converts it: to nearest with ties
// to even by adding and taking away 1.5 * 2^23 (a float in that range keeps
// no fraction bits), or toward zero.
template <typename V>
MPEG_KERNEL_INLINE void ClippedSamples(TSlotWork& work) {
    constexpr int kStep = mpegsimd::kLanes<V>;
    constexpr float kRound = 12582912.0f;
    for (int first = 0; first < MpegSynthesisState::kSubbands; first += kStep) {
        V sum;
        mpegsimd::Load(sum, work.sums + first);
        mpegsimd::Min(sum, 32767.0f);
        mpegsimd::Max(sum, -32768.0f);
        if (!work.truncate) sum = (sum + kRound) - kRound;
        typename mpegsimd::TLanes<V>::Int whole;
        mpegsimd::TruncateToInt(whole, sum);
        std::memcpy(work.samples + first, &whole, sizeof whole);
    }
}

// The standard's V vector of a slot is V[i] = sum over k of
// cos((16 + i)(2k + 1) pi / 64) S[k]; with A the DCT above, V[0..15] =
// A[16..31], V[16] = 0, V[17..31] = -A[31..17], V[32..48] = -A[16..0] and
// V[49..63] = -A[1..15]. Output j sums, over the 16 most recent slots i,
// D[j + 32 i] times V[j] of slot i when i is even and V[32 + j] when i is
// odd: both halves of V are kept.
MPEG_KERNEL_INLINE void WriteHalves(const float* a, float* even, float* odd) {
    for (int j = 0; j < 16; ++j) even[j] = a[16 + j];
    even[16] = 0.0f;
    for (int j = 17; j < 32; ++j) even[j] = -a[48 - j];
    for (int j = 0; j <= 16; ++j) odd[j] = -a[16 - j];
    for (int j = 17; j < 32; ++j) odd[j] = -a[j - 16];
}

// The same from A in 4-float vectors A[4q..4q + 3] as the DCT stored them,
// each half stored in vectors of V as the window loads them (a load across
// two stores waits until both reach the cache).
template <typename V>
MPEG_KERNEL_INLINE void WriteHalves(const mpegsimd::TFloat4 (&a)[8], float* even, float* odd) {
    using mpegsimd::TFloat4;
    // -(A[4q], A[4q - 1], A[4q - 2], A[4q - 3]).
    const auto mirrored = [&a](int q) { return TFloat4(-__builtin_shufflevector(a[q], a[q - 1], 0, 7, 6, 5)); };
    const TFloat4 zeroThenMirrored = __builtin_shufflevector(TFloat4{}, TFloat4(-a[7]), 0, 7, 6, 5);
    const TFloat4 evenHalf[8] = {a[4], a[5], a[6], a[7], zeroThenMirrored, mirrored(7), mirrored(6), mirrored(5)};
    const TFloat4 oddHalf[8] = {mirrored(4), mirrored(3), mirrored(2), mirrored(1), -a[0], -a[1], -a[2], -a[3]};
    for (int q = 0; q < 8; q += mpegsimd::kLanes<V> / 4) {
        if constexpr (mpegsimd::kLanes<V> == 8) {
            mpegsimd::Store(even + 4 * q, V(__builtin_shufflevector(evenHalf[q], evenHalf[q + 1], 0, 1, 2, 3, 4, 5, 6, 7)));
            mpegsimd::Store(odd + 4 * q, V(__builtin_shufflevector(oddHalf[q], oddHalf[q + 1], 0, 1, 2, 3, 4, 5, 6, 7)));
        } else {
            mpegsimd::Store(even + 4 * q, evenHalf[q]);
            mpegsimd::Store(odd + 4 * q, oddHalf[q]);
        }
    }
}

template <typename V>
MPEG_KERNEL_INLINE void SynthesizeSlot(TSlotWork& work) {
    alignas(32) float a[MpegSynthesisState::kSubbands];
    FastDct32<V>(work.input, a);
    if constexpr (mpegsimd::kLanes<V> >= 4) {
        mpegsimd::TFloat4 vectors[8];
        for (int q = 0; q < 8; ++q) mpegsimd::Load(vectors[q], a + 4 * q);
        WriteHalves<V>(vectors, work.halves[0], work.halves[1]);
    } else {
        WriteHalves(a, work.halves[0], work.halves[1]);
    }
    WindowSums<V>(work);
    ClippedSamples<V>(work);
}

void SynthesizeSlotScalar(TSlotWork& work) { SynthesizeSlot<float>(work); }
void SamplesScalar(TSlotWork& work) { ClippedSamples<float>(work); }
#if defined(TRACKPRESS_MPEG_X86_64)
void SynthesizeSlotSse2(TSlotWork& work) { SynthesizeSlot<mpegsimd::TFloat4>(work); }
MPEG_TARGET_AVX2 void SynthesizeSlotAvx2(TSlotWork& work) { SynthesizeSlot<mpegsimd::TFloat8>(work); }
void SamplesSse2(TSlotWork& work) { ClippedSamples<mpegsimd::TFloat4>(work); }
MPEG_TARGET_AVX2 void SamplesAvx2(TSlotWork& work) { ClippedSamples<mpegsimd::TFloat8>(work); }
#else
#define SynthesizeSlotSse2 SynthesizeSlotScalar
#define SynthesizeSlotAvx2 SynthesizeSlotScalar
#define SamplesSse2 SamplesScalar
#define SamplesAvx2 SamplesScalar
#endif

}  // namespace

double MpegSynthesisWindow(int index) {
    return index >= 0 && index < 512 ? Window(index) : 0.0;
}

MpegSynthesisState::MpegSynthesisState() { Reset(); }

void MpegSynthesisState::Reset() {
    for (auto& slot : history_) {
        for (auto& row : slot) row.fill(0.0f);
    }
    position_ = 0;
}

void MpegSynthesisState::SetRateReduction(int reduction) {
    reduction_ = reduction < 0 ? 0 : (reduction > 2 ? 2 : reduction);
}

void MpegSynthesisState::SetEqualizer(const float* gains) {
    if (gains == nullptr) {
        equalizer_.reset();
        return;
    }
    if (!equalizer_) equalizer_ = std::make_unique<std::array<float, kSubbands>>();
    for (int i = 0; i < kSubbands; ++i) (*equalizer_)[static_cast<std::size_t>(i)] = gains[i];
}

void MpegSynthesisState::SetOutput(std::int16_t* pcm, int stride) {
    pcm_ = pcm;
    stride_ = stride;
}

void MpegSynthesisState::Slot(const float* subbands) {
    float input[kSubbands];
    TSlotWork work;
    work.input = subbands;
    if (equalizer_) {
        for (int k = 0; k < kSubbands; ++k) input[k] = subbands[k] * (*equalizer_)[static_cast<std::size_t>(k)];
        work.input = input;
    }
    auto& newest = history_[static_cast<std::size_t>(position_)];
    work.halves[0] = newest[0].data();
    work.halves[1] = newest[1].data();
    for (int i = 0; i < 16; ++i) {
        work.rows[i] = history_[static_cast<std::size_t>((position_ + i) & 15)][static_cast<std::size_t>(i & 1)].data();
    }
    position_ = (position_ - 1) & 15;
    work.truncate = reduction_ != 0;
    MpegSimdKernel(&SynthesizeSlotScalar, &SynthesizeSlotSse2, &SynthesizeSlotAvx2)(work);

    const int step = 1 << reduction_;
    if (unrounded_ != nullptr) {
        for (int j = 0; j < kSubbands; j += step) {
            *unrounded_ = work.sums[j];
            unrounded_ += stride_;
        }
    }
    if (pcm_ == nullptr) return;
    if (step == 1) {
        // The common case, unrolled.
        std::int16_t* to = pcm_;
        const std::ptrdiff_t stride = stride_;
#pragma GCC unroll 32
        for (int j = 0; j < kSubbands; ++j) to[j * stride] = static_cast<std::int16_t>(work.samples[j]);
        pcm_ += kSubbands * stride;
        return;
    }
    for (int j = 0; j < kSubbands; j += step) {
        *pcm_ = static_cast<std::int16_t>(work.samples[j]);
        pcm_ += stride_;
    }
}

void MpegSynthesisSamples(const float sums[MpegSynthesisState::kSubbands], bool truncate,
                          std::int32_t samples[MpegSynthesisState::kSubbands]) {
    TSlotWork work{};
    std::memcpy(work.sums, sums, sizeof work.sums);
    work.truncate = truncate;
    MpegSimdKernel(&SamplesScalar, &SamplesSse2, &SamplesAvx2)(work);
    std::memcpy(samples, work.samples, sizeof work.samples);
}

void MpegSynthesisState::SilentSlot() {
    for (int j = 0; j < OutputsPerSlot(); ++j) {
        if (unrounded_ != nullptr) {
            *unrounded_ = 0.0f;
            unrounded_ += stride_;
        }
        if (pcm_ != nullptr) {
            *pcm_ = 0;
            pcm_ += stride_;
        }
    }
}
