#include "tonecore/mpeg/layer3_tables.h"

#include <cmath>

// ISO/IEC 11172-3 Table B.8 (MPEG-1) and ISO/IEC 13818-3 Table B.2 (MPEG-2),
// with the MPEG-2.5 rates extending the latter.
const TLayer3BandTable kLayer3Bands[9] = {
    // MPEG-1 44100 Hz
    {{0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
     {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192}},
    // MPEG-1 48000 Hz
    {{0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
     {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192}},
    // MPEG-1 32000 Hz
    {{0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
     {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192}},
    // MPEG-2 22050 Hz
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192}},
    // MPEG-2 24000 Hz
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192}},
    // MPEG-2 16000 Hz
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    // MPEG-2.5 11025 Hz
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    // MPEG-2.5 12000 Hz
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    // MPEG-2.5 8000 Hz
    {{0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576},
     {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192}},
};

// ISO/IEC 11172-3 Table B.6.
const std::uint8_t kLayer3Pretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

// ISO/IEC 11172-3 2.4.2.7, scalefac_compress.
const std::uint8_t kLayer3Slen[2][16] = {
    {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
    {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3},
};

// ISO/IEC 13818-3 Table B.1, nr_of_sfb_block.
const std::uint8_t kLayer3LsfBandCounts[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},
    {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}},
    {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},
    {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};

const TLayer3AliasCoefficients& Layer3AliasCoefficients() {
    static const TLayer3AliasCoefficients table = [] {
        // ISO/IEC 11172-3 Table B.9, Ci.
        const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
        TLayer3AliasCoefficients t{};
        for (int i = 0; i < 8; ++i) {
            const double sq = std::sqrt(1.0 + c[i] * c[i]);
            t.cs[i] = static_cast<float>(1.0 / sq);
            t.ca[i] = static_cast<float>(c[i] / sq);
        }
        return t;
    }();
    return table;
}

namespace {
struct TWindows {
    float w[4][36];
};
}  // namespace

const float (&Layer3ImdctWindows())[4][36] {
    static const TWindows windows = [] {
        TWindows t{};
        const double pi = 3.14159265358979323846;
        for (int i = 0; i < 36; ++i) t.w[0][i] = static_cast<float>(std::sin(pi / 36 * (i + 0.5)));
        // Start window: long rise, flat, short fall, zeros.
        for (int i = 0; i < 18; ++i) t.w[1][i] = t.w[0][i];
        for (int i = 18; i < 24; ++i) t.w[1][i] = 1.0f;
        for (int i = 24; i < 30; ++i) t.w[1][i] = static_cast<float>(std::sin(pi / 12 * (i - 18 + 0.5)));
        for (int i = 30; i < 36; ++i) t.w[1][i] = 0.0f;
        // Stop window: zeros, short rise, flat, long fall.
        for (int i = 0; i < 6; ++i) t.w[3][i] = 0.0f;
        for (int i = 6; i < 12; ++i) t.w[3][i] = static_cast<float>(std::sin(pi / 12 * (i - 6 + 0.5)));
        for (int i = 12; i < 18; ++i) t.w[3][i] = 1.0f;
        for (int i = 18; i < 36; ++i) t.w[3][i] = t.w[0][i];
        for (int i = 0; i < 12; ++i) t.w[2][i] = static_cast<float>(std::sin(pi / 12 * (i + 0.5)));
        return t;
    }();
    return windows.w;
}

const double* Layer3Pow43() {
    static const auto* table = [] {
        static double t[kLayer3Pow43Size];
        for (int i = 0; i < kLayer3Pow43Size; ++i) t[i] = std::pow(static_cast<double>(i), 4.0 / 3.0);
        return t;
    }();
    return table;
}
