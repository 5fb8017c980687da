#include "tonecore/convert/conv2wma_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/dynamic_module.h"
#include "platform/last_error.h"
#include "tonecore/load/wm_release.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/format_template.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/engine/tonecore_strings.h"
#include "tonecore/load/wma_errors.h"
#include "tonecore/convert/wma_rate_table.h"
#include "utilities/unicode.h"

namespace {

constexpr std::uint16_t kWmaFormatTag = 0x161;
constexpr std::uint64_t kUnitsPerSecond = 10000000;  // 100-nanosecond units
// What the settings text may hold, and its built-in form when the keyed
// text file's template does not take a bitrate, kilohertz with their rest
// and the channel word.
constexpr int kSettingsTemplateBytes = 128;
constexpr const char* kBuiltInSettings = "WMA %d kbps, %d.%03d kHz, %s";
// The peak resolution a song is measured with (no peaks are built).
constexpr std::int32_t kMeasureMsPerPeak = 20;
// The encoder offers the target: a listed bitrate, at a rate of the table,
// with channels the rate's row allows and a bitrate within its range for
// them.
bool WmaRowOffers(const CConv2FileFormat& f) {
    const std::span<const std::int32_t> bitrates = WMABitRates();
    if (std::find(bitrates.begin(), bitrates.end(), f.bitrate) == bitrates.end()) return false;
    const int index = WMARateRowIndex(static_cast<std::int32_t>(f.nSamplesPerSec));
    if (index < 0 || (f.nChannels != 1 && f.nChannels != 2)) return false;
    const TWMARateRow& row = WMARateRows()[static_cast<std::size_t>(index)];
    if ((row.channelRule == kWMAMonoOnly && f.nChannels != 1) ||
        (row.channelRule == kWMAStereoOnly && f.nChannels != 2)) {
        return false;
    }
    return f.bitrate >= row.Min(f.nChannels) && f.bitrate <= row.Max(f.nChannels);
}

template <typename Fn>
bool Bind(void* module, Fn& fn, const char* name) {
    fn = module != nullptr ? reinterpret_cast<Fn>(GetModuleSymbol(module, name)) : nullptr;
    return fn != nullptr;
}

// Profile failures the module reports are passed on; any other code
// becomes the writer's.
void KeepProfileError() {
    const std::uint32_t code = GetLastError();
    if (code < TONECORE_ERR_WMA_PROFILE_FIRST || code > TONECORE_ERR_WMA_PROFILE_LAST) {
        SetLastError(TONECORE_ERR_WMA_WRITER);
    }
}

}  // namespace

CConv2WmaFile::CConv2WmaFile() {
    conversionType_ = FILE_CONVERSION_WMA;
    formatType_ = kWmaFormatTag;
    defaultExt_ = "wma";
    tagType_ = TAG_TYPE_WMA_ATTRIBUTES;
}

CConv2WmaFile::~CConv2WmaFile() { Close(); }

int CConv2WmaFile::IsOpen() { return writer_ != nullptr ? 1 : 0; }

void CConv2WmaFile::Close() {
    CloseSaving();
}

bool CConv2WmaFile::CloseSaving() {
    ReleaseInterface(headerInfo_);
    if (writer_ != nullptr) writer_->Flush();
    ReleaseInterface(writer_);
    // The editor's changes reach the file only with its flush.
    bool saved = true;
    if (editor_ != nullptr) {
        saved = editor_->Flush() >= 0;
        editor_->Close();
    }
    ReleaseInterface(editor_);
    return saved;
}

bool CConv2WmaFile::GetEncoderDll() {
    void* module = LoadLibraryWMAEncoder();
    if (!Bind(module, createWriter_, "Marovelle_WMCreateWriter") ||
        !Bind(module, createEditor_, "Marovelle_WMCreateEditor") ||
        !Bind(module, generateProfile_, "Marovelle_GenerateProfile") ||
        !Bind(module, releaseProfile_, "Marovelle_ReleaseProfile")) {
        SetLastError(TONECORE_ERR_WMA_EXPORT_MISSING);
        return false;
    }
    return true;
}

