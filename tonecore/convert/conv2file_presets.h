#pragma once
// The encoder presets a conversion target can be set from, and the bitrate
// lists that every bitrate of a target snaps to.

#include <cstdint>
#include <span>

// One MP3 preset (bitrates in kbps, rate in Hz).
struct TMP3Preset {
    const char* nameKey;
    std::int32_t mpegVersion;
    std::int32_t bitrate;
    std::int32_t minBitrate;
    std::int32_t maxBitrate;
    std::int32_t vbrQuality;
    std::int32_t rate;
    std::int32_t mode;
    std::int32_t channels;
};

// One WMA preset.
struct TWMAPreset {
    const char* nameKey;
    std::int32_t bitrate;
    std::int32_t rate;
    std::int32_t channels;
};

// Presets are numbered from 1; these answer null outside the table.
const TMP3Preset* MP3Preset(std::int32_t preset);
const TWMAPreset* WMAPreset(std::int32_t preset);
inline constexpr std::int32_t kMP3PresetCount = 10;
inline constexpr std::int32_t kWMAPresetCount = 8;

// The bitrate lists, lowest first.
std::span<const std::int32_t> MPEG1BitRates();
std::span<const std::int32_t> MPEG2XBitRates();  // MPEG-2 and MPEG-2.5
std::span<const std::int32_t> WMABitRates();

// The list entry nearest to value: the ends for values beyond them; between
// entries a < b, a when value <= (a + b) / 2 (integer), else b.
std::int32_t FindMostNaturalBitRate(std::span<const std::int32_t> list, std::int32_t value);
std::int32_t FindMostNaturalMPEG1BitRate(std::int32_t value);
std::int32_t FindMostNaturalMPEG2XBitRate(std::int32_t value);
std::int32_t FindMostNaturalWMABitRate(std::int32_t value);

// Sets a VBR range around value from the list: max and min are the entries
// around it (the two nearest ends beyond the list), abr lies strictly inside
// the range where it can, and value snaps to the list as above.
void FindMostNaturalBitRates(std::span<const std::int32_t> list, std::int32_t* max, std::int32_t* min,
                             std::int32_t* abr, std::int32_t* value);
void FindMostNaturalMPEG1BitRates(std::int32_t* max, std::int32_t* min, std::int32_t* abr, std::int32_t* value);
void FindMostNaturalMPEG2XBitRates(std::int32_t* max, std::int32_t* min, std::int32_t* abr, std::int32_t* value);
