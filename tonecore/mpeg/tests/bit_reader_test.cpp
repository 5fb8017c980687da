#include "tonecore/mpeg/bit_reader.h"

#include <gtest/gtest.h>

TEST(BitReader, ReadsMostSignificantBitFirstAcrossBytes) {
    const std::uint8_t bytes[] = {0xA5, 0x3C, 0xFF, 0x00, 0x81};
    CBitReader reader(bytes, sizeof(bytes));
    EXPECT_EQ(reader.ReadBits(4), 0xAu);
    EXPECT_EQ(reader.ReadBits(8), 0x53u);
    EXPECT_EQ(reader.PeekBits(4), 0xCu);
    EXPECT_EQ(reader.ReadBits(28), 0xCFF0081u);
    EXPECT_EQ(reader.BitsLeft(), 0u);
    EXPECT_FALSE(reader.Overrun());
}

TEST(BitReader, ReadingPastTheEndGivesZerosAndMarksOverrun) {
    const std::uint8_t bytes[] = {0xFF};
    CBitReader reader(bytes, 1);
    EXPECT_EQ(reader.ReadBits(12), 0xFF0u);
    EXPECT_TRUE(reader.Overrun());
    CBitReader empty(nullptr, 0);
    EXPECT_EQ(empty.ReadBits(32), 0u);
    EXPECT_TRUE(empty.Overrun());
    CBitReader skipper(bytes, 1);
    skipper.SkipBits(9);
    EXPECT_TRUE(skipper.Overrun());
}
