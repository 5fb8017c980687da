#pragma once
// What a host sets while a stream plays: channel routing, rate reduction
// and the equaliser (kept by the decoder and passed to the codec), and
// seeking by fraction, seconds or clock time.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

// Channel routing: 0 stereo, 1 left only, 2 right only, 3 both mixed.
std::int32_t DecoderSetChannelRouting(DecoderControl* control, std::int32_t routing);
std::int32_t DecoderGetChannelRouting(DecoderControl* control, std::int32_t* routing);
// Rate reduction: 0 none, 1 half, 2 quarter.
std::int32_t DecoderSetRateReduction(DecoderControl* control, std::int32_t reduction);
std::int32_t DecoderGetRateReduction(DecoderControl* control, std::int32_t* reduction);
// 64 signed bytes, 32 subband settings per channel; null switches the
// equaliser off. The decoder keeps its own copy.
std::int32_t DecoderSetEqualizer(DecoderControl* control, const std::int8_t* settings);
// Fills 64 bytes; zeros when there is no equaliser.
std::int32_t DecoderGetEqualizer(DecoderControl* control, std::int8_t* settings);

struct DecoderTime {
    std::int32_t hours = 0;
    std::int32_t minutes = 0;
    std::int32_t seconds = 0;
    std::int32_t hundredths = 0;
};

// Each returns the input seek's result.
std::int32_t DecoderSeekFraction(DecoderControl* control, float fraction);
std::int32_t DecoderSeekSeconds(DecoderControl* control, double seconds);
std::int32_t DecoderSeekTime(DecoderControl* control, const DecoderTime* time);
