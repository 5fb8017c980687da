#include "tonecore/mpeg/layer3_stream_tag.h"

#include <algorithm>
#include <cstring>

#include "tonecore/mpeg/byte_order.h"
#include "tonecore/mpeg/mpeg_header.h"

namespace {

// Duration and bitrate from a frame count: the bitrate is the audio size in
// bits over the duration, so that e.g. 173 kbit/s does not come out as 168.
// A frame count of 0 says nothing (the tag's writer did not know it): the
// estimates from the header's bitrate stay.
void FromFrameCount(const TMpegTagHeader& header, std::uint32_t audioSizeBytes, std::uint32_t frames,
                    TMpegStreamTag& tag) {
    if (frames == 0 || header.sampleRateHz == 0) return;
    const std::uint64_t samplesPerFrame = header.mpeg1 ? 1152 : 576;
    const std::uint64_t durationMs = frames * samplesPerFrame * 1000 / header.sampleRateHz;
    if (durationMs == 0) return;
    tag.frames = frames;
    tag.frameCountKnown = true;
    // A hostile count can claim more than 32 bits of milliseconds.
    tag.durationMs = static_cast<std::uint32_t>(std::min<std::uint64_t>(durationMs, UINT32_MAX));
    tag.bitrateKbps = static_cast<std::uint32_t>(std::uint64_t{audioSizeBytes} * 8 / durationMs);
}

}  // namespace

bool ParseMpegStreamTag(std::span<const std::uint8_t> bytes, const TMpegTagHeader& header,
                        std::uint32_t audioSizeBytes, TMpegStreamTag& tag) {
    tag = TMpegStreamTag{};
    tag.bitrateKbps = header.bitrateKbps;
    // Bytes over bytes per millisecond.
    tag.durationMs = header.bitrateKbps / 8 == 0 ? 0 : audioSizeBytes / (header.bitrateKbps / 8);

    // The Xing/Info tag sits right after the header and the side information.
    const std::size_t at = 4 + MpegSideInfoBytes(!header.mpeg1, header.mono);
    if (bytes.size() < at + 18) return false;
    const std::uint8_t* p = bytes.data() + at;
    if (std::memcmp(p, "Xing", 4) == 0 || std::memcmp(p, "Info", 4) == 0 || std::memcmp(p, "Lame", 4) == 0) {
        const std::uint32_t flags = MpegBigEndian32(p + 4);
        std::size_t next = at + 8;
        if (flags & 1) {
            FromFrameCount(header, audioSizeBytes, MpegBigEndian32(bytes.data() + next), tag);
            next += 4;
        }
        if (flags & 2) next += 4;  // byte count, not used
        if (bytes.size() < next + 100) return false;
        if (flags & 4) {
            std::memcpy(tag.toc, bytes.data() + next, 100);
            tag.hasToc = true;
        }
        return true;
    }
    // The VBRI tag always sits 32 bytes after the header, whatever the side
    // information's size; its frame count follows 14 bytes after the name.
    constexpr std::size_t kVbriAt = 36;
    if (bytes.size() >= kVbriAt + 18 && std::memcmp(bytes.data() + kVbriAt, "VBRI", 4) == 0) {
        FromFrameCount(header, audioSizeBytes, MpegBigEndian32(bytes.data() + kVbriAt + 14), tag);
    }
    return true;
}

double MpegFractionToOffset(double fraction, const std::uint8_t* toc, std::uint32_t audioStart,
                            std::uint32_t audioSizeBytes) {
    double fileFraction = fraction;
    if (toc != nullptr) {
        const double percent = fraction * 100.0;
        int i = static_cast<int>(percent);
        if (i < 0) i = 0;
        if (i > 99) i = 99;  // f = 1.0 uses the last entry
        const double lower = toc[i];
        const double upper = i == 99 ? 256.0 : toc[i + 1];
        fileFraction = ((percent - i) * (upper - lower) + lower) / 256.0;
    }
    if (audioSizeBytes > 0) {
        fileFraction = (fileFraction * audioSizeBytes + audioStart) / (static_cast<double>(audioSizeBytes) + audioStart);
    }
    return fileFraction;
}

double MpegOffsetToFraction(std::int64_t offset, std::uint32_t audioStart, std::uint32_t audioSizeBytes) {
    if (audioSizeBytes == 0 || offset < audioStart) return 0.0;
    return static_cast<double>(offset - audioStart) / audioSizeBytes;
}