int CConv2WmaFile::CreateFailed(std::uint32_t code) {
    Fail(code);
    return 0;
}

std::int64_t CConv2WmaFile::Fail(std::uint32_t code) {
    SetLastError(code);
    Close();
    return -1;
}

bool CConv2WmaFile::SetInputFormat(const WAVEFORMATEX* source) {
    IWMInputMediaProps* props = nullptr;
    if (writer_->GetInputProps(0, &props) < 0 || props == nullptr) return false;
    WAVEFORMATEX format = *source;
    WM_MEDIA_TYPE type{};
    type.majortype = WMMEDIATYPE_Audio;
    type.subtype = WMMEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = 1;
    type.bTemporalCompression = 0;
    type.lSampleSize = source->wBitsPerSample / 8;
    type.formattype = WMFORMAT_WaveFormatEx;
    type.cbFormat = sizeof(WAVEFORMATEX);
    type.pbFormat = reinterpret_cast<BYTE*>(&format);
    const bool set = props->SetMediaType(&type) >= 0 && writer_->SetInputProps(0, props) >= 0;
    props->Release();
    return set;
}

int CConv2WmaFile::Create(const char* path, CConv2FileFormat* target, const WAVEFORMATEX* source) {
    if (!GetEncoderDll()) return 0;
    if (path == nullptr || target == nullptr || source == nullptr || source->nAvgBytesPerSec == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    widePath_ = Utf8ToUtf16(path);
    if (widePath_.empty()) return 0;
    if (createWriter_(nullptr, &writer_, widePath_.c_str()) < 0 || writer_ == nullptr) {
        return CreateFailed(TONECORE_ERR_WMA_WRITER);
    }
    const ProfileRequest request{target->bitrate * 1000, kWmaFormatTag,
                                 static_cast<std::int32_t>(target->nSamplesPerSec), target->nChannels};
    IWMProfile* profile = nullptr;
    if (generateProfile_(&request, &profile) < 0 || profile == nullptr) {
        KeepProfileError();
        Close();
        return 0;
    }
    const HRESULT set = writer_->SetProfile(profile);
    releaseProfile_(&profile);
    if (set < 0 || !SetInputFormat(source)) return CreateFailed(TONECORE_ERR_WMA_WRITER);

    bitrateKbps_ = target->bitrate;
    sourceBytesPerSec_ = source->nAvgBytesPerSec;
    targetBytesPerSec_ = bitrateKbps_ * 125.0;
    desiredBufferSize_ = static_cast<std::int32_t>(target->nAvgBytesPerSec);
    msWritten_ = 0;
    estimatedBytes_ = 0;
    sourceBytesWritten_ = 0;
    const HRESULT begun = writer_->BeginWriting();
    if (begun < 0) {
        return CreateFailed(begun == E_OUTOFMEMORY ? TONECORE_ERR_OUT_OF_MEMORY : TONECORE_ERR_WMA_WRITER);
    }
    protect_ = target->copyrightBit;
    return 1;
}

std::int64_t CConv2WmaFile::WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) {
    if (accepted != nullptr) *accepted = 0;
    if (writer_ == nullptr) return -1;
    if (pcm == nullptr || bytes <= 0) return 0;
    INSSBuffer* sample = nullptr;
    BYTE* buffer = nullptr;
    DWORD room = 0;
    const auto asked = static_cast<DWORD>(std::min<std::int64_t>(bytes, UINT32_MAX));
    if (writer_->AllocateSample(asked, &sample) < 0 || sample == nullptr ||
        sample->GetBufferAndLength(&buffer, &room) < 0) {
        ReleaseInterface(sample);
        writer_->EndWriting();
        return Fail(TONECORE_ERR_WMA_WRITER);
    }
    const DWORD n = std::min(asked, room);
    std::memcpy(buffer, pcm, n);
    // The sample's time comes from all bytes handed over before it, so
    // blocks of any size leave no gaps between their times.
    const auto before = static_cast<std::uint64_t>(sourceBytesWritten_);
    const auto time = static_cast<QWORD>(static_cast<double>(before) * kUnitsPerSecond / sourceBytesPerSec_);
    if (sample->SetLength(n) < 0 || writer_->WriteSample(0, time, 0, sample) < 0) {
        ReleaseInterface(sample);
        writer_->EndWriting();
        return Fail(TONECORE_ERR_WMA_WRITER);
    }
    sample->Release();
    sourceBytesWritten_ += n;
    const auto after = static_cast<double>(sourceBytesWritten_);
    msWritten_ = static_cast<std::int32_t>(std::floor(after * 1000.0 / sourceBytesPerSec_));
    const auto estimateBefore = static_cast<std::int64_t>(std::floor(static_cast<double>(before) *
                                                                      targetBytesPerSec_ / sourceBytesPerSec_));
    const auto estimateAfter = static_cast<std::int64_t>(std::floor(after * targetBytesPerSec_ / sourceBytesPerSec_));
    estimatedBytes_ = static_cast<std::int32_t>(estimateAfter);
    if (accepted != nullptr) *accepted = n;
    return estimateAfter - estimateBefore;
}

