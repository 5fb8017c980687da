#pragma once
// The headers in front of 16-bit PCM in the file output's formats: WAV
// (little-endian samples), AIFF and Sun audio (big-endian samples). Each
// header states the data size; the file output writes it with the size so
// far at the first write and again with the final size at the end.

#include <cstdint>
#include <cstdio>
#include <vector>

enum class EPcmFileFormat { Raw, Wav, Aiff, Sun };

// The header bytes for `dataSize` bytes of 16-bit samples (empty for raw).
std::vector<std::uint8_t> PcmFileHeader(EPcmFileFormat format, std::uint32_t channels, std::uint32_t sampleRate,
                                        std::uint32_t dataSize);

// Whether the format stores samples big-endian.
bool PcmFileIsBigEndian(EPcmFileFormat format);

// The largest data size the format's 32-bit size fields can state.
std::uint32_t PcmFileMaxDataSize(EPcmFileFormat format);

// Writes the format's header in one piece: 0, or -1 when the write fails.
std::int32_t PcmFileHeaderWrite(std::FILE* file, EPcmFileFormat format, std::uint32_t channels,
                                std::uint32_t sampleRate, std::uint32_t dataSize);

// Writes the WAV header: "RIFF", data size + 36, "WAVE", "fmt ", 16,
// format 1, channels, rate, channels x rate x 2, channels x 2, 16, "data",
// data size. 0, or -1 when a write fails.
std::int32_t WaveHeaderWrite(std::FILE* file, std::uint32_t channels, std::uint32_t sampleRate,
                             std::uint32_t dataSize);
