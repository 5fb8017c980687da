#include "tonecore/convert/conv2wave_file.h"

#include <new>
#include <vector>

#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conversion_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/tags/wave_info_list.h"

namespace {

bool SameLayout(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.wFormatTag == b.wFormatTag && a.nSamplesPerSec == b.nSamplesPerSec && a.nChannels == b.nChannels &&
           a.wBitsPerSample == b.wBitsPerSample;
}

bool IsWaveRate(std::uint32_t rate) { return rate == 11025 || rate == 22050 || rate == 44100; }

}  // namespace

CConv2WaveFile::CConv2WaveFile() : alias_(this) {
    conversionType_ = FILE_CONVERSION_WAV;
    formatType_ = WAVE_FORMAT_PCM;
    defaultExt_ = "wav";
}

CConv2WaveFile::~CConv2WaveFile() { CloseRiffWriter(); }

void CConv2WaveFile::CloseRiffWriter() { riff_.Close(); }

void CConv2WaveFile::Close() {
    CloseRiffWriter();
    CFileObj::Close();
}

int CConv2WaveFile::Create(const char* path, CConv2FileFormat* target, const WAVEFORMATEX* source) {
    CloseRiffWriter();
    if (target == nullptr || source == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (CFileObj::Create(path) == 0) return 0;
    source_ = *source;
    alias_.SetWriteMode(WriteMode());
    if (riff_.Create(&alias_, FourCC("WAVE")) == 0) return 0;
    target->MakeIntoWaveFormatEx(&target_);
    SetNeedToResample(SameLayout(source_, target_) ? 0 : 1);
    if (NeedToResample() != 0) {
        // Both sides must be PCM the engine's converter handles; there is no
        // other way to a WAV target.
        WAVEFORMATEX from = source_;
        WAVEFORMATEX to = target_;
        if (::ValidateFormat(&from, WAVE_FORMAT_PCM) == 0 || ::ValidateFormat(&to, WAVE_FORMAT_PCM) == 0) {
            SetLastError(TONECORE_ERR_UNSUPPORTED_FORMAT);
            return 0;
        }
        source_ = from;
        conversion_.Start(from, to);
    }
    if (riff_.WriteSubChunk(FourCC("fmt "), &target_, sizeof target_) == 0) return 0;
    return riff_.StartWriteStream(RIFF_ID_DATA) != 0 ? 1 : 0;
}

bool CConv2WaveFile::WriteData(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) return true;
    const auto wanted = static_cast<std::int64_t>(count);
    if (riff_.WriteStreamData(bytes, wanted) == wanted) return true;
    if (GetLastError() == ERROR_SUCCESS) SetLastError(TONECORE_ERR_SHORT_WRITE);
    return false;
}

std::int64_t CConv2WaveFile::WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) {
    if (accepted != nullptr) *accepted = 0;
    if (pcm == nullptr || bytes < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const auto* data = static_cast<const std::uint8_t*>(pcm);
    std::int64_t written = bytes;
    if (NeedToResample() == 0) {
        SetLastError(ERROR_SUCCESS);
        if (!WriteData(data, static_cast<std::size_t>(bytes))) return -1;
    } else {
        std::span<const std::uint8_t> produced;
        if (!conversion_.Convert(data, static_cast<std::size_t>(bytes), &produced)) {
            SetLastError(TONECORE_ERR_UNSUPPORTED_FORMAT);
            return -1;
        }
        SetLastError(ERROR_SUCCESS);
        if (!WriteData(produced.data(), produced.size())) return -1;
        written = static_cast<std::int64_t>(produced.size());
    }
    if (accepted != nullptr) *accepted = bytes;
    return written;
}

std::int64_t CConv2WaveFile::EndWriteStream() {
    std::int64_t added = 0;
    SetLastError(ERROR_SUCCESS);
    if (NeedToResample() != 0) {
        const std::span<const std::uint8_t> rest = conversion_.Finish();
        if (!WriteData(rest.data(), rest.size())) return -1;
        added += static_cast<std::int64_t>(rest.size());
    }
    if (GetWaveCDBlockAlign() != 0) {
        // The data is burned in whole sectors: zeros up to the next one.
        const std::int64_t partial = riff_.CurrentStreamDataCount() % kCDSectorBytes;
        if (partial != 0) {
            const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(kCDSectorBytes - partial), 0);
            if (!WriteData(zeros.data(), zeros.size())) return -1;
            added += static_cast<std::int64_t>(zeros.size());
        }
    }
    return riff_.EndWriteStream() != 0 ? added : -1;
}