std::int64_t CConv2WmaFile::EndWriteStream() {
    if (writer_ == nullptr) return -1;
    return writer_->EndWriting() >= 0 ? 0 : -1;
}

std::int64_t CConv2WmaFile::FinalData(const char* /*path*/, const char* /*software*/, int* done,
                                      TMusicInfo* /*info*/) {
    if (done != nullptr) *done = 1;
    return 0;
}

void CConv2WmaFile::GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                                        _tSoundQualityTypedef quality) {
    if (target == nullptr) return;
    CConv2FileObj::GetFormatFromPreset(target, preset, tag, quality);
    ::GetFormatFromPreset(target, target->preset, static_cast<_tTagTypedef>(target->tagType));
}

void GetFormatFromPreset(CConv2FileFormat* format, std::int32_t preset, _tTagTypedef tag) {
    const TWMAPreset* row = WMAPreset(preset);
    if (format == nullptr || row == nullptr) return;
    format->bitrate = row->bitrate;
    format->nSamplesPerSec = static_cast<std::uint32_t>(row->rate);
    format->nChannels = static_cast<std::uint16_t>(row->channels);
    format->wBitsPerSample = 16;
    format->CalcBlockAlignNAvgBytesPerSec();
    if (tag != TAG_TYPE_KEEP) format->tagType = tag;
}

void WMATargetFormatString(const CConv2FileFormat* target, char* out, std::int32_t size) {
    if (out == nullptr || size <= 0) return;
    out[0] = '\0';
    if (target == nullptr) return;
    char pattern[kSettingsTemplateBytes];
    ToneCoreLoadString("IDS_WMA_FORMAT_DESC", pattern, sizeof pattern);
    // The template comes from an editable file: only these conversions may
    // be asked of it.
    const char* use = FormatTemplateFits(pattern, "ddds") ? pattern : kBuiltInSettings;
    char channels[64];
    ToneCoreLoadString(target->nChannels == 1 ? "IDS_MONO_CB_ITEM" : "IDS_STEREO_CB_ITEM", channels,
                       sizeof channels);
    const auto rate = static_cast<int>(target->nSamplesPerSec);
    std::snprintf(out, static_cast<std::size_t>(size), use, static_cast<int>(target->bitrate), rate / 1000,
                  rate % 1000, channels);
    if (target->copyrightBit != 0) {
        char flag[kSettingsTemplateBytes];
        ToneCoreLoadString("IDS_WMA_DRM_SET", flag, sizeof flag);
        const std::size_t used = std::strlen(out);
        if (used + 1 < static_cast<std::size_t>(size)) {
            std::snprintf(out + used, static_cast<std::size_t>(size) - used, "%s", flag);
        }
    }
}

void CConv2WmaFile::GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* target) {
    WMATargetFormatString(target, out, size);
}

void CConv2WmaFile::GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted,
                                    const WAVEFORMATEX* source, const TMusicInfo* info,
                                    const TSourceDecoder* decoder) {
    if (target == nullptr || wanted == nullptr) return;
    CConv2FileFormat fitted = *wanted;
    fitted.tagType = fitted.tagType > 0 ? TAG_TYPE_WMA_ATTRIBUTES : TAG_TYPE_NONE;
    tagType_ = fitted.tagType;
    CConv2FileObj::GetTargetFormat(target, &fitted, source, info, decoder);
}

