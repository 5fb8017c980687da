#pragma once
// The codec layer's built-in drivers, made once by the driver table.

#include <memory>

#include "platform/codec_layer.h"

// G.711 A-law (6) and mu-law (7).
std::unique_ptr<ICodecDriver> MakeG711CodecDriver();
// IMA ADPCM as stored in WAV files (0x11).
std::unique_ptr<ICodecDriver> MakeImaAdpcmCodecDriver();
// Microsoft ADPCM (2).
std::unique_ptr<ICodecDriver> MakeMsAdpcmCodecDriver();
// GSM 6.10 in WAV framing (0x31), through libgsm.
std::unique_ptr<ICodecDriver> MakeGsmCodecDriver();
