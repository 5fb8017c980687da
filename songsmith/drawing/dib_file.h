#pragma once
// Device-independent bitmaps as bytes: the checks that make a bitmap file
// safe to read, the size of its colour table, and the row arithmetic. No
// drawing here; the windows turn a checked bitmap into an image.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The fields of a bitmap information header that the program reads.
struct TDibHeader {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: rows run top-down
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
};

inline constexpr std::uint32_t kDibRgb = 0;
inline constexpr std::uint32_t kDibBitFields = 3;
inline constexpr std::size_t kDibFileHeaderSize = 14;
inline constexpr std::uint32_t kDibMinHeaderSize = 40;

// Number of colour-table entries after the header: above 8 bits a pixel the
// used-colour count, plus the 3 masks with bit fields; at 8 bits or fewer the
// used-colour count, or 2 to the power of the depth when it is 0.
std::uint64_t GetDibColorCount(const TDibHeader& header);

// Bytes of one pixel row: rows are padded to whole 32-bit words.
std::uint64_t DibStride(int bitCount, std::int64_t width);
// Bytes of all rows of an image (height taken as its absolute value).
std::uint64_t DibImageSize(int bitCount, std::int64_t width, std::int64_t height);

// The header at the start of a packed bitmap (header, colour table, pixels);
// nothing when fewer than 40 bytes are there.
std::optional<TDibHeader> ReadDibHeader(std::span<const std::uint8_t> packed);

// Checks a packed bitmap: header of at least 40 bytes inside the bytes, a
// non-empty size, a depth of 1, 4, 8, 16, 24 or 32 bits, uncompressed or bit
// fields, and the colour table and every pixel row inside the bytes. Gives
// the header when all holds.
std::optional<TDibHeader> CheckPackedDib(std::span<const std::uint8_t> packed);

// Where the pixels of a checked packed bitmap begin: after its header and
// colour table.
std::uint64_t DibPixelOffset(const TDibHeader& header);

// A bitmap file's bytes to its packed bitmap: the file starts with "BM", its
// declared size lies within the bytes, its pixel offset within the declared
// size, and the packed bitmap passes CheckPackedDib. Nothing otherwise.
std::optional<std::vector<std::uint8_t>> LoadDib(std::span<const std::uint8_t> file);

// Reads the file and gives its packed bitmap as LoadDib does.
std::optional<std::vector<std::uint8_t>> LoadDibFile(const std::string& path);