double CConv2WmaFile::GetBytesToWrite(CConv2FileFormat* target, const WAVEFORMATEX* /*source*/,
                                      double milliseconds) {
    if (target == nullptr) return 0.0;
    if (milliseconds < 0.0) {
        // No length given: the song this object is open on is measured,
        // through a stream of its own (this object's IsOpen speaks of the
        // writer).
        if (CFileObj::IsOpen() == 0) return 0.0;
        CFileObj song;
        CInitialLoad load;
        if (song.Open(FilePath(), 0, 0) != 1 ||
            load.DoInitialLoad(&song, 0, 0, 0, 0, kMeasureMsPerPeak, nullptr, nullptr) != 1) {
            return 0.0;
        }
        milliseconds = load.Length();
    }
    return static_cast<double>(target->bitrate) * milliseconds / 8.0;
}

void CConv2WmaFile::MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* /*source*/,
                                                  const TSourceDecoder* /*decoder*/) {
    if (format == nullptr) return;
    if (format->tagType != TAG_TYPE_NONE && format->tagType != TAG_TYPE_WMA_ATTRIBUTES) {
        format->tagType = TAG_TYPE_WMA_ATTRIBUTES;
    }
    format->nSamplesPerSec = static_cast<std::uint32_t>(NaturalWMARate(static_cast<std::int32_t>(format->nSamplesPerSec)));
    // 0 stays: it asks for the rate's default bitrate.
    if (format->bitrate != 0) format->bitrate = FindMostNaturalWMABitRate(format->bitrate);
    MakeMostNaturalWMABitrateFromC2FFSettings(format);
}

void CConv2WmaFile::UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums) {
    if (target == nullptr || maximums == nullptr) return;
    target->wBitsPerSample = 16;
    if (maximums->tagType == TAG_TYPE_NONE) target->tagType = TAG_TYPE_NONE;
    target->bitrate = FindMostNaturalWMABitRate(std::min(target->bitrate, maximums->bitrate));
    MakeMostNaturalWMABitrateFromC2FFSettings(target);
}

bool CConv2WmaFile::ValidateFormat(CConv2FileFormat* format) {
    // Checks only: fitting a target to what the encoder offers is the format
    // callbacks' work, and a target that does not fit is refused unchanged.
    if (format == nullptr || format->wFormatTag != kWmaFormatTag) return false;
    if (!WmaRowOffers(*format)) return false;
    if (format->usePreset != 0 && WMAPreset(format->preset) == nullptr) return false;
    if (format->tagType != TAG_TYPE_NONE && format->tagType != TAG_TYPE_WMA_ATTRIBUTES)
        return false;
    if (format->soundQuality < SOUND_QUALITY_FOLLOW_SOURCE || format->soundQuality > SOUND_QUALITY_CAPPED_SOURCE) {
        return false;
    }
    if (format->cbSize != CConv2FileFormat::kExtensionBytes) return false;
    format->wBitsPerSample = 16;
    return format->Validate();
}

const WAVEFORMATEX* CConv2WmaFile::GetAvailableOutputFormats() {
    if (!codecFormatsRead_) {
        codecFormatsRead_ = true;
        PFN_GenerateCodecList list = nullptr;
        std::uint32_t count = 0;
        if (GetEncoderDll() && Bind(LoadLibraryWMAEncoder(), list, "Marovelle_GenerateCodecList") &&
            list(nullptr, &count) >= 0 && count > 0) {
            codecFormats_.resize(count);
            WAVEFORMATEX* formats = codecFormats_.data();
            if (list(&formats, &count) < 0) count = 0;
            codecFormats_.resize(std::min<std::size_t>(count, codecFormats_.size()));
        }
    }
    return codecFormats_.empty() ? nullptr : codecFormats_.data();
}

std::uint32_t CConv2WmaFile::NumAvailableOutputFormats() {
    GetAvailableOutputFormats();
    return static_cast<std::uint32_t>(codecFormats_.size());
}
