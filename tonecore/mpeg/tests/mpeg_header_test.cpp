#include <gtest/gtest.h>

#include <cmath>

#include "tonecore/mpeg/mpeg_header.h"

namespace {

// Builds a header word from its fields (sync set).
std::uint32_t Word(std::uint32_t versionBits, std::uint32_t layerCode, std::uint32_t bitrateIndex,
                   std::uint32_t rateIndex, std::uint32_t padding, std::uint32_t mode, std::uint32_t protection = 1) {
    return 0xFFE00000u | (versionBits << 19) | (layerCode << 17) | (protection << 16) | (bitrateIndex << 12) |
           (rateIndex << 10) | (padding << 9) | (mode << 6);
}

// Version bits 19-20 of the header word for each version.
constexpr std::uint32_t kBitsMpeg1 = 3;
constexpr std::uint32_t kBitsMpeg2 = 2;
constexpr std::uint32_t kBitsMpeg25 = 0;
constexpr std::uint32_t kBitsReserved = 1;

}  // namespace

TEST(MpegHeader, FieldsOfAKnownWord) {
    const MpegFrameHeader header = MpegParseHeader(0xFFFB9264);
    EXPECT_EQ(header.version, MPEG_VERSION_1);
    EXPECT_EQ(MpegLayer(header), 3u);
    EXPECT_EQ(MpegLevel(header), 1u);
    EXPECT_EQ(header.protection, 1u);
    EXPECT_EQ(MpegBitrateKbps(header), 128u);
    EXPECT_EQ(MpegSampleRateHz(header), 44100u);
    EXPECT_EQ(header.padding, 1u);
    EXPECT_EQ(header.mode, MPEG_MODE_JOINT_STEREO);
    EXPECT_EQ(header.modeExtension, 2u);
    EXPECT_EQ(header.original, 1u);
    EXPECT_EQ(MpegFrameLength(header), 418u);
    EXPECT_EQ(MpegFrameLength(MpegParseHeader(0xFFFB9064)), 417u);
    EXPECT_EQ(MpegLevel(MpegParseHeader(0xFFE340C0)), 0u);
    EXPECT_EQ(MpegLevel(MpegParseHeader(0xFFF38040)), 2u);
}

TEST(MpegHeader, ValidityOverLayersVersionsRatesBitratesAndPadding) {
    struct TCase {
        const char* what;
        std::uint32_t word;
        bool valid;
    };
    const TCase cases[] = {
        {"MPEG-1 layer III 128k 44.1k padded", Word(kBitsMpeg1, 1, 9, 0, 1, 1), true},
        {"MPEG-1 layer I 448k 48k", Word(kBitsMpeg1, 3, 14, 1, 0, 0), true},
        {"MPEG-2 layer I 256k 16k", Word(kBitsMpeg2, 3, 14, 2, 0, 3), true},
        {"MPEG-2 layer II 8k 24k", Word(kBitsMpeg2, 2, 1, 1, 0, 0), true},
        {"MPEG-2 layer III 160k 22.05k", Word(kBitsMpeg2, 1, 14, 0, 0, 1), true},
        {"MPEG-2.5 layer III 8k 8k", Word(kBitsMpeg25, 1, 1, 2, 0, 3), true},
        {"MPEG-2.5 layer III (0xFFE3...)", 0xFFE340C0, true},
        {"MPEG-2.5 layer II", Word(kBitsMpeg25, 2, 5, 0, 0, 0), false},
        {"MPEG-2.5 layer I", Word(kBitsMpeg25, 3, 5, 0, 0, 0), false},
        {"reserved version", Word(kBitsReserved, 1, 9, 0, 0, 0), false},
        {"reserved layer", Word(kBitsMpeg1, 0, 9, 0, 0, 0), false},
        {"free format", Word(kBitsMpeg1, 1, 0, 0, 0, 0), false},
        {"bitrate index 15", Word(kBitsMpeg1, 1, 15, 0, 0, 0), false},
        {"rate index 3", Word(kBitsMpeg1, 1, 9, 3, 0, 0), false},
        {"layer II 32k stereo", Word(kBitsMpeg1, 2, 1, 0, 0, 0), false},
        {"layer II 48k joint", Word(kBitsMpeg1, 2, 2, 0, 0, 1), false},
        {"layer II 56k dual", Word(kBitsMpeg1, 2, 3, 0, 0, 2), false},
        {"layer II 80k stereo", Word(kBitsMpeg1, 2, 5, 0, 0, 0), false},
        {"layer II 64k stereo", Word(kBitsMpeg1, 2, 4, 0, 0, 0), true},
        {"layer II 32k mono", Word(kBitsMpeg1, 2, 1, 0, 0, 3), true},
        {"layer II 192k mono", Word(kBitsMpeg1, 2, 10, 0, 0, 3), true},
        {"layer II 224k mono", Word(kBitsMpeg1, 2, 11, 0, 0, 3), false},
        {"layer II 384k mono", Word(kBitsMpeg1, 2, 14, 0, 0, 3), false},
        {"layer II 384k stereo", Word(kBitsMpeg1, 2, 14, 2, 0, 0), true},
        {"MPEG-2 layer II 8k stereo (no MPEG-1 pairing rule)", Word(kBitsMpeg2, 2, 1, 0, 0, 0), true},
        // Padding is legal at every rate: the standard only requires it at 44.1 kHz.
        {"padding at 48k", Word(kBitsMpeg1, 1, 9, 1, 1, 0), true},
        {"padding at 32k layer I", Word(kBitsMpeg1, 3, 4, 2, 1, 0), true},
        {"padding at 24k", Word(kBitsMpeg2, 1, 8, 1, 1, 0), true},
        {"padding at 8k", Word(kBitsMpeg25, 1, 8, 2, 1, 0), true},
        {"no sync", 0xFFC00000 | (Word(kBitsMpeg1, 1, 9, 0, 0, 1) & 0x1FFFFF), false},
    };
    for (const TCase& c : cases) {
        const bool valid = MpegHasSync(c.word) && MpegHeaderIsValid(MpegParseHeader(c.word));
        EXPECT_EQ(valid, c.valid) << c.what;
        EXPECT_EQ(MpegFrameLength(MpegParseHeader(c.word)) != 0, MpegHeaderIsValid(MpegParseHeader(c.word))) << c.what;
    }
}

