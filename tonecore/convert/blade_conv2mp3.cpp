#include "tonecore/convert/blade_conv2mp3.h"

#include <algorithm>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/mp3_format_rules.h"

namespace {

// The encoder makes only MPEG-1, whose lowest rate is 32000 Hz: lower rates
// are doubled or quadrupled into its range.
std::uint32_t RaiseToMPEG1Rate(std::uint32_t rate) {
    if (rate < 16000) return rate * 4;
    if (rate < 32000) return rate * 2;
    return rate;
}

}  // namespace

CBladeConv2MP3::CBladeConv2MP3() {
    encoder_ = MP3_ENCODER_BLADE;
    capabilities_ = kCanMPEG1;
    capabilities2_ = kCanDualChannel;
}

void CBladeConv2MP3::MakeMostNaturalFormatCallback(CConv2FileFormat* f, const WAVEFORMATEX* source,
                                                   const TSourceDecoder* decoder) {
    CConv2MP3::MakeMostNaturalFormatCallback(f, source, decoder);
    if (f == nullptr) return;
    const std::uint32_t rate = f->nSamplesPerSec;
    const bool mono = f->mode == kMP3ModeMono;
    // The usual bitrate of each rate band; mono streams take half.
    std::int32_t natural = 0;
    if (rate < 16000) {
        natural = 32;
    } else if (rate < 32000) {
        natural = rate == 16000 ? 64 : 96;
    } else {
        natural = rate == 32000 ? 128 : 192;
    }
    if (mono && rate >= 16000) natural /= 2;
    f->nSamplesPerSec = RaiseToMPEG1Rate(rate);
    f->bitrate = f->bitrate != 0 ? FindMostNaturalMPEG1BitRate(f->bitrate) : natural;
}

void CBladeConv2MP3::UserMaximumsCallback(CConv2FileFormat* t, const CConv2FileFormat* m) {
    CConv2MP3::UserMaximumsCallback(t, m);
    if (t == nullptr || m == nullptr) return;
    t->mpegVersion = kMPEGVersion1;
    t->bitrate = FindMostNaturalMPEG1BitRate(std::min(t->bitrate, m->bitrate));
    t->nSamplesPerSec = RaiseToMPEG1Rate(t->nSamplesPerSec);
}

void CBladeConv2MP3::UpdateSettingsAfterEncoderChange(CConv2FileFormat* f) {
    if (f == nullptr) return;
    f->mpegVersion = kMPEGVersion1;
    f->bitrate = FindMostNaturalMPEG1BitRate(f->bitrate);
    f->nSamplesPerSec = RaiseToMPEG1Rate(f->nSamplesPerSec);
    CConv2MP3::UpdateSettingsAfterEncoderChange(f);
}

bool CBladeConv2MP3::ValidateFormat(CConv2FileFormat* f) {
    if (f == nullptr || !IsMPEGVersionBitRate(kMPEGVersion1, f->bitrate)) return false;
    return CConv2MP3::ValidateFormat(f);
}

void CBladeConv2MP3::SetupConfig(const CConv2FileFormat* target, const WAVEFORMATEX* /*source*/) {
    TEncoderConfigMP3& record = Config()->mp3;
    record.configKind = kEncoderConfigMP3;
    record.sampleRate = target->nSamplesPerSec;
    record.mode = static_cast<std::uint8_t>(target->mode);
    record.bitrate = static_cast<std::uint16_t>(target->bitrate);
    record.privateBit = target->privateBit;
    record.crc = target->crc;
    record.copyright = target->copyrightBit;
    record.original = target->originalBit;
}
