#pragma once
// The codes that describe a conversion: its type, the sound-quality rule,
// the MP3 encoder library, and what a converter is told of a source's
// decoding object.

#include <cstdint>

#include "tonecore/tags/music_info.h"

class ACMObject;

// The format tag of Windows Media audio (version 2) targets.
inline constexpr std::uint16_t kWindowsMediaAudioTag = 0x0161;

// The kind of file a converter writes; also the row of the conversion table.
enum _tFileConversionTypedef : std::int32_t {
    FILE_CONVERSION_WAV = 0,
    FILE_CONVERSION_MP3 = 1,
    FILE_CONVERSION_WMA = 2,
    FILE_CONVERSION_NONE = 3,  // no converter
};
inline constexpr int kFileConversionTypes = 3;

// How a target format follows the source song.
enum _tSoundQualityTypedef : std::int32_t {
    SOUND_QUALITY_FOLLOW_SOURCE = 0,
    SOUND_QUALITY_CD = 1,          // the type's default preset
    SOUND_QUALITY_USER = 2,        // the user's settings as they stand
    SOUND_QUALITY_CAPPED_SOURCE = 3,  // the source, but no more than the user's settings
    SOUND_QUALITY_KEEP = 4,        // GetFormatFromPreset: leave the quality alone
};

// The MP3 encoder libraries the engine knows.
enum _tMP3EncoderDllTypedef : std::int32_t {
    MP3_ENCODER_LAME = 0,
    MP3_ENCODER_BLADE = 1,
    MP3_ENCODER_NONE = 2,
};
inline constexpr int kMP3EncoderLibraries = 2;

// Tag types of a target beyond those a song record carries.
inline constexpr _tTagTypedef TAG_TYPE_WMA_ATTRIBUTES = static_cast<_tTagTypedef>(3);
// GetFormatFromPreset: leave the target's tag type alone.
inline constexpr _tTagTypedef TAG_TYPE_KEEP = static_cast<_tTagTypedef>(5);

// What fitting a target to a source needs of the source's decoding object:
// the object itself, handed on to the converters' callbacks, and the two
// rates the fitting reads from it.
struct TSourceDecoder {
    ACMObject* object = nullptr;
    std::int32_t bestBitRate = 0;  // bits per second; 0 unknown
    std::uint32_t frequency = 0;   // Hz of the decoded stream
};

// A conversion type's row of the conversion table: its format tag, the
// preset and sound quality a new target takes, and for each sound quality
// 0 to 3 the one the type accepts in its place.
struct TConversionTypeRow {
    std::uint16_t formatTag;
    std::int32_t defaultPreset;
    std::int32_t defaultSoundQuality;
    std::int32_t soundQualityMap[4];
};

// The row of a type; null for FILE_CONVERSION_NONE and anything outside.
const TConversionTypeRow* ConversionTypeRow(std::int32_t type);
// The first type whose format tag is tag; FILE_CONVERSION_NONE when none.
_tFileConversionTypedef GetFileConversionTypeFromFormatTag(std::uint16_t tag);
