#pragma once
// Engine-wide settings that the peak code and the converters read. The
// program writes them at start-up and after a preference change; they are
// read from any thread without the engine lock.
//
// The silence and partial-song thresholds come from the preferences
// "soundSilenceThreshold" and "partialSongThreshold".

#include <cstddef>
#include <cstdint>
#include <string>

// Peak level at or below which a peak counts as silence (0 before start-up).
void SetSilenceThreshold(std::uint32_t level);
std::uint32_t GetSilenceThreshold();

// The level the last peak must exceed for a song to count as cut short
// (12 after start-up).
void SetPartialSongThreshold(std::int32_t level);
std::int32_t GetPartialSongThreshold();

// Block alignment the WAV converter pads CD-bound files to (0: none).
void SetWaveCDBlockAlign(std::int32_t align);
std::int32_t GetWaveCDBlockAlign();

// The temporary sound folder under which cache files (peaks, seek maps, rate
// displays) live. A null or empty folder clears it; otherwise a '/' is added
// when the text does not end in one. A folder of PATH_MAX bytes or more is
// refused (the old folder stays, the thread's last error is
// TONECORE_ERR_PATH_TOO_LONG): a cut folder would name another place.
// Start-up sets it to the per-user cache folder.
void SetTempSndPath(const char* folder);
// Copies the folder into buffer of size bytes, terminator included, cut on a
// character boundary when it does not fit.
void GetTempSndPath(char* buffer, std::int32_t size);
std::string TempSndPath();
// 1 when the folder is set.
int TempSndPathExists();

// Starting values of the conversion state that the converters own; start-up
// sets compressed formats allowed (1), no WMA decoder (0) and MP3 encoder
// choice 2 (none).
void SetCompressedFormatFlag(std::int32_t flag);
std::int32_t GetCompressedFormatFlag();
void SetWMADecoderFlag(std::int32_t flag);
std::int32_t GetWMADecoderFlag();
void SetMP3EncoderChoice(std::int32_t choice);
std::int32_t GetMP3EncoderChoice();

// The MP3 encoder choice that means "none".
inline constexpr std::int32_t kMP3EncoderNone = 2;
// The partial-song threshold start-up sets.
inline constexpr std::int32_t kDefaultPartialSongThreshold = 12;
