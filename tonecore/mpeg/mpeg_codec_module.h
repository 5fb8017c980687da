#pragma once
// The MPEG audio codec module: turns MPEG-1, MPEG-2 and MPEG-2.5 audio into
// signed 16-bit PCM, one frame per decode call, and keeps what the host
// shows about the stream (level, layer, mode, channels, sample rate, average
// bitrate, duration) up to date. Layers I, II and III are decoded here.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

class CMpegFrameDecoder;
struct TLayer3DecoderState;

// Fills the caller's table; returns 0.
std::int32_t MpegCodecModuleGetMethods(DecoderCodecModuleMethods* methods);

// The frame decoder inside a codec instance made by this module (tests
// reach the synthesis through it).
CMpegFrameDecoder& MpegCodecFrameDecoder(void* instance);
// Its layer III decoder's state (tests set the granule observer there).
TLayer3DecoderState& MpegCodecLayer3State(void* instance);
