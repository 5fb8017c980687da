#pragma once
// Records shared by the layer III decoding stages: what the decoder needs of
// a frame header, the side information of one frame, and the result code of
// an abandoned granule.

#include <cstdint>

#include "tonecore/mpeg/decoder_errors.h"
#include "tonecore/mpeg/mpeg_header.h"

// The decode call's "no frame now" code: the frame holds an impossible value
// and is abandoned.
inline constexpr int kLayer3FrameAbandoned = DECODER_ERR_NO_FRAME;

// Spectral lines per granule and channel, subbands and time slots.
inline constexpr int kLayer3Lines = 576;
inline constexpr int kLayer3Subbands = 32;
inline constexpr int kLayer3Slots = 18;

// The header fields layer III decoding depends on.
struct TLayer3FrameInfo {
    bool lsf = false;           // MPEG-2 or MPEG-2.5 (one granule, the 13818-3 rules)
    bool mpeg25 = false;        // MPEG-2.5 (implies lsf)
    int sampleRateIndex = 0;    // header field, 0 to 2
    int mode = 0;               // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int modeExtension = 0;      // bit 1 (value 2) mid/side, bit 0 (value 1) intensity
    int channels = 2;           // 1 for mode 3, else 2
    bool crcProtected = false;  // a 16-bit CRC follows the header (not checked)

    int Granules() const { return lsf ? 1 : 2; }
    bool MidSide() const { return mode == 1 && (modeExtension & 2) != 0; }
    bool Intensity() const { return mode == 1 && (modeExtension & 1) != 0; }
    // Row of the scale factor band tables: 0-2 MPEG-1, 3-5 MPEG-2, 6-8 MPEG-2.5.
    int BandTableIndex() const { return (mpeg25 ? 6 : lsf ? 3 : 0) + sampleRateIndex; }
    // Bytes of side information after the header (and its CRC).
    int SideInfoBytes() const { return static_cast<int>(MpegSideInfoBytes(lsf, channels == 1)); }
};

// Side information of one granule of one channel.
struct TLayer3GranuleChannel {
    std::uint32_t part23Length = 0;
    std::uint32_t bigValues = 0;
    std::uint32_t globalGain = 0;
    std::uint32_t scalefacCompress = 0;
    bool windowSwitching = false;
    std::uint32_t blockType = 0;  // 0 normal, 1 start, 2 short, 3 stop
    bool mixedBlock = false;
    std::uint32_t tableSelect[3] = {0, 0, 0};
    std::uint32_t subblockGain[3] = {0, 0, 0};
    std::uint32_t region0Count = 0;
    std::uint32_t region1Count = 0;
    std::uint32_t region1Start = 0;  // first spectral line of region 1
    std::uint32_t region2Start = 0;  // first spectral line of region 2
    bool preflag = false;
    bool scalefacScale = false;
    bool count1TableB = false;  // count1table_select

    bool ShortBlock() const { return windowSwitching && blockType == 2; }
};

// Side information of one frame.
struct TLayer3SideInfo {
    std::uint32_t mainDataBegin = 0;  // bytes back from this frame's main data
    std::uint32_t privateBits = 0;
    std::uint32_t scfsi[2] = {0, 0};  // MPEG-1 only: 4 bits per channel, band group 0 first
    TLayer3GranuleChannel granule[2][2];  // [granule][channel]
};
