// How CConv2MP3 fits target formats to its encoder: presets, the format
// callbacks of CConv2FileFormat, validation and the size estimate.
#include <algorithm>
#include <new>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/convert/mp3_format_rules.h"

namespace {

// A joint-stereo or dual-channel mode the encoder cannot make becomes
// plain stereo.
void KeepSupportedMode(const CConv2MP3& conv, CConv2FileFormat* f) {
    if ((f->mode == kMP3ModeJointStereo && !conv.SupportsJStereo()) ||
        (f->mode == kMP3ModeDualChannel && !conv.SupportsDualChannel())) {
        f->mode = kMP3ModeStereo;
    }
}

bool ValidTagType(std::int32_t tagType) { return tagType >= TAG_TYPE_NONE && tagType <= TAG_TYPE_ID3V2; }

// The reserve of a tag type when the song brings no size of its own.
std::int32_t DefaultTagReserve(std::int32_t tagType) {
    switch (tagType) {
        case TAG_TYPE_ID3V1:
            return 128;
        case TAG_TYPE_ID3V2:
            return static_cast<std::int32_t>(CId3TagV2::kSizeStep);
        default:
            return 0;
    }
}

}  // namespace

std::int32_t CConv2MP3::FirstSupportedPreset() const {
    for (std::int32_t p = 1; p <= kMP3PresetCount; ++p) {
        if (SupportsMPEGVersion(MP3Preset(p)->mpegVersion)) return p;
    }
    return 0;
}

std::int32_t CConv2MP3::LastSupportedPreset() const {
    for (std::int32_t p = kMP3PresetCount; p >= 1; --p) {
        if (SupportsMPEGVersion(MP3Preset(p)->mpegVersion)) return p;
    }
    return 0;
}

void CConv2MP3::GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                                    _tSoundQualityTypedef quality) {
    CConv2FileObj::GetFormatFromPreset(target, preset, tag, quality);
    if (target == nullptr) return;
    const TMP3Preset* row = MP3Preset(target->preset);
    if (row == nullptr) return;
    target->enableVBR = 0;
    target->enableABR = 0;
    target->mpegVersion = row->mpegVersion;
    target->bitrate = row->bitrate;
    target->minBitrate = row->minBitrate;
    target->maxBitrate = row->maxBitrate;
    target->vbrQuality = row->vbrQuality;
    target->abrBitrate = row->bitrate;
    target->nSamplesPerSec = static_cast<std::uint32_t>(row->rate);
    target->mode = row->mode;
    target->nChannels = static_cast<std::uint16_t>(row->channels);
    target->wBitsPerSample = 16;
    target->CalcBlockAlignNAvgBytesPerSec();
    KeepSupportedMode(*this, target);
}

void CConv2MP3::GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* target) {
    MakeSettingsString(target, true, out, size);
}

void CConv2MP3::GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted,
                                const WAVEFORMATEX* source, const TMusicInfo* info, const TSourceDecoder* decoder) {
    if (target == nullptr || wanted == nullptr) return;
    if (wanted->soundQuality == SOUND_QUALITY_USER && source != nullptr) {
        // The user's settings at the source's rate, as near as the encoder
        // comes to it.
        CConv2FileFormat atSourceRate = *wanted;
        atSourceRate.nSamplesPerSec = source->nSamplesPerSec;
        UpdateSettingsAfterEncoderChange(&atSourceRate);
        CConv2FileObj::GetTargetFormat(target, &atSourceRate, source, info, decoder);
    } else {
        CConv2FileObj::GetTargetFormat(target, wanted, source, info, decoder);
    }
    if (!ValidTagType(target->tagType)) target->tagType = TAG_TYPE_ID3V2;
    tagType_ = target->tagType;
    tagReserve_ = info != nullptr && info->tagSize > 0 ? info->tagSize : DefaultTagReserve(tagType_);
}

double CConv2MP3::GetBitrateForBytesToWrite(const CConv2FileFormat* f) {
    if (f->enableVBR != 0 && SupportsVBR()) {
        if (f->enableABR != 0 && SupportsABR()) return f->abrBitrate;
        return f->minBitrate + (95 - 10 * f->vbrQuality) * (f->maxBitrate - f->minBitrate) / 100;
    }
    return f->bitrate;
}

