#pragma once
// Error codes of the engine's tag and song-information code, left in the
// thread's last-error value.

#include <cstdint>

// An ID3 v2 tag is missing its frame area, has a frame that runs past the
// area or a comment without its description's end, or its header is short.
inline constexpr std::uint32_t TONECORE_ERR_ID3_TAG = 0x20000110;
// Memory for a tag could not be had.
inline constexpr std::uint32_t TONECORE_ERR_TAG_MEMORY = 0x20000001;
