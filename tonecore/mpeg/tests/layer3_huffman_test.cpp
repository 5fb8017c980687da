#include "tonecore/mpeg/layer3_huffman.h"
#include "tonecore/mpeg/layer3_huffman_tables.h"
#include "tonecore/mpeg/layer3_types.h"
#include "tonecore/mpeg/tests/layer3_test_bits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::uint8_t> Bits(const std::string& text) { return layer3test::CBitWriter().PutText(text).Bytes(); }

std::string Code(const TLayer3HuffmanCodeTable& table, int index) {
    std::string text;
    for (int b = table.lengths[index] - 1; b >= 0; --b) text += ((table.codes[index] >> b) & 1) ? '1' : '0';
    return text;
}

int Entries(const TLayer3HuffmanCodeTable& table) { return table.quadruples ? 16 : table.size * table.size; }

}  // namespace

// Each table must be a complete prefix code: the Kraft sum is exactly 1 and no
// code is a prefix of another (which also rules out duplicates). A mistyped
// code or length breaks one of the two.
TEST(Layer3HuffmanTables, EveryTableIsACompletePrefixCode) {
    for (const TLayer3HuffmanCodeTable* table : kLayer3AllCodeTables) {
        SCOPED_TRACE("table of size " + std::to_string(table->size) + " at entry 0 code " + Code(*table, 0));
        const int entries = Entries(*table);
        // Lengths are at most 19 bits: sum 2^(19 - length) must be 2^19.
        std::uint64_t kraft = 0;
        std::vector<std::string> codes;
        for (int i = 0; i < entries; ++i) {
            ASSERT_GE(table->lengths[i], 1);
            ASSERT_LE(table->lengths[i], 19);
            ASSERT_LT(table->codes[i], 1u << table->lengths[i]);
            kraft += std::uint64_t{1} << (19 - table->lengths[i]);
            codes.push_back(Code(*table, i));
        }
        EXPECT_EQ(kraft, std::uint64_t{1} << 19);
        for (int i = 0; i < entries; ++i) {
            for (int j = 0; j < entries; ++j) {
                if (i == j) continue;
                EXPECT_NE(codes[j].compare(0, codes[i].size(), codes[i]), 0)
                    << "code " << codes[i] << " (entry " << i << ") is a prefix of " << codes[j] << " (entry " << j
                    << ")";
            }
        }
    }
}

// Every code of every table decodes back to its own value pair through the
// decode tree, with linbits and sign bits where the select asks for them.
TEST(Layer3HuffmanTables, EveryCodeDecodesToItsPair) {
    for (int select = 0; select < 32; ++select) {
        const TLayer3HuffmanSelect& s = kLayer3BigValueTables[select];
        if (s.table == nullptr) continue;
        SCOPED_TRACE("table_select " + std::to_string(select));
        for (int i = 0; i < Entries(*s.table); ++i) {
            const int x = i / s.table->size;
            const int y = i % s.table->size;
            // x negative, y positive; for 15 with linbits add all ones.
            std::string text = Code(*s.table, i);
            const bool xEscape = s.linbits > 0 && x == 15;
            const bool yEscape = s.linbits > 0 && y == 15;
            if (xEscape) text += std::string(static_cast<std::size_t>(s.linbits), '1');
            if (x != 0) text += '1';
            if (yEscape) text += std::string(static_cast<std::size_t>(s.linbits), '1');
            if (y != 0) text += '0';
            const std::vector<std::uint8_t> bytes = Bits(text);
            CBitReader reader(bytes.data(), bytes.size());
            int dx = 0;
            int dy = 0;
            ASSERT_TRUE(DecodeLayer3Pair(s, reader, dx, dy)) << text;
            const int extra = (1 << s.linbits) - 1;
            EXPECT_EQ(dx, -(x + (xEscape ? extra : 0)));
            EXPECT_EQ(dy, y + (yEscape ? extra : 0));
            EXPECT_EQ(reader.BitPosition(), text.size());
        }
    }
}

TEST(Layer3HuffmanTables, Count1TablesDecodeQuadruplesWithSigns) {
    for (int t = 0; t < 2; ++t) {
        for (int q = 0; q < 16; ++q) {
            std::string text = Code(kLayer3Count1Tables[t], q);
            // Signs in the order v, w, x, y: alternate negative, positive.
            int expected[4];
            int sign = 0;
            for (int i = 0; i < 4; ++i) {
                const int magnitude = (q >> (3 - i)) & 1;
                expected[i] = magnitude;
                if (magnitude) {
                    if (sign++ % 2 == 0) {
                        text += '1';
                        expected[i] = -1;
                    } else {
                        text += '0';
                    }
                }
            }
            const std::vector<std::uint8_t> bytes = Bits(text);
            CBitReader reader(bytes.data(), bytes.size());
            int v[4];
            ASSERT_TRUE(DecodeLayer3Quadruple(kLayer3Count1Tables[t], reader, v));
            for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], expected[i]) << "table " << t << " quadruple " << q;
            EXPECT_EQ(reader.BitPosition(), text.size());
        }
    }
}

