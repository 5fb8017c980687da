#include "tonecore/mpeg/mpeg_synthesis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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
// n = 32, 16, 8, 4, 2 one after the other (62 values).
struct TDctConstants {
    float c[62];
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
// odd outputs of the next larger DCT.
template <int N>
inline void AddNextInBlockOrder(float* values) {
    for (int j = 0; j < N - 1; ++j) values[kDctOrder.position[N][j]] += values[kDctOrder.position[N][j + 1]];
}

// out = the values sum over k of in[k] cos(pi (2k + 1) j / (2N)), by the
// recursive even/odd split: N log N operations instead of N squared. `c`
// holds the constants of N and the smaller sizes after them. The outputs
// come in block order: the even j (recursively in block order) first, then
// the odd ones; DctBlockIndex gives the j at each position.
template <int N>
inline void FastDct(const float* in, float* out, const float* c) {
    if constexpr (N == 1) {
        out[0] = in[0];
    } else {
        float sums[N / 2];
        float differences[N / 2];
        for (int k = 0; k < N / 2; ++k) {
            sums[k] = in[k] + in[N - 1 - k];
            differences[k] = (in[k] - in[N - 1 - k]) * c[k];
        }
        FastDct<N / 2>(sums, out, c + N / 2);
        float* odd = out + N / 2;
        FastDct<N / 2>(differences, odd, c + N / 2);
        // Odd output 2j + 1 is the sum of the half-size outputs j and j + 1,
        // both at the same block position of their own j.
        if constexpr (N == 2) {
            // Block position and j agree below 2.
        } else {
            AddNextInBlockOrder<N / 2>(odd);
        }
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
    for (int k = 0; k < kSubbands; ++k) {
        float sample = subbands[k];
        if (equalizer_) sample *= (*equalizer_)[static_cast<std::size_t>(k)];
        input[k] = sample;
    }
    float block[kSubbands];
    FastDct<kSubbands>(input, block, kDctConstants.c);
    float a[kSubbands];
    for (int j = 0; j < kSubbands; ++j) a[j] = block[kDctOrder.position[kSubbands][j]];

    // The standard's V vector of a slot is V[i] = sum over k of
    // cos((16 + i)(2k + 1) pi / 64) S[k]; with A the DCT above, V[0..15] =
    // A[16..31], V[16] = 0, V[17..31] = -A[31..17], V[32..48] = -A[16..0]
    // and V[49..63] = -A[1..15]. Output j sums, over the 16 most recent
    // slots i, D[j + 32 i] times V[j] of slot i when i is even and V[32 + j]
    // when i is odd: both halves of V are kept.
    auto& newest = history_[static_cast<std::size_t>(position_)];
    float* even = newest[0].data();
    float* odd = newest[1].data();
    for (int j = 0; j < 16; ++j) even[j] = a[16 + j];
    even[16] = 0.0f;
    for (int j = 17; j < 32; ++j) even[j] = -a[48 - j];
    for (int j = 0; j <= 16; ++j) odd[j] = -a[16 - j];
    for (int j = 17; j < 32; ++j) odd[j] = -a[j - 16];

    // Window products, eight outputs side by side so that their sums stay
    // in registers over the 16 slots. Float sums are as close to the exact
    // filterbank as the rest of the decoder's float values allow (the
    // window entries are whole numbers of 1/65536 steps below 2, which a
    // float holds exactly).
    const float* rows[16];
    for (int i = 0; i < 16; ++i) {
        rows[i] = history_[static_cast<std::size_t>((position_ + i) & 15)][static_cast<std::size_t>(i & 1)].data();
    }
    position_ = (position_ - 1) & 15;
    alignas(16) double sums[kSubbands];
    for (int first = 0; first < kSubbands; first += 8) {
        float sum[8] = {};
        for (int i = 0; i < 16; ++i) {
            const float* v = rows[i] + first;
            const float* d = kWindowRows.coefficient[i] + first;
            for (int t = 0; t < 8; ++t) sum[t] += d[t] * v[t];
        }
        for (int t = 0; t < 8; ++t) sums[first + t] = sum[t];
    }

    const int step = 1 << reduction_;
    if (unrounded_ != nullptr) {
        for (int j = 0; j < kSubbands; j += step) {
            *unrounded_ = static_cast<float>(sums[j]);
            unrounded_ += stride_;
        }
    }
    if (pcm_ == nullptr) return;
    std::int16_t samples[kSubbands];
    if (reduction_ == 0) {
        // Round to nearest, ties to even (the default rounding mode): adding
        // and taking away 1.5 * 2^52 leaves no fraction bits.
        constexpr double kRound = 6755399441055744.0;
        for (int j = 0; j < kSubbands; ++j) {
            const double clamped = std::clamp(sums[j], -32768.0, 32767.0);
            samples[j] = static_cast<std::int16_t>((clamped + kRound) - kRound);
        }
    } else {
        // The reduced rates truncate toward zero.
        for (int j = 0; j < kSubbands; j += step) {
            samples[j] = static_cast<std::int16_t>(std::clamp(sums[j], -32768.0, 32767.0));
        }
    }
    for (int j = 0; j < kSubbands; j += step) {
        *pcm_ = samples[j];
        pcm_ += stride_;
    }
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