// Every valid header of every version, layer, rate, bitrate and padding
// against the formula of ISO/IEC 11172-3 clause 2.4.3.1 and ISO/IEC 13818-3:
// slots per frame = samples per frame / slot bits x bitrate / sampling
// frequency, truncated, plus one slot when padded (a slot is 4 bytes in
// layer I and 1 byte otherwise).
TEST(MpegHeader, FrameLengthsFollowTheStandardsFormula) {
    const std::uint32_t versions[] = {kBitsMpeg1, kBitsMpeg2, kBitsMpeg25};
    const double rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    const double bitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    };
    int checked = 0;
    for (int v = 0; v < 3; ++v) {
        for (std::uint32_t layer = 1; layer <= 3; ++layer) {
            for (std::uint32_t index = 1; index <= 14; ++index) {
                for (std::uint32_t rate = 0; rate < 3; ++rate) {
                    for (std::uint32_t padding = 0; padding < 2; ++padding) {
                        const std::uint32_t mode = layer == 2 && v == 0 && index >= 11 ? 0 : 3;
                        const MpegFrameHeader header =
                            MpegParseHeader(Word(versions[v], 4 - layer, index, rate, padding, mode));
                        if (!MpegHeaderIsValid(header)) {
                            EXPECT_TRUE(v == 2 && layer != 3) << v << " " << layer << " " << index;
                            continue;
                        }
                        const double kbps = bitrates[v == 0 ? 0 : 1][layer - 1][index];
                        const double fs = rates[v][rate];
                        const double samples = layer == 1 ? 384 : (layer == 3 && v != 0 ? 576 : 1152);
                        const double slotBits = layer == 1 ? 32 : 8;
                        const double slots = std::floor(samples / slotBits * kbps * 1000 / fs) + padding;
                        const double bytes = slots * slotBits / 8;
                        EXPECT_EQ(MpegFrameLength(header), static_cast<std::uint32_t>(bytes))
                            << "version " << v << " layer " << layer << " index " << index << " rate " << fs
                            << " padding " << padding;
                        EXPECT_EQ(MpegBitrateKbps(header), static_cast<std::uint32_t>(kbps));
                        EXPECT_EQ(MpegSampleRateHz(header), static_cast<std::uint32_t>(fs));
                        EXPECT_EQ(MpegSamplesPerFrame(header), static_cast<std::uint32_t>(samples));
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, 2 * (3 * 14 * 3 * 2) + 14 * 3 * 2);  // every valid combination was seen
}

TEST(MpegHeader, SideInformationLengths) {
    EXPECT_EQ(MpegSideInfoLength(MpegParseHeader(Word(kBitsMpeg1, 1, 9, 0, 0, 3))), 17u);
    EXPECT_EQ(MpegSideInfoLength(MpegParseHeader(Word(kBitsMpeg1, 1, 9, 0, 0, 1))), 32u);
    EXPECT_EQ(MpegSideInfoLength(MpegParseHeader(Word(kBitsMpeg2, 1, 9, 0, 0, 3))), 9u);
    EXPECT_EQ(MpegSideInfoLength(MpegParseHeader(Word(kBitsMpeg25, 1, 9, 0, 0, 2))), 17u);
}
