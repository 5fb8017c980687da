// Random side information and main data through the whole granule decoder:
// under the sanitizers this shows any read or write out of bounds; every
// call must return 0 or the abandon code and leave the reader inside the data.

#include "tonecore/mpeg/layer3_granule.h"
#include "tonecore/mpeg/layer3_side_info.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

TEST(Layer3Robustness, RandomFramesNeverLeaveTheirBounds) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    auto out = std::make_unique<TLayer3SubbandSamples>();
    TLayer3ChannelState state[2];
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        TLayer3FrameInfo info;
        info.lsf = (round & 1) != 0;
        info.mpeg25 = info.lsf && (round & 2) != 0;
        info.sampleRateIndex = (round / 4) % 3;
        info.mode = (round / 12) % 4;
        info.modeExtension = (round / 48) % 4;
        info.channels = info.mode == 3 ? 1 : 2;
        std::vector<std::uint8_t> sideBytes(static_cast<std::size_t>(info.SideInfoBytes()));
        for (auto& b : sideBytes) b = static_cast<std::uint8_t>(byte(rng));
        CBitReader sideReader(sideBytes.data(), sideBytes.size());
        TLayer3SideInfo side;
        if (ParseLayer3SideInfo(info, sideReader, side) != 0) continue;
        // Main data of a random length, often shorter than declared.
        std::vector<std::uint8_t> mainData(static_cast<std::size_t>(byte(rng) * 4));
        for (auto& b : mainData) b = static_cast<std::uint8_t>(byte(rng) & byte(rng));
        CBitReader reader(mainData.data(), mainData.size());
        for (int gr = 0; gr < info.Granules(); ++gr) {
            TLayer3GranuleOptions options;
            options.transformMask = static_cast<unsigned>(round % 4);
            options.subbandLimit = 32 >> (round % 3);
            const int result = DecodeLayer3Granule(info, side, gr, reader, state, *out, options);
            ASSERT_TRUE(result == 0 || result == kLayer3FrameAbandoned) << result;
            ASSERT_LE(reader.BitPosition(), reader.SizeBits());
            if (result != 0) break;
            ++decoded;
            for (int ch = 0; ch < 2; ++ch) {
                for (int slot = 0; slot < kLayer3Slots; ++slot) {
                    for (int sb = 0; sb < kLayer3Subbands; ++sb) ASSERT_FALSE(std::isnan(out->values[ch][slot][sb]));
                }
            }
        }
    }
    EXPECT_GT(decoded, 100);
}