std::int64_t CConv2WaveFile::FinalData(const char* /*path*/, const char* software, int* done, TMusicInfo* info) {
    return WriteWaveInfoList(riff_, software, done, info);
}

void CConv2WaveFile::GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                                         _tSoundQualityTypedef quality) {
    CConv2FileObj::GetFormatFromPreset(target, preset, tag, quality);
    if (target == nullptr) return;
    target->nSamplesPerSec = 44100;
    target->nChannels = 2;
    target->wBitsPerSample = 16;
    target->CalcBlockAlignNAvgBytesPerSec();
}

void CConv2WaveFile::GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* target) {
    if (out == nullptr || size <= 0) return;
    out[0] = '\0';
    if (target == nullptr) return;
    WAVEFORMATEX head{};
    target->MakeIntoWaveFormatEx(&head);
    SoundFormatToString(&head, out, static_cast<std::size_t>(size), nullptr);
}

void CConv2WaveFile::MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* /*source*/,
                                                   const TSourceDecoder* /*decoder*/) {
    if (format == nullptr) return;
    if (format->nSamplesPerSec >= 32000) {
        format->nSamplesPerSec = 44100;
    } else if (format->nSamplesPerSec < 16000) {
        format->nSamplesPerSec = 11025;
    } else {
        format->nSamplesPerSec = 22050;
    }
}

void CConv2WaveFile::UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* /*maximums*/) {
    MakeMostNaturalFormatCallback(target, nullptr, nullptr);
}

bool CConv2WaveFile::ValidateFormat(CConv2FileFormat* format) {
    if (format == nullptr || format->wFormatTag != WAVE_FORMAT_PCM || !IsWaveRate(format->nSamplesPerSec)) {
        return false;
    }
    if (format->usePreset != 0 && format->preset != 1) return false;
    const TConversionTypeRow* row = ConversionTypeRow(FILE_CONVERSION_WAV);
    const std::int32_t quality = format->soundQuality;
    if (quality < 0 || quality > 3 || row->soundQualityMap[quality] != quality) return false;
    if (format->cbSize != CConv2FileFormat::kExtensionBytes) return false;
    format->usePreset = quality == SOUND_QUALITY_CD ? 1 : 0;
    return format->Validate();
}

std::int64_t CConv2WaveFile::WriteTag(const char* /*path*/, const char* /*text*/, TMusicInfo* /*info*/,
                                      CFileObj* /*source*/) {
    return 0;
}

double CConv2WaveFile::GetBytesToWrite(CConv2FileFormat* target, const WAVEFORMATEX* /*source*/,
                                       double milliseconds) {
    // The fixed buffer and peak spacing of a load that only measures.
    constexpr std::int32_t kBufferMs = 2000;
    constexpr std::int32_t kMsPerPeak = 20;
    if (!IsOpen() || Seek(0, 0) == 0) return 0.0;
    CPCMSound* sound = new (std::nothrow) CPCMSound;
    if (sound == nullptr) return 0.0;
    CAudioAtom* atom = sound;
    double bytes = 0.0;
    if (sound->InitialLoad(this, kBufferMs, 0, 0, 0, 0, kMsPerPeak, nullptr, nullptr) != 0) {
        if (milliseconds < 0.0) milliseconds = sound->Length(0);
        CConv2FileFormat fitted(WAVE_FORMAT_PCM);
        GetTargetFormat(&fitted, target, sound);
        bytes = milliseconds * 0.001 * fitted.nAvgBytesPerSec;
    }
    DeleteAtom(&atom);
    return bytes;
}
