#pragma once
// CConv2FileFormat: what a conversion is to produce. It is a WAVEFORMATEX
// head whose extension (always 94 bytes) holds the encoder settings, 112
// bytes in all. The program keeps it in the registry as the "ConvertTo..."
// values and fits it to each source song with SmartCopy, which asks the
// converter of the target type for its rules.
//
// Bitrates here are in kbps; sample rates in Hz.

#include <cstdint>

#include "platform/wave_format.h"
#include "tonecore/convert/conv2file_types.h"

class CConv2FileObj;
class CRegKey;
struct TMusicInfo;
struct TSourceDecoder;
class CPCMSound;

class CConv2FileFormat : public WAVEFORMATEX {
public:
    // Bytes of the settings after the 18-byte head (the head's cbSize).
    static constexpr std::uint16_t kExtensionBytes = 94;

    // The CD-quality defaults of the type the tag belongs to
    // (CDQualitySettings).
    explicit CConv2FileFormat(std::uint16_t tag = WAVE_FORMAT_PCM);

    void CDQualitySettings(std::uint16_t tag);
    // block align = channels x bits / 8; bytes per second = rate x align.
    void CalcBlockAlignNAvgBytesPerSec();

    // The tag and the conversion type that goes with it.
    void SetFormatTag(std::uint16_t tag);
    std::uint16_t GetFormatTag() const { return wFormatTag; }

    // Stores the quality, then replaces it by what the type accepts.
    void SetSoundQuality(std::int32_t quality);
    // Replaces the quality by the one the type accepts in its place; a CD
    // quality so replaced also brings the type's default preset. Always true.
    bool ValidateSoundQuality();

    // The PCM checks of the head for this format's own tag; the extension
    // size is 94 again afterwards either way.
    bool Validate();
    // The converter's own checks when one is given, else Validate().
    bool ValidateEx(CConv2FileObj* conv);

    // Takes all of from; a tag that is not 0 replaces from's; then validated.
    void Copy(const CConv2FileFormat* from, CConv2FileObj* conv, std::uint16_t tag);
    // Takes wfx's head (and a tag that is not 0), then lets the converter of
    // the type fit the rest to it without a preset.
    void SetFromWaveFormatEx(const WAVEFORMATEX* wfx, CConv2FileObj* conv, std::uint16_t tag);
    // The head a converter is to write: the preset's when the user's
    // settings run from a preset, else this head; checked as PCM of the tag.
    void MakeIntoWaveFormatEx(WAVEFORMATEX* out) const;

    // Makes this format the target for one source (see the .cpp for the
    // rules of each sound quality). source, info and decoder may be null.
    void SmartCopy(std::uint16_t tag, const CConv2FileFormat* wanted, const WAVEFORMATEX* source,
                   CConv2FileObj* conv, const TMusicInfo* info, const TSourceDecoder* decoder);
    // The same for a loaded sound: its format, song information and
    // decoding object.
    void SmartCopy(std::uint16_t tag, const CConv2FileFormat* wanted, CPCMSound* sound, CConv2FileObj* conv);

    // conv, or a new converter for this format's type (null when that type
    // is not available). The caller frees what it did not pass in.
    CConv2FileObj* GetConvFObj(CConv2FileObj* conv) const;

    // The "ConvertTo..." values of a key the caller opened. Reading takes
    // only the values present (the MP3 ones only for the MP3 tag) and
    // answers whether the result is valid; writing answers whether every
    // value was stored.
    bool ReadPreferences(CRegKey* key);
    bool WritePreferences(CRegKey* key) const;

    // The two bytes that put the settings on a 4-byte boundary; always 0,
    // so that whole records compare and copy alike.
    std::uint16_t alignmentPad = 0;

    // The settings, in their stored order.
    std::int32_t conversionType;  // _tFileConversionTypedef, from the tag
    std::int32_t soundQuality;    // _tSoundQualityTypedef
    std::int32_t preset;
    std::int32_t usePreset;
    std::int32_t bitrate;
    std::int32_t tagType;  // _tTagTypedef
    std::int32_t privateBit;
    std::int32_t copyrightBit;  // WMA: protect the file
    std::int32_t originalBit;
    std::int32_t mpegVersion;  // 1 MPEG-1, 0 MPEG-2, 2 MPEG-2.5
    std::int32_t mode;         // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    std::int32_t minBitrate;
    std::int32_t maxBitrate;
    std::int32_t psyModel;
    std::int32_t crc;
    std::int32_t enableVBR;
    std::int32_t writeVBRHeader;
    std::int32_t reSampleRate;
    std::int32_t emphasis;
    std::int32_t vbrQuality;  // 0 best ... 9
    std::int32_t enableABR;
    std::int32_t abrBitrate;
    std::int32_t noReservoir;
};

static_assert(sizeof(CConv2FileFormat) == 112, "a conversion format is 112 bytes");
static_assert(sizeof(CConv2FileFormat) - sizeof(WAVEFORMATEX) == CConv2FileFormat::kExtensionBytes);
