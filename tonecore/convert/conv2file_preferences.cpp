// The registry values of a conversion target ("ConvertTo..."), read and
// written through a key the caller opened.

#include <array>
#include <cstdint>

#include "filekit/reg_key.h"
#include "tonecore/convert/conv2file_format.h"

namespace {

struct TNamedSetting {
    const char* name;
    std::int32_t CConv2FileFormat::*field;
};

// The values only an MP3 target keeps, in the order they are read.
constexpr std::array<TNamedSetting, 14> kMP3Settings{{
    {"ConvertToCRC", &CConv2FileFormat::crc},
    {"ConvertToMode", &CConv2FileFormat::mode},
    {"ConvertToReSampleRate", &CConv2FileFormat::reSampleRate},
    {"ConvertToMinBitrate", &CConv2FileFormat::minBitrate},
    {"ConvertToMaxBitrate", &CConv2FileFormat::maxBitrate},
    {"ConvertToMpegVersion", &CConv2FileFormat::mpegVersion},
    {"ConvertToPsyModel", &CConv2FileFormat::psyModel},
    {"ConvertToEmphasis", &CConv2FileFormat::emphasis},
    {"ConvertToEnableVBR", &CConv2FileFormat::enableVBR},
    {"ConvertToWriteVBRHeader", &CConv2FileFormat::writeVBRHeader},
    {"ConvertToVBRQuality", &CConv2FileFormat::vbrQuality},
    {"ConvertToEnableABR", &CConv2FileFormat::enableABR},
    {"ConvertToVbrAbr_bps", &CConv2FileFormat::abrBitrate},
    {"ConvertToNoRes", &CConv2FileFormat::noReservoir},
}};

// The settings every target keeps after the sound quality and the head.
constexpr std::array<TNamedSetting, 5> kCommonSettings{{
    {"ConvertToBitrate", &CConv2FileFormat::bitrate},
    {"ConvertToPrivate", &CConv2FileFormat::privateBit},
    {"ConvertToCopyright", &CConv2FileFormat::copyrightBit},
    {"ConvertToOriginal", &CConv2FileFormat::originalBit},
    {"ConvertToId3TagType", &CConv2FileFormat::tagType},
}};

constexpr const char* kPreset = "ConvertToToneCorePreset";
constexpr const char* kUsePreset = "ConvertToUsePreset";
constexpr const char* kSoundQuality = "ConvertToCDQuality";
constexpr const char* kChannels = "ConvertToChannels";
constexpr const char* kRate = "ConvertToSamplesPerSec";
constexpr const char* kBits = "ConvertToBitsPerSample";

// Reads a value into target when the key holds it.
template <typename T>
bool ReadNumber(CRegKey& key, const char* name, T* target) {
    if (key.SubKeyExists(name) == 0) return false;
    *target = static_cast<T>(key.GetKeyNum(name));
    return true;
}

bool WriteNumber(CRegKey& key, const char* name, std::int64_t value) {
    return key.SetKeyNum(name, static_cast<std::uint32_t>(value)) != 0;
}

}  // namespace

bool CConv2FileFormat::ReadPreferences(CRegKey* key) {
    if (key == nullptr) return false;
    ReadNumber(*key, kPreset, &preset);
    // Settings from before presets existed have neither value.
    if (!ReadNumber(*key, kUsePreset, &usePreset) && preset == 0) usePreset = 0;
    std::int32_t quality = 0;
    if (ReadNumber(*key, kSoundQuality, &quality)) SetSoundQuality(quality);
    // The head's fields are packed: read into a word, then store.
    std::uint32_t value = 0;
    if (ReadNumber(*key, kChannels, &value)) nChannels = static_cast<std::uint16_t>(value);
    if (ReadNumber(*key, kRate, &value)) nSamplesPerSec = value;
    if (ReadNumber(*key, kBits, &value)) wBitsPerSample = static_cast<std::uint16_t>(value);
    for (const TNamedSetting& setting : kCommonSettings) ReadNumber(*key, setting.name, &(this->*setting.field));
    if (wFormatTag == WAVE_FORMAT_MPEGLAYER3) {
        for (const TNamedSetting& setting : kMP3Settings) ReadNumber(*key, setting.name, &(this->*setting.field));
    }
    return ValidateEx(nullptr);
}

bool CConv2FileFormat::WritePreferences(CRegKey* key) const {
    if (key == nullptr) return false;
    bool stored = WriteNumber(*key, kSoundQuality, soundQuality);
    stored = WriteNumber(*key, kPreset, preset) && stored;
    stored = WriteNumber(*key, kUsePreset, usePreset) && stored;
    stored = WriteNumber(*key, kChannels, nChannels) && stored;
    stored = WriteNumber(*key, kRate, nSamplesPerSec) && stored;
    stored = WriteNumber(*key, kBits, wBitsPerSample) && stored;
    for (const TNamedSetting& setting : kCommonSettings) {
        stored = WriteNumber(*key, setting.name, this->*setting.field) && stored;
    }
    if (wFormatTag == WAVE_FORMAT_MPEGLAYER3) {
        for (const TNamedSetting& setting : kMP3Settings) {
            stored = WriteNumber(*key, setting.name, this->*setting.field) && stored;
        }
    }
    return stored;
}
