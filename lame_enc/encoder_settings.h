#pragma once
// What a stream is set up with, read from either kind of configuration
// record into one shape.

#include <cstdint>

#include "lame_enc/encoder_interface.h"

struct TEncoderSettings {
    std::int32_t inputRate = 0;   // Hz of the PCM handed in
    std::int32_t outputRate = 0;  // Hz of the MP3 stream; 0: the encoder's choice
    std::int32_t mode = ENCODER_MODE_STEREO;
    std::int32_t bitrate = 0;     // kbps: constant, or the VBR minimum
    std::int32_t maxBitrate = 0;  // kbps, VBR only
    std::int32_t emphasis = 0;
    bool privateBit = false;
    bool crc = false;
    bool copyright = false;
    bool original = false;
    bool writeVBRHeader = false;
    bool vbr = false;
    bool abr = false;
    std::int32_t vbrQuality = 4;   // 0 best ... 9
    std::int32_t abrBitrate = 0;   // kbps
    bool noReservoir = false;

    // Channels of the PCM handed in: one for a mono stream, else two.
    int InputChannels() const { return mode == ENCODER_MODE_MONO ? 1 : 2; }
};

// Reads a record; ENCODER_OK, or why it cannot be used.
TEncoderResult ReadEncoderSettings(const TEncoderConfig& config, TEncoderSettings* settings);
