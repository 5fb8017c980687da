#include "songsmith/drawing/dib_file.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

bool IsKnownDepth(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A file this large is no picture of the program's; it keeps a hostile
// declared size from costing memory.
constexpr std::uintmax_t kMaxDibFileSize = 64u * 1024u * 1024u;

}  // namespace

std::uint64_t GetDibColorCount(const TDibHeader& header) {
    if (header.bitCount > 8) {
        return std::uint64_t{header.colorsUsed} + (header.compression == kDibBitFields ? 3u : 0u);
    }
    if (header.colorsUsed != 0) {
        return header.colorsUsed;
    }
    return std::uint64_t{1} << header.bitCount;
}

std::uint64_t DibStride(int bitCount, std::int64_t width) {
    const auto w = static_cast<std::uint64_t>(std::llabs(width));
    return (static_cast<std::uint64_t>(bitCount) * w + 31u) / 32u * 4u;
}

std::uint64_t DibImageSize(int bitCount, std::int64_t width, std::int64_t height) {
    return DibStride(bitCount, width) * static_cast<std::uint64_t>(std::llabs(height));
}

std::optional<TDibHeader> ReadDibHeader(std::span<const std::uint8_t> packed) {
    if (packed.size() < kDibMinHeaderSize) {
        return std::nullopt;
    }
    TDibHeader header;
    header.headerSize = ReadU32(packed, 0);
    header.width = static_cast<std::int32_t>(ReadU32(packed, 4));
    header.height = static_cast<std::int32_t>(ReadU32(packed, 8));
    header.bitCount = ReadU16(packed, 14);
    header.compression = ReadU32(packed, 16);
    header.colorsUsed = ReadU32(packed, 32);
    return header;
}

std::uint64_t DibPixelOffset(const TDibHeader& header) {
    return std::uint64_t{header.headerSize} + 4u * GetDibColorCount(header);
}

std::optional<TDibHeader> CheckPackedDib(std::span<const std::uint8_t> packed) {
    const auto header = ReadDibHeader(packed);
    if (!header || header->headerSize < kDibMinHeaderSize || header->headerSize > packed.size()) {
        return std::nullopt;
    }
    if (header->width <= 0 || header->height == 0 || !IsKnownDepth(header->bitCount)) {
        return std::nullopt;
    }
    const bool bitFields = header->compression == kDibBitFields &&
                           (header->bitCount == 16 || header->bitCount == 32);
    if (header->compression != kDibRgb && !bitFields) {
        return std::nullopt;
    }
    // Every count is at most 32 bits wide, so these sums cannot overflow 64.
    const std::uint64_t pixels = DibPixelOffset(*header);
    const std::uint64_t rows = DibImageSize(header->bitCount, header->width, header->height);
    if (pixels > packed.size() || rows > packed.size() - pixels) {
        return std::nullopt;
    }
    return header;
}

std::optional<std::vector<std::uint8_t>> LoadDib(std::span<const std::uint8_t> file) {
    if (file.size() < kDibFileHeaderSize || file[0] != 'B' || file[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t declared = ReadU32(file, 2);
    const std::uint32_t pixelOffset = ReadU32(file, 10);
    if (declared < kDibFileHeaderSize || declared > file.size() || pixelOffset > declared) {
        return std::nullopt;
    }
    const auto packed = file.subspan(kDibFileHeaderSize, declared - kDibFileHeaderSize);
    if (!CheckPackedDib(packed)) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(packed.begin(), packed.end());
}

std::optional<std::vector<std::uint8_t>> LoadDibFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return std::nullopt;
    }
    const auto size = static_cast<std::uintmax_t>(in.tellg());
    if (size > kMaxDibFileSize) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        return std::nullopt;
    }
    return LoadDib(bytes);
}
