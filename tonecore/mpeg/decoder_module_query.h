#pragma once
// Asking a registered module for its information record (name and version,
// devices, sizes) by the module's identifier.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

// DECODER_ERR_NO_MODULE for an unknown identifier. A module without an
// info method answers "unknown module name" / "unknown device name" and one
// device (index 0, flags 1).
std::int32_t DecoderInputModuleQuery(DecoderControl* control, std::int32_t moduleId, DecoderModuleInfo* info,
                                     std::uint32_t flags);
std::int32_t DecoderOutputModuleQuery(DecoderControl* control, std::int32_t moduleId, DecoderModuleInfo* info,
                                      std::uint32_t flags);
// DECODER_ERR_NO_METHOD when the codec has no info method.
std::int32_t DecoderCodecModuleQuery(DecoderControl* control, std::int32_t moduleId, DecoderModuleInfo* info,
                                     std::uint32_t flags);
