#include "tonecore/convert/lame_conv2mp3.h"

#include <algorithm>

#include "platform/dynamic_module.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/mp3_format_rules.h"

namespace {

// Each bitrate of a format on the version's list.
void SnapBitRates(CConv2FileFormat* f) {
    const std::span<const std::int32_t> list = MPEGVersionBitRates(f->mpegVersion);
    f->bitrate = FindMostNaturalBitRate(list, f->bitrate);
    f->maxBitrate = FindMostNaturalBitRate(list, f->maxBitrate);
    f->minBitrate = FindMostNaturalBitRate(list, f->minBitrate);
}

// The highest bitrates of the lower-rate versions' list.
constexpr std::int32_t kMPEG2XTopBitrate = 160;
constexpr std::int32_t kMPEG2XTopMinimum = 128;
// The range VBR falls back to when a cap leaves none.
constexpr std::int32_t kFallbackMinimum = 96;
constexpr std::int32_t kFallbackMaximum = 160;
// The lowest maximum and minimum MPEG-1 VBR allows: its list's two lowest.
constexpr std::int32_t kMPEG1LowestMaximum = 40;
constexpr std::int32_t kMPEG1LowestMinimum = 32;

// The version a capped target takes from the user's maximum: MPEG-2.5 always
// wins; MPEG-2 replaces MPEG-1.
std::int32_t CappedVersion(std::int32_t own, std::int32_t maximum) {
    if (maximum == kMPEGVersion2_5) return kMPEGVersion2_5;
    if (own == kMPEGVersion1 && maximum == kMPEGVersion2) return kMPEGVersion2;
    return own;
}

void CapVbrRange(CConv2FileFormat* t, const CConv2FileFormat& m) {
    if (m.enableVBR != 0) {
        t->maxBitrate = std::min(t->maxBitrate, m.maxBitrate);
        t->minBitrate = std::min(t->minBitrate, m.minBitrate);
        if (m.enableABR != 0) {
            t->abrBitrate = std::min(t->abrBitrate, m.abrBitrate);
        } else {
            t->vbrQuality = std::max(t->vbrQuality, m.vbrQuality);
        }
    } else {
        t->maxBitrate = std::min(t->maxBitrate, m.bitrate);
        t->minBitrate = std::min(t->minBitrate, m.bitrate);
        t->abrBitrate = std::min(t->abrBitrate, m.bitrate);
    }
    if (t->minBitrate >= t->maxBitrate) {
        t->enableVBR = 0;
        t->enableABR = 0;
        t->minBitrate = kFallbackMinimum;
        t->maxBitrate = kFallbackMaximum;
    }
}

}  // namespace

CLameConv2MP3::CLameConv2MP3() {
    encoder_ = MP3_ENCODER_LAME;
    capabilities_ = kCanVBR | kCanVBRHeader | kCanVBRQuality | kCanABR | kCanMPEG1 | kCanMPEG2 | kCanMPEG2_5 |
                    kCanJointStereo;
    capabilities2_ = kCanDualChannel;
}

bool CLameConv2MP3::BindEntryPoints(void* module) {
    if (!CConv2MP3::BindEntryPoints(module)) return false;
    writeVbrHeader_ = reinterpret_cast<PFN_beWriteVBRHeader>(GetModuleSymbol(module, "beWriteVBRHeader"));
    return writeVbrHeader_ != nullptr;
}

bool CLameConv2MP3::AfterStreamFinished(const char* path) {
    // The result is not used: a file without its VBR header still plays.
    if (writeVbrHeader_ != nullptr && path != nullptr) writeVbrHeader_(path);
    return true;
}

void CLameConv2MP3::MakeMostNaturalFormatCallback(CConv2FileFormat* f, const WAVEFORMATEX* source,
                                                  const TSourceDecoder* decoder) {
    CConv2MP3::MakeMostNaturalFormatCallback(f, source, decoder);
    if (f == nullptr) return;
    f->reSampleRate = 0;
    f->psyModel = 0;
    f->emphasis = 0;
    f->enableVBR = 0;
    f->enableABR = 0;
    const std::uint32_t rate = f->nSamplesPerSec;
    // The usual bitrate of each rate band; mono streams take half.
    std::int32_t natural = 0;
    if (rate < 16000) {
        f->mpegVersion = kMPEGVersion2_5;
        natural = rate == 8000 ? 16 : 32;
    } else if (rate < 32000) {
        f->mpegVersion = kMPEGVersion2;
        natural = rate == 16000 ? 64 : 96;
    } else {
        f->mpegVersion = kMPEGVersion1;
        natural = rate == 32000 ? 128 : 192;
    }
    if (f->mode == kMP3ModeMono) natural /= 2;
    if (f->bitrate == 0) {
        f->bitrate = natural;
    } else {
        FindMostNaturalBitRates(MPEGVersionBitRates(f->mpegVersion), &f->maxBitrate, &f->minBitrate,
                                &f->abrBitrate, &f->bitrate);
    }
}

