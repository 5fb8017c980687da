// Bitmap files as bytes: colour tables, row sizes, and files that lie about
// their sizes refused without a read outside their bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "songsmith/drawing/dib_file.h"

namespace {

struct TColorCountCase {
    std::uint16_t bits;
    std::uint32_t compression;
    std::uint32_t used;
    std::uint64_t expected;
};

TEST(DibFileTest, ColourTableSizeFollowsDepthUsedCountAndBitFields) {
    const TColorCountCase cases[] = {
        {1, kDibRgb, 0, 2},       {1, kDibRgb, 1, 1},        {4, kDibRgb, 0, 16},
        {4, kDibRgb, 5, 5},       {8, kDibRgb, 0, 256},      {8, kDibRgb, 17, 17},
        {16, kDibBitFields, 0, 3}, {32, kDibBitFields, 2, 5}, {16, kDibRgb, 0, 0},
        {24, kDibRgb, 0, 0},      {24, kDibRgb, 4, 4},       {32, kDibRgb, 0xFFFFFFFF, 0xFFFFFFFF},
        {32, kDibBitFields, 0xFFFFFFFF, 0x100000002},
    };
    for (const auto& c : cases) {
        TDibHeader header;
        header.bitCount = c.bits;
        header.compression = c.compression;
        header.colorsUsed = c.used;
        EXPECT_EQ(GetDibColorCount(header), c.expected) << c.bits << " bits, used " << c.used;
    }
}

TEST(DibFileTest, RowsArePaddedToWholeWordsForEveryDepth) {
    // Width 5: 5, 20, 40, 80, 120 and 160 bits of pixels a row.
    const struct {
        int bits;
        std::uint64_t stride;
    } cases[] = {{1, 4}, {4, 4}, {8, 8}, {16, 12}, {24, 16}, {32, 20}};
    for (const auto& c : cases) {
        EXPECT_EQ(DibStride(c.bits, 5), c.stride) << c.bits;
        EXPECT_EQ(DibImageSize(c.bits, 5, -3), c.stride * 3) << c.bits;
    }
}

// A bitmap file: 14-byte file header, 40-byte info header, colour table and
// rows, with the fields a case may then spoil.
std::vector<std::uint8_t> MakeBmp(int width, int height, int bits, std::uint32_t colours) {
    std::vector<std::uint8_t> bytes;
    auto put32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&bytes](std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const auto rows = static_cast<std::uint32_t>(DibImageSize(bits, width, height));
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    bytes.push_back('B');
    bytes.push_back('M');
    put32(offset + rows);
    put32(0);
    put32(offset);
    put32(40);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(1);
    put16(static_cast<std::uint16_t>(bits));
    put32(kDibRgb);
    put32(rows);
    put32(0);
    put32(0);
    put32(colours);
    put32(0);
    bytes.resize(offset + rows, 0x5A);
    return bytes;
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(DibFileTest, ValidFilesGiveTheirPackedBitmap) {
    for (const auto& file : {MakeBmp(2, 2, 24, 0), MakeBmp(2, -2, 8, 4), MakeBmp(3, 1, 1, 2)}) {
        const auto packed = LoadDib(file);
        ASSERT_TRUE(packed.has_value());
        EXPECT_EQ(packed->size(), file.size() - 14);
        EXPECT_EQ((*packed)[0], 40);
    }
}

TEST(DibFileTest, FilesThatLieAboutTheirSizesAreRefused) {
    struct TCase {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<TCase> cases;
    auto spoil = [&cases](const char* what, std::size_t at, std::uint32_t value) {
        auto bytes = MakeBmp(2, 2, 8, 4);
        Put32(bytes, at, value);
        cases.push_back({what, bytes});
    };
    {
        auto bytes = MakeBmp(2, 2, 24, 0);
        bytes[1] = 'A';
        cases.push_back({"not BM", bytes});
    }
    cases.push_back({"shorter than a file header", {'B', 'M', 20, 0}});
    spoil("declared size past the file", 2, 0x1000);
    spoil("declared size of 20 bytes", 2, 20);
    spoil("declared size below the file header", 2, 10);
    spoil("pixel offset past the end", 10, 0x7FFFFFFF);
    spoil("info header under 40 bytes", 14, 12);
    spoil("info header past the bytes", 14, 0xFFFF);
    spoil("colour count 0xFFFFFFFF", 14 + 32, 0xFFFFFFFF);
    spoil("rows past the bytes", 14 + 8, 4000);
    spoil("width past the bytes", 14 + 4, 0x7FFFFFFF);
    spoil("run-length compression", 14 + 16, 1);
    {
        auto bytes = MakeBmp(2, 2, 8, 4);
        bytes[14 + 14] = 7;
        cases.push_back({"depth of 7 bits", bytes});
    }
    cases.push_back({"0 x 0", MakeBmp(0, 0, 24, 0)});
    for (const auto& c : cases) {
        // A copy of exactly the file's size, so a read past it is caught.
        const std::vector<std::uint8_t> exact(c.bytes);
        EXPECT_FALSE(LoadDib(exact).has_value()) << c.what;
    }
}

}  // namespace
