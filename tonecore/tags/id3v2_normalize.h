#pragma once
// Turns an ID3 v2 tag as another program wrote it (v2.2, v2.3 or v2.4, with
// unsynchronisation, extended headers, v2.4 frame flags) into the v2.3 frame
// list that the engine keeps in memory and writes back: frames whose content
// v2.3 can hold are kept (re-encoded where v2.4 used UTF-8 or big-endian
// UTF-16 in a frame whose texts the engine knows how to find), the rest are
// dropped, never written back half-understood.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr std::size_t kId3HeaderBytes = 10;
inline constexpr std::size_t kId3FrameHeaderBytes = 10;

struct TId3TagHeader {
    std::uint8_t major = 0;  // 2, 3 or 4 when understood
    std::uint8_t flags = 0;
    std::uint32_t bodyBytes = 0;  // the size field: the tag after its header
    // The whole tag in the file: header, body and a v2.4 footer.
    std::uint64_t TotalBytes() const;
};

// Whether bytes begin with an ID3 v2 header of any version ("ID3", two
// version bytes other than FF, four size bytes below 0x80).
bool ParseId3TagHeader(std::span<const std::uint8_t> bytes, TId3TagHeader& header);

struct TId3Normalized {
    std::vector<std::uint8_t> frames;  // v2.3 frames back to back, no padding
    bool understood = false;           // version and tag flags were understood
    bool complete = false;             // every frame was walked to the tag's end
};

// body: the bytes after the header, as many as the file holds (at most the
// header's size).
TId3Normalized NormalizeId3Tag(const TId3TagHeader& header, std::span<const std::uint8_t> body);

// Appends one v2.3 frame (id, big-endian size, flags) with its data.
void AppendId3Frame(std::vector<std::uint8_t>& out, const char id[4], std::span<const std::uint8_t> data,
                    std::uint16_t flags = 0);
