#pragma once
// The memory input module, "Input From Memory": the host either pushes bytes
// into a 64 KiB ring (an empty name) or hands over a block of memory it keeps
// alive (a name "size@address", both hexadecimal).

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

// Messages (`DecoderInputSendMessage`).
inline constexpr std::int32_t MEMORY_INPUT_APPEND = 4097;    // data, size: returns the bytes taken
inline constexpr std::int32_t MEMORY_INPUT_FLUSH = 4098;     // empties the ring
inline constexpr std::int32_t MEMORY_INPUT_SET_MIME = 4099;  // data: text or null
inline constexpr std::int32_t MEMORY_INPUT_SET_SIZE = 4100;  // data: a uint32_t total stream size

// Ring capacity; one byte always stays free, so it holds at most 65535.
inline constexpr std::uint32_t MEMORY_INPUT_RING_BYTES = 65536;

// Fills the caller's table; returns 0.
std::int32_t MemoryInputModuleGetMethods(DecoderInputModuleMethods* methods);
