#include "testsupport/mp3_frames.h"

namespace {

// ISO/IEC 11172-3 Table 3-B.2 (MPEG-1) and ISO/IEC 13818-3 Table B.2
// (lower sampling frequencies), Layer III.
constexpr int kBitratesMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kBitratesMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kRatesMpeg1[3] = {44100, 48000, 32000};

std::uint8_t At(std::string_view bytes, std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); }

std::uint32_t Word(std::string_view bytes, std::size_t i) {
    return (std::uint32_t{At(bytes, i)} << 24) | (std::uint32_t{At(bytes, i + 1)} << 16) |
           (std::uint32_t{At(bytes, i + 2)} << 8) | std::uint32_t{At(bytes, i + 3)};
}

}  // namespace

bool ReadFrameHeader(std::string_view bytes, std::size_t offset, TFrameInfo* frame) {
    if (offset + 4 > bytes.size()) return false;
    const std::uint32_t h = Word(bytes, offset);
    if ((h >> 21) != 0x7FF) return false;
    const int versionBits = (h >> 19) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layerBits = (h >> 17) & 3;    // 1 Layer III
    const int bitrateIndex = (h >> 12) & 15;
    const int rateIndex = (h >> 10) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    TFrameInfo f;
    f.offset = offset;
    f.version = versionBits == 3 ? 1 : versionBits == 2 ? 0 : 2;
    f.bitrateKbps = versionBits == 3 ? kBitratesMpeg1[bitrateIndex] : kBitratesMpeg2[bitrateIndex];
    f.rate = kRatesMpeg1[rateIndex] / (versionBits == 3 ? 1 : versionBits == 2 ? 2 : 4);
    const int padding = (h >> 9) & 1;
    f.length = static_cast<std::size_t>((versionBits == 3 ? 144 : 72) * f.bitrateKbps * 1000 / f.rate + padding);
    f.crc = ((h >> 16) & 1) == 0;
    f.privateBit = ((h >> 8) & 1) != 0;
    f.mode = (h >> 6) & 3;
    f.copyright = ((h >> 3) & 1) != 0;
    f.original = ((h >> 2) & 1) != 0;
    f.emphasis = h & 3;
    *frame = f;
    return true;
}

std::vector<TFrameInfo> WalkFrames(std::string_view bytes, std::size_t offset) {
    std::vector<TFrameInfo> frames;
    TFrameInfo frame;
    while (ReadFrameHeader(bytes, offset, &frame) && offset + frame.length <= bytes.size()) {
        frames.push_back(frame);
        offset += frame.length;
    }
    return frames;
}

std::size_t AudioStart(std::string_view bytes) {
    if (bytes.size() < 10 || bytes.substr(0, 3) != "ID3") return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) size = (size << 7) | (At(bytes, static_cast<std::size_t>(i)) & 0x7F);
    return 10 + size;
}

bool ReadVbrHeader(std::string_view bytes, const TFrameInfo& frame, std::string* tag, std::uint32_t* frames) {
    // The tag follows the side information: 32 or 17 bytes (MPEG-1 stereo or
    // mono), 17 or 9 for the lower rates, after the 4-byte header.
    const bool mono = frame.mode == 3;
    const std::size_t side = frame.version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const std::size_t at = frame.offset + 4 + side;
    if (at + 12 > bytes.size()) return false;
    const std::string_view id = bytes.substr(at, 4);
    if (id != "Xing" && id != "Info") return false;
    *tag = std::string(id);
    const std::uint32_t flags = Word(bytes, at + 4);
    *frames = (flags & 1) != 0 ? Word(bytes, at + 8) : 0;
    return true;
}