namespace {

TLayer3GranuleChannel LongGranule(std::uint32_t bigValues, std::uint32_t table) {
    TLayer3GranuleChannel g;
    g.bigValues = bigValues;
    g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = table;
    g.region1Start = 576;
    g.region2Start = 576;
    return g;
}

}  // namespace

// Hand-encoded granule: two pairs with table 1, then count1 quadruples of
// table A until the granule's bits end.
TEST(Layer3HuffmanSpectrum, DecodesBigValuesThenCount1UntilTheGranuleEnds) {
    // Table 1: (1,1) = 000 then signs "1" "0"; (0,1) = 001 then sign "1".
    // Table A: 0001 = 0101 then sign "0"; 0000 = 1.
    const std::string text = "000" "1" "0" "001" "1" "0101" "0" "1";
    const std::vector<std::uint8_t> bytes = Bits(text + "1111111");  // stuffing after the end
    CBitReader reader(bytes.data(), bytes.size());
    const TLayer3GranuleChannel g = LongGranule(2, 1);
    int values[kLayer3Lines];
    int nonZeroEnd = 0;
    ASSERT_EQ(DecodeLayer3Spectrum(g, reader, text.size(), values, nonZeroEnd), 0);
    EXPECT_EQ(values[0], -1);
    EXPECT_EQ(values[1], 1);
    EXPECT_EQ(values[2], 0);
    EXPECT_EQ(values[3], -1);
    EXPECT_EQ(values[4], 0);
    EXPECT_EQ(values[7], 1);
    for (int i = 8; i < kLayer3Lines; ++i) ASSERT_EQ(values[i], 0) << i;
    EXPECT_EQ(nonZeroEnd, 12);
    EXPECT_EQ(reader.BitPosition(), text.size());
}

// A count1 code that runs past the granule's end is not taken.
TEST(Layer3HuffmanSpectrum, Count1CodeCrossingTheEndIsDropped) {
    const std::string text = "0101" "0" "0101";  // second quadruple lacks its sign
    const std::vector<std::uint8_t> bytes = Bits(text + "0000");
    CBitReader reader(bytes.data(), bytes.size());
    const TLayer3GranuleChannel g = LongGranule(0, 0);
    int values[kLayer3Lines];
    int nonZeroEnd = 0;
    ASSERT_EQ(DecodeLayer3Spectrum(g, reader, text.size(), values, nonZeroEnd), 0);
    EXPECT_EQ(values[3], 1);
    EXPECT_EQ(values[7], 0);
    EXPECT_EQ(nonZeroEnd, 4);
}

// Corrupt data must not write past the 576 lines: with big_values 288 the
// count1 region is empty however many bits remain.
TEST(Layer3HuffmanSpectrum, Count1StopsAtLine576) {
    std::vector<std::uint8_t> bytes(400, 0x00);  // table 1 code 000: (1,1) with signs
    CBitReader reader(bytes.data(), bytes.size());
    TLayer3GranuleChannel g = LongGranule(288, 1);
    g.count1TableB = true;
    int values[kLayer3Lines];
    int nonZeroEnd = 0;
    ASSERT_EQ(DecodeLayer3Spectrum(g, reader, bytes.size() * 8, values, nonZeroEnd), 0);
    EXPECT_EQ(nonZeroEnd, 576);
    EXPECT_EQ(reader.BitPosition(), 288u * 5);

    // big_values 287 leaves lines 574 and 575: no room for a quadruple.
    CBitReader second(bytes.data(), bytes.size());
    g.bigValues = 287;
    ASSERT_EQ(DecodeLayer3Spectrum(g, second, bytes.size() * 8, values, nonZeroEnd), 0);
    EXPECT_EQ(nonZeroEnd, 574);
    EXPECT_EQ(second.BitPosition(), 287u * 5);
}

TEST(Layer3HuffmanSpectrum, TablesFourAndFourteenAbandonTheGranule) {
    const std::vector<std::uint8_t> bytes(16, 0);
    for (const std::uint32_t table : {4u, 14u}) {
        CBitReader reader(bytes.data(), bytes.size());
        int values[kLayer3Lines];
        int nonZeroEnd = 0;
        EXPECT_EQ(DecodeLayer3Spectrum(LongGranule(4, table), reader, 128, values, nonZeroEnd),
                  kLayer3FrameAbandoned)
            << table;
    }
    // An unused region may name them: nothing is decoded with it.
    CBitReader reader(bytes.data(), bytes.size());
    TLayer3GranuleChannel g = LongGranule(0, 14);
    int values[kLayer3Lines];
    int nonZeroEnd = 0;
    EXPECT_EQ(DecodeLayer3Spectrum(g, reader, 0, values, nonZeroEnd), 0);
}

TEST(Layer3HuffmanSpectrum, RunningOutOfBytesAbandonsTheGranule) {
    const std::vector<std::uint8_t> bytes(2, 0);  // 16 bits: three pairs of table 1
    CBitReader reader(bytes.data(), bytes.size());
    int values[kLayer3Lines];
    int nonZeroEnd = 0;
    EXPECT_EQ(DecodeLayer3Spectrum(LongGranule(10, 1), reader, 16, values, nonZeroEnd), kLayer3FrameAbandoned);
}
