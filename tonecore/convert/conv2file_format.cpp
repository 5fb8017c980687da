#include "tonecore/convert/conv2file_format.h"

#include <algorithm>

#include "tonecore/convert/conv2file_obj.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/convert/sound_source.h"
#include "tonecore/pcm/pcm_format.h"

namespace {

// A converter borrowed for one call: the caller's, or a temporary one of the
// type that is freed at the end of the scope.
class CBorrowedConverter {
public:
    CBorrowedConverter(CConv2FileObj* given, const CConv2FileFormat& format)
        : given_(given), conv_(format.GetConvFObj(given)) {}
    ~CBorrowedConverter() { GetRidOfConvFObj(conv_, given_); }
    CBorrowedConverter(const CBorrowedConverter&) = delete;
    CBorrowedConverter& operator=(const CBorrowedConverter&) = delete;
    CConv2FileObj* get() const { return conv_; }

private:
    CConv2FileObj* given_;
    CConv2FileObj* conv_;
};

// A fresh format of the tag filled from a preset by the converter (the
// format as it stands when there is no converter).
CConv2FileFormat FromPreset(std::uint16_t tag, const CConv2FileFormat& settings, CConv2FileObj* conv) {
    CConv2FileFormat fresh(tag);
    if (conv != nullptr) {
        conv->GetFormatFromPreset(&fresh, settings.preset, static_cast<_tTagTypedef>(settings.tagType),
                                  static_cast<_tSoundQualityTypedef>(settings.soundQuality));
    }
    return fresh;
}

}  // namespace

CConv2FileFormat::CConv2FileFormat(std::uint16_t tag) : WAVEFORMATEX{} { CDQualitySettings(tag); }

void CConv2FileFormat::CDQualitySettings(std::uint16_t tag) {
    SetFormatTag(tag);
    nChannels = 2;
    nSamplesPerSec = 44100;
    wBitsPerSample = 16;
    cbSize = kExtensionBytes;
    CalcBlockAlignNAvgBytesPerSec();
    const TConversionTypeRow* row = ConversionTypeRow(conversionType);
    soundQuality = row != nullptr ? row->defaultSoundQuality : SOUND_QUALITY_CD;
    preset = row != nullptr ? row->defaultPreset : 0;
    usePreset = 1;
    bitrate = 192;
    tagType = TAG_TYPE_ID3V2;
    privateBit = 0;
    copyrightBit = 0;
    originalBit = 0;
    mpegVersion = 1;
    mode = 0;
    minBitrate = 128;
    maxBitrate = 320;
    psyModel = 0;
    crc = 0;
    enableVBR = 0;
    writeVBRHeader = 1;
    reSampleRate = 0;
    emphasis = 0;
    vbrQuality = 2;
    enableABR = 0;
    abrBitrate = 192;
    noReservoir = 0;
}

void CConv2FileFormat::CalcBlockAlignNAvgBytesPerSec() {
    nBlockAlign = static_cast<std::uint16_t>(nChannels * wBitsPerSample / 8);
    nAvgBytesPerSec = nSamplesPerSec * nBlockAlign;
}

void CConv2FileFormat::SetFormatTag(std::uint16_t tag) {
    wFormatTag = tag;
    conversionType = GetFileConversionTypeFromFormatTag(tag);
}

void CConv2FileFormat::SetSoundQuality(std::int32_t quality) {
    soundQuality = quality;
    ValidateSoundQuality();
}

bool CConv2FileFormat::ValidateSoundQuality() {
    const TConversionTypeRow* row = ConversionTypeRow(conversionType);
    if (row == nullptr || soundQuality < 0 || soundQuality > 3) return true;
    const std::int32_t accepted = row->soundQualityMap[soundQuality];
    if (accepted != soundQuality) {
        if (soundQuality == SOUND_QUALITY_CD) preset = row->defaultPreset;
        soundQuality = accepted;
    }
    return true;
}

bool CConv2FileFormat::Validate() {
    const bool valid = ::ValidateFormat(this, wFormatTag) == 1;
    cbSize = kExtensionBytes;
    return valid;
}

bool CConv2FileFormat::ValidateEx(CConv2FileObj* conv) {
    const bool valid = conv != nullptr ? conv->ValidateFormat(this) : Validate();
    cbSize = kExtensionBytes;
    return valid;
}

void CConv2FileFormat::Copy(const CConv2FileFormat* from, CConv2FileObj* conv, std::uint16_t tag) {
    if (from != nullptr && from != this) *this = *from;
    if (tag != 0) SetFormatTag(tag);
    ValidateEx(conv);
}

