#include "tonecore/mpeg/mpeg_header.h"

namespace {

// Bitrates in kbit/s by index: ISO/IEC 11172-3 clause 2.4.2.3 (MPEG-1) and
// ISO/IEC 13818-3 clause 2.4.2.3 (lower sampling frequencies). Index 0 is
// free format and 15 is forbidden; neither is accepted.
constexpr std::uint32_t kBitratesMpeg1[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // layer III
};
constexpr std::uint32_t kBitratesLow[2][15] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // layers II and III
};

// Sampling frequencies in Hz by version (MPEG_VERSION_*) and index; same
// clauses, with MPEG-2.5 at half the MPEG-2 rates.
constexpr std::uint32_t kSampleRates[3][3] = {
    {22050, 24000, 16000},  // MPEG-2
    {44100, 48000, 32000},  // MPEG-1
    {11025, 12000, 8000},   // MPEG-2.5
};

}  // namespace

MpegFrameHeader MpegParseHeader(std::uint32_t word) {
    MpegFrameHeader header;
    const bool bit20 = (word >> 20) & 1;
    const bool bit19 = (word >> 19) & 1;
    if (bit20) {
        header.version = bit19 ? MPEG_VERSION_1 : MPEG_VERSION_2;
    } else {
        header.version = bit19 ? MPEG_VERSION_RESERVED : MPEG_VERSION_2_5;
    }
    header.layerCode = (word >> 17) & 3;
    header.protection = (word >> 16) & 1;
    header.bitrateIndex = (word >> 12) & 15;
    header.sampleRateIndex = (word >> 10) & 3;
    header.padding = (word >> 9) & 1;
    header.privateBit = (word >> 8) & 1;
    header.mode = (word >> 6) & 3;
    header.modeExtension = (word >> 4) & 3;
    header.copyright = (word >> 3) & 1;
    header.original = (word >> 2) & 1;
    header.emphasis = word & 3;
    return header;
}

bool MpegHasSync(std::uint32_t word) {
    return (word & MPEG_SYNC_MASK) == MPEG_SYNC_MASK;
}

bool MpegHeaderIsValid(const MpegFrameHeader& header) {
    if (header.bitrateIndex == 0 || header.bitrateIndex == 15) return false;
    if (header.layerCode == 0 || header.sampleRateIndex == 3) return false;
    if (header.version == MPEG_VERSION_RESERVED) return false;
    if (header.version == MPEG_VERSION_2_5 && MpegLayer(header) != 3) return false;
    if (header.version == MPEG_VERSION_1 && MpegLayer(header) == 2) {
        // ISO/IEC 11172-3 clause 2.4.2.3: the layer II combinations of
        // bitrate and mode that are allowed.
        const bool mono = header.mode == MPEG_MODE_MONO;
        const std::uint32_t index = header.bitrateIndex;
        if (!mono && (index == 1 || index == 2 || index == 3 || index == 5)) return false;
        if (mono && index >= 11) return false;
    }
    return true;
}

std::uint32_t MpegLayer(const MpegFrameHeader& header) {
    return 4 - header.layerCode;
}

std::uint32_t MpegLevel(const MpegFrameHeader& header) {
    return 2 - header.version;
}

bool MpegIsLowSampleRate(const MpegFrameHeader& header) {
    return header.version != MPEG_VERSION_1;
}

std::uint32_t MpegBitrateKbps(const MpegFrameHeader& header) {
    if (header.bitrateIndex >= 15 || header.layerCode == 0) return 0;
    const std::uint32_t layer = MpegLayer(header);
    if (!MpegIsLowSampleRate(header)) return kBitratesMpeg1[layer - 1][header.bitrateIndex];
    return kBitratesLow[layer == 1 ? 0 : 1][header.bitrateIndex];
}

std::uint32_t MpegSampleRateHz(const MpegFrameHeader& header) {
    if (header.version > MPEG_VERSION_2_5 || header.sampleRateIndex > 2) return 0;
    return kSampleRates[header.version][header.sampleRateIndex];
}

std::uint32_t MpegSamplesPerFrame(const MpegFrameHeader& header) {
    switch (MpegLayer(header)) {
        case 1:
            return 384;
        case 2:
            return 1152;
        default:
            return MpegIsLowSampleRate(header) ? 576 : 1152;
    }
}

std::uint32_t MpegFrameLength(const MpegFrameHeader& header) {
    if (!MpegHeaderIsValid(header)) return 0;
    return MpegFrameBytes(header);
}

std::uint32_t MpegFrameBytes(const MpegFrameHeader& header) {
    if (header.layerCode == 0 || header.bitrateIndex == 0 || header.bitrateIndex >= 15) return 0;
    if (MpegSampleRateHz(header) == 0) return 0;
    const std::uint32_t kbps = MpegBitrateKbps(header);
    const std::uint32_t rate = MpegSampleRateHz(header);
    // A padded frame carries one more slot (4 bytes in layer I, 1 byte
    // otherwise); the padding bit is honoured at every rate, as the formula
    // of ISO/IEC 11172-3 clause 2.4.3.1 allows.
    if (MpegLayer(header) == 1) return (kbps * 12000 / rate) * 4 + (header.padding != 0 ? 4 : 0);
    std::uint32_t length = kbps * 144000 / rate;
    if (MpegLayer(header) == 3 && MpegIsLowSampleRate(header)) length /= 2;  // 576 samples per frame
    return length + (header.padding != 0 ? 1 : 0);
}

std::uint32_t MpegSideInfoLength(const MpegFrameHeader& header) {
    return MpegSideInfoBytes(MpegIsLowSampleRate(header), header.mode == MPEG_MODE_MONO);
}
