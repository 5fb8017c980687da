#pragma once
// The file output module, "Output To File": writes the decoded PCM to a
// file, or to the process's standard output for the name "-". A prefix
// picks the format: "raw:" (or none) plain samples, "wav:" a WAV file,
// "aiff:" an AIFF file, "sun:" a Sun audio file. The header is written at
// the first write and again with the final size at the end. A regular file
// is written under a temporary name beside it and renamed into place when
// the output closes.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

// Fills the caller's table; returns 0.
std::int32_t FileOutputModuleGetMethods(DecoderOutputModuleMethods* methods);