std::int32_t CConv2MP3::FitToOpenSong(CConv2FileFormat* fitted, const CConv2FileFormat* wanted) {
    if (IsOpen() == 0 || Seek(0, 0) == 0) return -1;
    CPCMSound* sound = new (std::nothrow) CPCMSound();
    if (sound == nullptr) return -1;
    std::int32_t lengthMs = -1;
    // A short buffer and coarse peaks: only the song's format, information
    // and length are wanted.
    if (sound->InitialLoad(this, 2000, 0, 0, 0, 0, 20, nullptr, nullptr) == 1) {
        ACMObject* acm = sound->GetACMObj();
        WAVEFORMATEX played{};
        sound->GetFormat(&played);
        const WAVEFORMATEX* source = acm != nullptr && acm->GetSrcFormat() != nullptr ? acm->GetSrcFormat() : &played;
        TSourceDecoder decoder;
        if (acm != nullptr) {
            decoder.object = acm;
            decoder.bestBitRate = acm->GetBestBitRate();
            decoder.frequency = static_cast<std::uint32_t>(acm->GetFrequency());
        }
        GetTargetFormat(fitted, wanted, source, sound->GetMusicInfo(), acm != nullptr ? &decoder : nullptr);
        lengthMs = sound->Length(0);
    }
    CAudioAtom* atom = sound;
    DeleteAtom(&atom);
    return lengthMs;
}

double CConv2MP3::GetBytesToWrite(CConv2FileFormat* target, const WAVEFORMATEX* source, double milliseconds) {
    if (target == nullptr) return 0.0;
    CConv2FileFormat fitted(WAVE_FORMAT_PCM);
    if (milliseconds >= 0 && source != nullptr && target->soundQuality == SOUND_QUALITY_USER) {
        GetTargetFormat(&fitted, target, source, nullptr, nullptr);
    } else {
        // Fitted to the song file this converter is open on.
        const std::int32_t lengthMs = FitToOpenSong(&fitted, target);
        if (lengthMs < 0) return 0.0;
        if (milliseconds < 0) milliseconds = lengthMs;
    }
    double tagBytes = tagReserve_;
    if (tagType_ == TAG_TYPE_ID3V2) {
        const CId3TagV2 tag(static_cast<std::uint32_t>(tagReserve_));
        tagBytes = static_cast<double>(tag.Size()) + tagReserve_;
    }
    return GetBitrateForBytesToWrite(&fitted) * milliseconds * 0.125 + tagBytes;
}

void CConv2MP3::MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* /*source*/,
                                              const TSourceDecoder* /*decoder*/) {
    if (format == nullptr) return;
    format->mode = format->nChannels == 1 ? kMP3ModeMono : kMP3ModeStereo;
    if (!ValidTagType(format->tagType)) format->tagType = TAG_TYPE_ID3V2;
}

void CConv2MP3::UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums) {
    if (target == nullptr || maximums == nullptr) return;
    target->wBitsPerSample = 16;
    target->mode = std::max(target->mode, maximums->mode);
    target->nChannels = ChannelsForMP3Mode(target->mode);
    if (target->tagType != TAG_TYPE_NONE) {
        if (maximums->tagType == TAG_TYPE_NONE) target->tagType = TAG_TYPE_NONE;
        if (maximums->tagType == TAG_TYPE_ID3V1) target->tagType = TAG_TYPE_ID3V1;
    }
}

void CConv2MP3::UpdateSettingsAfterEncoderChange(CConv2FileFormat* f) {
    if (f == nullptr) return;
    KeepSupportedMode(*this, f);
    f->nChannels = ChannelsForMP3Mode(f->mode);
    f->nSamplesPerSec = static_cast<std::uint32_t>(
        FitRateToMPEGVersion(f->mpegVersion, static_cast<std::int32_t>(f->nSamplesPerSec)));
    f->CalcBlockAlignNAvgBytesPerSec();
    const std::int32_t first = FirstSupportedPreset();
    const std::int32_t last = LastSupportedPreset();
    if (first != 0) f->preset = std::clamp(f->preset, first, last);
}

bool CConv2MP3::ValidateFormat(CConv2FileFormat* f) {
    if (f == nullptr || f->wFormatTag != WAVE_FORMAT_MPEGLAYER3 || !ValidTagType(f->tagType)) return false;
    const bool modeOk = f->mode == kMP3ModeStereo || f->mode == kMP3ModeMono ||
                        (f->mode == kMP3ModeJointStereo && SupportsJStereo()) ||
                        (f->mode == kMP3ModeDualChannel && SupportsDualChannel());
    if (!modeOk) return false;
    if (f->usePreset != 0 && MP3Preset(f->preset) == nullptr) return false;
    if (f->soundQuality != SOUND_QUALITY_USER && f->soundQuality != SOUND_QUALITY_CAPPED_SOURCE) return false;
    if (f->cbSize != CConv2FileFormat::kExtensionBytes) return false;
    if (!SupportsMPEGVersion(f->mpegVersion)) return false;
    f->nSamplesPerSec = static_cast<std::uint32_t>(
        FitRateToMPEGVersion(f->mpegVersion, static_cast<std::int32_t>(f->nSamplesPerSec)));
    if (f->usePreset != 0 && !SupportsMPEGVersion(MP3Preset(f->preset)->mpegVersion)) return false;
    f->wBitsPerSample = 16;
    f->nChannels = ChannelsForMP3Mode(f->mode);
    return f->Validate();
}
