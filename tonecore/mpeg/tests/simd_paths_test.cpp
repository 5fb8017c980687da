#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "tonecore/mpeg/layer3_hybrid.h"
#include "tonecore/mpeg/tests/layer3_block_types.h"
#include "tonecore/mpeg/mpeg_simd.h"
#include "tonecore/mpeg/mpeg_synthesis.h"

// Every vector path of the decoder's kernels must give exactly the scalar
// path's values: the same samples, and the same floats before rounding.

namespace {

// Switches the kernels to a path for one scope.
class CPathScope {
public:
    explicit CPathScope(EMpegSimdPath path) : before_(MpegSimdPath()) { ok_ = SetMpegSimdPath(path); }
    ~CPathScope() { SetMpegSimdPath(before_); }
    bool Ok() const { return ok_; }

private:
    EMpegSimdPath before_;
    bool ok_ = false;
};

struct TPath {
    EMpegSimdPath path;
    const char* name;
};
constexpr TPath kVectorPaths[] = {{EMpegSimdPath::kSse2, "sse2"}, {EMpegSimdPath::kAvx2, "avx2"}};

// Runs `compute` on the scalar path and on every vector path the machine
// has, and compares each vector path's result with the scalar one's.
template <typename TResult, typename TCompute, typename TCompare>
int CompareWithScalar(TCompute compute, TCompare compare) {
    TResult scalar;
    {
        CPathScope scope(EMpegSimdPath::kScalar);
        EXPECT_TRUE(scope.Ok());
        scalar = compute();
    }
    int compared = 0;
    for (const TPath& p : kVectorPaths) {
        CPathScope scope(p.path);
        if (!scope.Ok()) continue;
        SCOPED_TRACE(p.name);
        compare(scalar, compute());
        ++compared;
    }
    return compared;
}

// Floats compared by their bits: -0 and 0 differ too.
void ExpectSameFloats(const std::vector<float>& expected, const std::vector<float>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::uint32_t a;
        std::uint32_t b;
        std::memcpy(&a, &expected[i], sizeof a);
        std::memcpy(&b, &actual[i], sizeof b);
        ASSERT_EQ(a, b) << "value " << i << ": " << expected[i] << " and " << actual[i];
    }
}

void RandomFill(float* values, int count, float amplitude, std::mt19937& rng) {
    std::uniform_real_distribution<float> value(-amplitude, amplitude);
    for (int i = 0; i < count; ++i) values[i] = value(rng);
}

struct TSynthesisRun {
    std::vector<std::int16_t> pcm;
    std::vector<float> unrounded;
};

TEST(MpegSimdPaths, TheMachineRunsTheWidestPathItHas) {
    EXPECT_TRUE(MpegSimdPathAvailable(EMpegSimdPath::kScalar));
#if defined(__x86_64__)
    EXPECT_TRUE(MpegSimdPathAvailable(EMpegSimdPath::kSse2));
    if (std::getenv("TRACKPRESS_MPEG_SIMD") == nullptr) {
        EXPECT_EQ(MpegSimdPath(), __builtin_cpu_supports("avx2") ? EMpegSimdPath::kAvx2 : EMpegSimdPath::kSse2);
    }
#endif
    // A path the processor lacks is refused and changes nothing.
    const EMpegSimdPath before = MpegSimdPath();
    for (const TPath& p : kVectorPaths) {
        if (!MpegSimdPathAvailable(p.path)) {
            EXPECT_FALSE(SetMpegSimdPath(p.path)) << p.name;
        }
    }
    EXPECT_EQ(MpegSimdPath(), before);
}