void CLameConv2MP3::UserMaximumsCallback(CConv2FileFormat* t, const CConv2FileFormat* m) {
    CConv2MP3::UserMaximumsCallback(t, m);
    if (t == nullptr || m == nullptr) return;
    const std::int32_t version = CappedVersion(t->mpegVersion, m->mpegVersion);
    if (t->mpegVersion == kMPEGVersion1 && version != kMPEGVersion1) {
        t->bitrate = std::min(t->bitrate, kMPEG2XTopBitrate);
        t->maxBitrate = std::min(t->maxBitrate, kMPEG2XTopBitrate);
        t->minBitrate = std::min(t->minBitrate, kMPEG2XTopMinimum);
    }
    t->mpegVersion = version;
    if (t->enableVBR != 0) {
        CapVbrRange(t, *m);
    } else {
        t->bitrate = std::min(t->bitrate, m->enableVBR != 0 ? m->maxBitrate : m->bitrate);
    }
    SnapBitRates(t);
    if (version == kMPEGVersion2 && t->nSamplesPerSec >= 32000) {
        t->nSamplesPerSec /= 2;
    } else if (version == kMPEGVersion2_5) {
        if (t->nSamplesPerSec >= 32000) {
            t->nSamplesPerSec /= 4;
        } else if (t->nSamplesPerSec >= 16000) {
            t->nSamplesPerSec /= 2;
        }
    }
    KeepABRInsideRange(t);
}

void CLameConv2MP3::UpdateSettingsAfterEncoderChange(CConv2FileFormat* f) {
    if (f == nullptr) return;
    if (f->mpegVersion == kMPEGVersion1) {
        f->maxBitrate = std::max(f->maxBitrate, kMPEG1LowestMaximum);
        f->minBitrate = std::max(f->minBitrate, kMPEG1LowestMinimum);
        f->bitrate = FindMostNaturalMPEG1BitRate(f->bitrate);
    } else {
        f->maxBitrate = std::min(f->maxBitrate, kMPEG2XTopBitrate);
        f->minBitrate = std::min(f->minBitrate, kMPEG2XTopMinimum);
        f->bitrate = FindMostNaturalMPEG2XBitRate(f->bitrate);
    }
    KeepABRInsideRange(f);
    CConv2MP3::UpdateSettingsAfterEncoderChange(f);
}

bool CLameConv2MP3::ValidateFormat(CConv2FileFormat* f) {
    if (f == nullptr || MPEGVersionBitRates(f->mpegVersion).empty()) return false;
    if (!IsMPEGVersionBitRate(f->mpegVersion, f->bitrate) || !IsMPEGVersionBitRate(f->mpegVersion, f->minBitrate) ||
        !IsMPEGVersionBitRate(f->mpegVersion, f->maxBitrate)) {
        return false;
    }
    if (!CConv2MP3::ValidateFormat(f)) return false;
    if (f->vbrQuality < 0 || f->vbrQuality > 9) return false;
    return f->minBitrate < f->abrBitrate && f->abrBitrate < f->maxBitrate;
}

void CLameConv2MP3::SetupConfig(const CConv2FileFormat* target, const WAVEFORMATEX* source) {
    TEncoderConfigLame& r = Config()->lame;
    const bool vbr = target->enableVBR != 0;
    const bool abr = vbr && target->enableABR != 0;
    r.configKind = kEncoderConfigLame;
    r.structVersion = kLameConfigVersion;
    r.structSize = kEncoderConfigBytes;
    r.sampleRate = source->nSamplesPerSec;
    r.reSampleRate = target->nSamplesPerSec;
    r.mode = target->mode;
    r.bitrate = static_cast<std::uint32_t>(vbr ? target->minBitrate : target->bitrate);
    r.maxBitrate = vbr ? static_cast<std::uint32_t>(target->maxBitrate) : 0;
    r.preset = -1;
    r.mpegVersion = target->mpegVersion;
    r.psyModel = target->psyModel;
    r.emphasis = target->emphasis;
    r.privateBit = target->privateBit;
    r.crc = target->crc;
    r.copyright = target->copyrightBit;
    r.original = target->originalBit;
    r.writeVBRHeader = vbr ? target->writeVBRHeader : 0;
    r.enableVBR = target->enableVBR;
    r.vbrQuality = target->vbrQuality;
    r.abrBitrateBps = abr ? static_cast<std::uint32_t>(target->abrBitrate) * 1000 : 0;
    r.vbrMethod = abr ? ENCODER_VBR_ABR : vbr ? ENCODER_VBR_MTRH : ENCODER_VBR_NONE;
    r.noReservoir = target->noReservoir;
}