void CConv2FileFormat::SetFromWaveFormatEx(const WAVEFORMATEX* wfx, CConv2FileObj* conv, std::uint16_t tag) {
    if (wfx == nullptr) return;
    static_cast<WAVEFORMATEX&>(*this) = *wfx;
    SetFormatTag(tag != 0 ? tag : wfx->wFormatTag);
    ValidateEx(conv);
    usePreset = 0;
    const CBorrowedConverter borrowed(conv, *this);
    if (borrowed.get() != nullptr) borrowed.get()->MakeMostNaturalFormatCallback(this, wfx, nullptr);
    ValidateEx(conv);
}

void CConv2FileFormat::MakeIntoWaveFormatEx(WAVEFORMATEX* out) const {
    if (out == nullptr) return;
    *out = *this;
    if (usePreset != 0 && soundQuality == SOUND_QUALITY_USER) {
        const CBorrowedConverter borrowed(nullptr, *this);
        if (borrowed.get() != nullptr) *out = FromPreset(wFormatTag, *this, borrowed.get());
    }
    ::ValidateFormat(out, wFormatTag);
}

CConv2FileObj* CConv2FileFormat::GetConvFObj(CConv2FileObj* conv) const {
    if (conv != nullptr) return conv;
    return NewCConv2FileObj(static_cast<_tFileConversionTypedef>(conversionType), -1);
}

// The rules by the wanted sound quality:
// - user's settings: wanted as it stands, or its preset's format;
// - CD quality: the type's default preset;
// - follow the source (capped or not): the source's head with the
//   reference settings, the decoder's bitrate and rate, fitted by the
//   converter; capped also lowers channels, rate and bits to the user's.
void CConv2FileFormat::SmartCopy(std::uint16_t tag, const CConv2FileFormat* wanted, CPCMSound* sound,
                                 CConv2FileObj* conv) {
    if (sound == nullptr) return;
    TSoundSource source;
    DescribeSoundSource(*sound, source);
    SmartCopy(tag, wanted, source.format, conv, sound->GetMusicInfo(), source.decoder);
}

void CConv2FileFormat::SmartCopy(std::uint16_t tag, const CConv2FileFormat* wanted, const WAVEFORMATEX* source,
                                 CConv2FileObj* conv, const TMusicInfo* info, const TSourceDecoder* decoder) {
    if (wanted == nullptr) return;
    const CBorrowedConverter borrowed(conv, *this);
    CConv2FileObj* const converter = borrowed.get();
    usePreset = wanted->usePreset;
    const std::int32_t quality = wanted->soundQuality;
    if (quality == SOUND_QUALITY_USER) {
        if (wanted->usePreset != 0) {
            const CConv2FileFormat fromPreset = FromPreset(tag, *wanted, converter);
            Copy(&fromPreset, converter, tag);
        } else {
            Copy(wanted, converter, tag);
        }
    } else if (quality == SOUND_QUALITY_CD) {
        SetFormatTag(tag);
        if (converter != nullptr) converter->GetFormatFromPreset(this, -1, TAG_TYPE_ID3V2, SOUND_QUALITY_CD);
        tagType = wanted->tagType;
    } else {
        SetFormatTag(tag);
        const CConv2FileFormat reference = wanted->usePreset != 0 ? FromPreset(tag, *wanted, converter) : *wanted;
        preset = reference.preset;
        soundQuality = reference.soundQuality;
        if (source != nullptr) {
            nChannels = source->nChannels;
            nSamplesPerSec = source->nSamplesPerSec;
            nAvgBytesPerSec = source->nAvgBytesPerSec;
            nBlockAlign = source->nBlockAlign;
            wBitsPerSample = source->wBitsPerSample;
        }
        bitrate = 0;
        if (decoder != nullptr) {
            bitrate = decoder->bestBitRate / 1000;
            if (decoder->frequency != 0 && decoder->frequency != nSamplesPerSec) {
                nSamplesPerSec = decoder->frequency;
            }
        }
        tagType = info != nullptr ? info->tagType : TAG_TYPE_NONE;
        if (converter != nullptr) converter->MakeMostNaturalFormatCallback(this, source, decoder);
        if (quality == SOUND_QUALITY_CAPPED_SOURCE) {
            nChannels = std::min(nChannels, reference.nChannels);
            nSamplesPerSec = std::min(nSamplesPerSec, reference.nSamplesPerSec);
            wBitsPerSample = std::min(wBitsPerSample, reference.wBitsPerSample);
            if (converter != nullptr) converter->UserMaximumsCallback(this, &reference);
        }
        ValidateEx(converter);
    }
    if (quality != SOUND_QUALITY_USER) {
        privateBit = wanted->privateBit;
        copyrightBit = wanted->copyrightBit;
        originalBit = wanted->originalBit;
        crc = wanted->crc;
    }
    if (info != nullptr && info->copyrighted != 0) copyrightBit = info->copyrighted;
}
