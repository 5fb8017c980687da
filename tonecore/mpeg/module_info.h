#pragma once
// Filling a module information record: the name and version, the device
// count, and one device's name pattern, description and flags.

#include <cstdint>
#include <span>

#include "tonecore/mpeg/decoder.h"

struct TModuleDevice {
    const char* pattern;
    const char* description;
    std::uint32_t flags;
};

// Answers flags 1, 2 and 4 from the given texts; DECODER_ERR_BAD_ARGUMENT for
// a null record or an unknown device index.
std::int32_t FillModuleInfo(DecoderModuleInfo* info, std::uint32_t flags, const char* name, const char* version,
                            std::span<const TModuleDevice> devices);
