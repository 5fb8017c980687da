#pragma once
// Small readers the initial load and the file-format probe share: the path
// behind a stream, the MPEG audio extensions, a WAV file's "fmt " and "data"
// chunks, and lengths from byte counts.

#include <cstdint>
#include <vector>

class CRefObj;
class CRIFF;

// The file's path for a file stream; null for any other stream.
const char* SourcePath(CRefObj* source);

// "mp3", "mp2" or "mp1", in any case.
bool HasMpegExtension(const char* path);

// Reads the "fmt " chunk into format: max(chunk size, 18) bytes, zero past
// what the chunk holds, its cbSize limited to the bytes read. False with
// TONECORE_ERR_NO_FORMAT, TONECORE_ERR_SHORT_FORMAT or
// TONECORE_ERR_OUT_OF_MEMORY. chunkInfo (when given) gets the chunk's id,
// size and its parent's type.
bool ReadWaveFormat(CRefObj* source, CRIFF& riff, std::vector<std::uint8_t>& format,
                    std::uint32_t* chunkInfo = nullptr);

// The "data" chunk's byte range, its end limited to the bytes the stream
// holds. False with TONECORE_ERR_NO_DATA or TONECORE_ERR_EMPTY_DATA.
bool FindWaveData(CRefObj* source, CRIFF& riff, std::int64_t& start, std::int64_t& end);

// Milliseconds of bytes at bytesPerSecond, truncated; 0 for a rate of 0.
std::int32_t LengthOfBytes(std::int64_t bytes, std::uint32_t bytesPerSecond);
