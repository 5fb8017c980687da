#pragma once
// The file input module, "Input From File": reads a song file by path, or
// the process's standard input for the name "-". Names that end in ".mp3"
// have their ID3 version 1 tag published as stream properties on open.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

// Fills the caller's table; returns 0.
std::int32_t FileInputModuleGetMethods(DecoderInputModuleMethods* methods);
