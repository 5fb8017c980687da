#pragma once
// Application error codes that the sound engine's frame (settings, cache
// paths, buffers) leaves in the thread's last-error value. Bit 29 marks them
// as the system's own.

#include <cstdint>

// Memory for a list entry, a buffer block or a filter could not be had.
inline constexpr std::uint32_t TONECORE_ERR_OUT_OF_MEMORY = 0x20000001;
// A folder or cache path does not fit its buffer; nothing was cut.
inline constexpr std::uint32_t TONECORE_ERR_PATH_TOO_LONG = 0x20000600;
// The engine's service thread could not be started.
inline constexpr std::uint32_t TONECORE_ERR_NO_THREAD = 0x20000601;
// A buffer seek on a stream that has no data (its data size is 0 or
// unknown).
inline constexpr std::uint32_t TONECORE_ERR_EMPTY_STREAM = 0x20000602;
// A seek map holds a position beyond the 32-bit fields of its cache file.
inline constexpr std::uint32_t TONECORE_ERR_SEEK_MAP_TOO_LARGE = 0x20000603;

// Codes of the initial load of a song (initial_load.h).
//
// The file is RIFF of another form and has no MPEG audio extension.
inline constexpr std::uint32_t TONECORE_ERR_NOT_LOADABLE = 0x20000104;
// The "fmt " chunk is shorter than its stated size.
inline constexpr std::uint32_t TONECORE_ERR_SHORT_FORMAT = 0x20000105;
// The WAV file has no "fmt " chunk.
inline constexpr std::uint32_t TONECORE_ERR_NO_FORMAT = 0x20000106;
// The WAV file has no "data" chunk.
inline constexpr std::uint32_t TONECORE_ERR_NO_DATA = 0x20000107;
// The stream refused the audio data's byte range.
inline constexpr std::uint32_t TONECORE_ERR_DATA_RANGE = 0x20000108;
// The MPEG decoding object refused the format.
inline constexpr std::uint32_t TONECORE_ERR_MP3_FORMAT = 0x2000010a;
// The MPEG stream holds no usable frame.
inline constexpr std::uint32_t TONECORE_ERR_NO_MP3_FRAME = 0x2000010b;
// A WAV format the engine cannot play: PCM outside 1-2 channels,
// 1-48000 Hz, 8 or 16 bits, or a compressed format no decoder takes.
inline constexpr std::uint32_t TONECORE_ERR_BAD_PCM_FORMAT = 0x20000201;
// The "data" chunk is empty.
inline constexpr std::uint32_t TONECORE_ERR_EMPTY_DATA = 0x20000202;
// A sound's buffer refused its read range or a lock.
inline constexpr std::uint32_t TONECORE_ERR_BUFFER_RANGE = 0x20000203;
// A sound's decoding object could not start its stream.
inline constexpr std::uint32_t TONECORE_ERR_STREAM_NOT_ENABLED = 0x20000204;

// Codes of recording and of a sound's place in a sound-tree file.
//
// A sound in a sound-tree file names no source file.
inline constexpr std::uint32_t TONECORE_ERR_EMPTY_SOUND_PATH = 0x200000BE;
// The current mixer cannot record, or there is no current mixer.
inline constexpr std::uint32_t TONECORE_ERR_NO_RECORDING_MIXER = 0x20000700;
// The wave-in device refused to open, queue a buffer or start.
inline constexpr std::uint32_t TONECORE_ERR_WAVE_IN_FAILED = 0x20000701;
// A copy read or wrote fewer bytes than it asked for; the partial copy was
// removed.
inline constexpr std::uint32_t TONECORE_ERR_SHORT_COPY = 0x20000702;
// A sound-tree entry is neither a path nor the sound's data.
inline constexpr std::uint32_t TONECORE_ERR_NO_SOUND_SOURCE = 0x20000703;
