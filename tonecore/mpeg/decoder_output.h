#pragma once
// The decoder's playback side: an output module receives the decoded PCM.
// The operations mirror the input's (decoder.h): register a module, make an
// instance for a name, open it, and then `DecoderPlayFrame` decodes one
// frame and hands it to the output through the output filter chain.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

// Returns the module's identifier.
std::int32_t DecoderOutputModuleRegister(DecoderControl* control, const DecoderOutputModuleMethods* methods);

// moduleId -1 takes the first module (most recently registered first) whose
// probe accepts the name; DECODER_ERR_NO_OUTPUT_MODULE when none does.
std::int32_t DecoderOutputNew(DecoderControl* control, const char* name, std::int32_t moduleId);
std::int32_t DecoderOutputDelete(DecoderControl* control);
std::int32_t DecoderOutputOpen(DecoderControl* control);
std::int32_t DecoderOutputClose(DecoderControl* control);

// Returns what the output's write returns (the bytes taken, 0 on failure).
std::int32_t DecoderOutputWrite(DecoderControl* control, const void* pcm, std::uint32_t bytes,
                                std::uint32_t bytesPerSample, std::uint32_t channels, std::uint32_t sampleRate);
std::int32_t DecoderOutputSetFormat(DecoderControl* control, const DecoderOutputFormat* format, std::uint32_t mask);
std::int32_t DecoderOutputGetControl(DecoderControl* control, DecoderOutputControl* record, std::uint32_t mask);
std::int32_t DecoderOutputSendMessage(DecoderControl* control, std::int32_t code, const void* data,
                                      std::uint32_t size);

// Decodes one frame and writes it to the open output. Returns the decode
// result; a format the output refuses gives DECODER_ERR_NO_OUTPUT_MODULE
// and nothing is written.
std::int32_t DecoderPlayFrame(DecoderControl* control);
