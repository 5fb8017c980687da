#include "tonecore/mpeg/layer12_tables.h"

#include <array>
#include <cmath>

// ISO/IEC 11172-3 Table 3-B.4: steps, bits per code (code word), grouping.
const TLayer2QuantClass kLayer2QuantClass[kLayer2QuantClasses] = {
    {3, 5, true},     {5, 7, true},     {7, 3, false},     {9, 10, true},     {15, 4, false},    {31, 5, false},
    {63, 6, false},   {127, 7, false},  {255, 8, false},   {511, 9, false},   {1023, 10, false}, {2047, 11, false},
    {4095, 12, false}, {8191, 13, false}, {16383, 14, false}, {32767, 15, false}, {65535, 16, false},
};

namespace {

// Rows of quantisation classes (indexes into kLayer2QuantClass) by
// allocation value 1, 2, ... as the allocation tables list them.
// Table 3-B.2a/b, subbands 0-2: 3, 7, 15, 31, ..., 65535 steps.
constexpr std::int8_t kRowA0[15] = {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
// Table 3-B.2a/b, subbands 3-10: 3, 5, 7, 9, 15, ..., 8191, 65535 steps.
constexpr std::int8_t kRowA3[15] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16};
// Table 3-B.2a/b, subbands 11-22: 3, 5, 7, 9, 15, 31, 65535 steps.
constexpr std::int8_t kRowA11[7] = {0, 1, 2, 3, 4, 5, 16};
// Table 3-B.2a/b, subbands 23-29: 3, 5, 65535 steps.
constexpr std::int8_t kRowA23[3] = {0, 1, 16};
// Table 3-B.2c/d, subbands 0-1: 3, 5, 9, 15, ..., 32767 steps.
constexpr std::int8_t kRowC0[15] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
// Table 3-B.2c/d, subbands 2-11: 3, 5, 9, 15, 31, 63, 127 steps.
constexpr std::int8_t kRowC2[7] = {0, 1, 3, 4, 5, 6, 7};
// ISO/IEC 13818-3 Table B.1, subbands 0-3: 3, 5, 7, 9, 15, ..., 16383 steps.
constexpr std::int8_t kRowLsf0[15] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
// 13818-3 Table B.1, subbands 4-10: 3, 5, 9, 15, 31, 63, 127 steps.
constexpr std::int8_t kRowLsf4[7] = {0, 1, 3, 4, 5, 6, 7};
// 13818-3 Table B.1, subbands 11-29: 3, 5, 9 steps.
constexpr std::int8_t kRowLsf11[3] = {0, 1, 3};

struct TRowSpan {
    int firstSubband;
    int bits;
    const std::int8_t* row;
};

template <std::size_t N>
TLayer2AllocationTable MakeTable(int sblimit, const std::array<TRowSpan, N>& spans) {
    TLayer2AllocationTable table{};
    table.sblimit = sblimit;
    for (std::size_t i = 0; i < N; ++i) {
        const int end = i + 1 < N ? spans[i + 1].firstSubband : sblimit;
        for (int sb = spans[i].firstSubband; sb < end; ++sb) {
            table.allocationBits[sb] = static_cast<std::uint8_t>(spans[i].bits);
            table.classes[sb] = spans[i].row;
        }
    }
    return table;
}

// Table 3-B.2a (27 subbands) and 3-B.2b (30 subbands).
const TLayer2AllocationTable kTableA =
    MakeTable<4>(27, {{{0, 4, kRowA0}, {3, 4, kRowA3}, {11, 3, kRowA11}, {23, 2, kRowA23}}});
const TLayer2AllocationTable kTableB =
    MakeTable<4>(30, {{{0, 4, kRowA0}, {3, 4, kRowA3}, {11, 3, kRowA11}, {23, 2, kRowA23}}});
// Table 3-B.2c (8 subbands) and 3-B.2d (12 subbands).
const TLayer2AllocationTable kTableC = MakeTable<2>(8, {{{0, 4, kRowC0}, {2, 3, kRowC2}}});
const TLayer2AllocationTable kTableD = MakeTable<2>(12, {{{0, 4, kRowC0}, {2, 3, kRowC2}}});
// ISO/IEC 13818-3 Table B.1 (30 subbands).
const TLayer2AllocationTable kTableLsf =
    MakeTable<3>(30, {{{0, 4, kRowLsf0}, {4, 3, kRowLsf4}, {11, 2, kRowLsf11}}});

}  // namespace

const TLayer2AllocationTable& Layer2AllocationTable(bool lowSampleRate, std::uint32_t sampleRateIndex,
                                                    std::uint32_t bitrateClass) {
    if (lowSampleRate) return kTableLsf;
    // Table 3-B.1 by the bitrate per channel: classes 1 and 2 (32 and 48
    // kbit/s) take the narrow tables; 3 to 5 (56 to 80 kbit/s) table a; from
    // 6 (96 kbit/s) on, table a at 48 kHz and table b otherwise.
    if (bitrateClass <= 2) return sampleRateIndex == 2 ? kTableD : kTableC;
    if (bitrateClass <= 5 || sampleRateIndex == 1) return kTableA;
    return kTableB;
}

float Layer12ScaleFactorGain(std::uint32_t index) {
    static const auto gains = [] {
        std::array<float, 64> g{};
        for (int i = 0; i < 63; ++i) g[static_cast<std::size_t>(i)] = static_cast<float>(std::exp2(1.0 - i / 3.0));
        return g;
    }();
    return gains[index & 63];
}
