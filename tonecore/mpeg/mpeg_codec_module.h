#pragma once
// The MPEG audio codec module: turns MPEG-1, MPEG-2 and MPEG-2.5 audio into
// signed 16-bit PCM, one frame per decode call, and keeps what the host
// shows about the stream (level, layer, mode, channels, sample rate, average
// bitrate, duration) up to date. Layer III is decoded here; a frame of a
// layer without a decoder is dropped (DECODER_ERR_NO_FRAME).

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

class CMpegFrameDecoder;

// Fills the caller's table; returns 0.
std::int32_t MpegCodecModuleGetMethods(DecoderCodecModuleMethods* methods);

// The frame decoder inside a codec instance made by this module (tests
// reach the synthesis through it).
CMpegFrameDecoder& MpegCodecFrameDecoder(void* instance);