TEST(MpegSimdPaths, SynthesisGivesTheScalarSamples) {
    struct TCase {
        const char* name;
        int reduction;
        float amplitude;  // loud enough to clip at 1.0 and more
        int stride;
    };
    const TCase cases[] = {
        {"full rate", 0, 0.3f, 1},      {"full rate, clipping", 0, 1.5f, 2}, {"half rate", 1, 0.3f, 1},
        {"quarter rate", 2, 0.3f, 2},  {"quarter rate, clipping", 2, 1.5f, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng(7);
        std::vector<float> slots(32 * 400);
        RandomFill(slots.data(), static_cast<int>(slots.size()), c.amplitude, rng);
        // Values that land exactly halfway between integers after the
        // filterbank are rare in random input; small whole-step inputs give
        // many sums near .5 as well.
        for (int k = 0; k < 32; ++k) slots[32 * 5 + k] = static_cast<float>(k % 3) / 65536.0f;
        const int compared = CompareWithScalar<TSynthesisRun>(
            [&] {
                MpegSynthesisState synthesis;
                synthesis.SetRateReduction(c.reduction);
                const std::size_t samples = slots.size() / 32 * static_cast<std::size_t>(synthesis.OutputsPerSlot());
                TSynthesisRun run{std::vector<std::int16_t>(samples * static_cast<std::size_t>(c.stride)),
                                  std::vector<float>(samples * static_cast<std::size_t>(c.stride))};
                synthesis.SetOutput(run.pcm.data(), c.stride);
                synthesis.SetUnroundedOutput(run.unrounded.data());
                for (std::size_t s = 0; s < slots.size(); s += 32) synthesis.Slot(slots.data() + s);
                return run;
            },
            [](const TSynthesisRun& expected, const TSynthesisRun& actual) {
                ExpectSameFloats(expected.unrounded, actual.unrounded);
                EXPECT_EQ(expected.pcm, actual.pcm);
            });
#if defined(__x86_64__)
        EXPECT_GE(compared, 1);
#endif
    }
}

TEST(MpegSimdPaths, HybridFilterbankAndAliasReductionGiveTheScalarValues) {
    struct TCase {
        const char* name;
        int blockType;
        bool mixed;
        int mixedLongSubbands;
        int subbandLimit;
    };
    // Limits that end long runs inside a vector and leave silent subbands.
    const TCase cases[] = {
        {"long", 0, false, 2, 32},          {"long, limit 27", 0, false, 2, 27},
        {"start, limit 5", 1, false, 2, 5}, {"short", 2, false, 2, 32},
        {"stop", 3, false, 2, 31},          {"mixed short", 2, true, 2, 32},
        {"mixed start", 1, true, 2, 17},    {"mixed short, 8000 Hz", 2, true, 4, 30},
        {"mixed stop, limit 1", 3, true, 2, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TLayer3GranuleChannel g = layer3test::GranuleOfBlockType(c.blockType, c.mixed);
        std::mt19937 rng(static_cast<unsigned>(c.blockType * 100 + c.subbandLimit));
        std::vector<float> xr(kLayer3Lines);
        RandomFill(xr.data(), kLayer3Lines, 1.0f, rng);
        for (int i = 18 * c.subbandLimit; i < kLayer3Lines; ++i) xr[static_cast<std::size_t>(i)] = 0.0f;
        TLayer3Overlap start;
        RandomFill(&start.values[0][0], kLayer3Slots * kLayer3Subbands, 0.5f, rng);
        start.values[3][30] = -0.0f;
        // Two granules in a row: the second one overlaps the first's output.
        const int compared = CompareWithScalar<std::vector<float>>(
            [&] {
                TLayer3Overlap overlap = start;
                std::vector<float> result;
                for (int granule = 0; granule < 2; ++granule) {
                    std::vector<float> lines = xr;
                    ReduceLayer3Aliasing(lines.data(), c.blockType == 2 ? (c.mixed ? 1 : 0) : 31);
                    result.insert(result.end(), lines.begin(), lines.end());
                    float out[kLayer3Slots][kLayer3Subbands];
                    Layer3HybridSynthesis(g, c.mixedLongSubbands, lines.data(), c.subbandLimit, overlap, out);
                    result.insert(result.end(), &out[0][0], &out[0][0] + kLayer3Slots * kLayer3Subbands);
                }
                result.insert(result.end(), &overlap.values[0][0], &overlap.values[0][0] + kLayer3Slots * kLayer3Subbands);
                return result;
            },
            [](const std::vector<float>& expected, const std::vector<float>& actual) {
                ExpectSameFloats(expected, actual);
            });
#if defined(__x86_64__)
        EXPECT_GE(compared, 1);
#endif
    }
}

// Conversion to 16-bit samples on every path: at full rate to nearest with
// ties to even (0.5 to 0, 1.5 to 2), under rate reduction toward zero (1.5
// to 1, -1.5 to -1), and clipped to the 16-bit range either way.
TEST(MpegSimdPaths, SamplesRoundAndClipTheSameOnEveryPath) {
    struct TCase {
        float sum;
        std::int32_t nearest;
        std::int32_t truncated;
    };
    const TCase cases[] = {
        {0.5f, 0, 0},       {1.5f, 2, 1},        {2.5f, 2, 2},           {-0.5f, 0, 0},
        {-1.5f, -2, -1},    {-2.5f, -2, -2},     {0.49f, 0, 0},          {-0.99f, -1, 0},
        {32766.5f, 32766, 32766}, {32767.4f, 32767, 32767}, {40000.0f, 32767, 32767},
        {-32768.7f, -32768, -32768}, {-1.0e9f, -32768, -32768},  {7.75f, 8, 7},
    };
    float sums[MpegSynthesisState::kSubbands] = {};
    for (std::size_t i = 0; i < std::size(cases); ++i) sums[i] = cases[i].sum;
    const TPath paths[] = {{EMpegSimdPath::kScalar, "scalar"}, kVectorPaths[0], kVectorPaths[1]};
    for (const TPath& p : paths) {
        CPathScope scope(p.path);
        if (!scope.Ok()) continue;
        SCOPED_TRACE(p.name);
        for (const bool truncate : {false, true}) {
            std::int32_t samples[MpegSynthesisState::kSubbands];
            MpegSynthesisSamples(sums, truncate, samples);
            for (std::size_t i = 0; i < std::size(cases); ++i) {
                EXPECT_EQ(samples[i], truncate ? cases[i].truncated : cases[i].nearest)
                    << cases[i].sum << (truncate ? " truncated" : " to nearest");
            }
        }
    }
}

}  // namespace
