#pragma once
// The codec-layer drivers that the sound engine owns: its PCM rate, width
// and channel converter (PCM to PCM) and MPEG layer 3 in WAV files (0x55)
// through the engine's MPEG decoder. The codec layer knows nothing of the
// engine, so the engine adds them; every decoding object does so before it
// opens a stream, and so does the engine's start-up. Safe to call any
// number of times from any thread.

#include <memory>

#include "platform/codec_layer.h"

void RegisterEngineCodecs();

// The drivers themselves (for RegisterEngineCodecs and tests).
std::unique_ptr<ICodecDriver> MakePcmCodecDriver();
std::unique_ptr<ICodecDriver> MakeMp3CodecDriver();
