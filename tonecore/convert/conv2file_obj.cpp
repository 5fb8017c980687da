#include "tonecore/convert/conv2file_obj.h"

#include <cstring>
#include <string_view>

#include "platform/types.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/convert/sound_source.h"

CConv2FileObj::CConv2FileObj(const CConv2FileObj& other)
    : CFileObj(other),
      conversionType_(other.conversionType_),
      formatType_(other.formatType_),
      defaultExt_(other.defaultExt_) {}

int CConv2FileObj::Create(const char* path, CConv2FileFormat* /*target*/, const WAVEFORMATEX* /*source*/) {
    return CFileObj::Create(path);
}

int CConv2FileObj::Create(const char* path, CConv2FileFormat* target, CPCMSound* sound) {
    WAVEFORMATEX format{};
    if (sound == nullptr || sound->GetFormat(&format) == 0) return 0;
    return Create(path, target, &format);
}

std::int64_t CConv2FileObj::WriteStreamData(const void* /*pcm*/, std::int64_t /*bytes*/, std::int64_t* accepted) {
    if (accepted != nullptr) *accepted = 0;
    return -1;
}

std::int64_t CConv2FileObj::EndWriteStream() { return -1; }

std::int64_t CConv2FileObj::FinalData(const char* /*path*/, const char* /*software*/, int* done,
                                      TMusicInfo* /*info*/) {
    if (done != nullptr) *done = 0;
    return -1;
}

void CConv2FileObj::GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                                        _tSoundQualityTypedef quality) {
    if (target == nullptr) return;
    if (preset == -1) {
        const TConversionTypeRow* row = ConversionTypeRow(GetConversionType());
        preset = row != nullptr ? row->defaultPreset : 0;
    }
    if (tag != TAG_TYPE_KEEP) target->tagType = tag;
    if (quality != SOUND_QUALITY_KEEP) target->SetSoundQuality(quality);
    target->preset = preset;
}

void CConv2FileObj::GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* /*target*/) {
    if (out != nullptr && size > 0) out[0] = '\0';
}

void CConv2FileObj::GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted,
                                    const WAVEFORMATEX* source, const TMusicInfo* info,
                                    const TSourceDecoder* decoder) {
    if (target == nullptr) return;
    target->SmartCopy(static_cast<std::uint16_t>(GetFormatType()), wanted, source, this, info, decoder);
}

void CConv2FileObj::GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted, CPCMSound* sound) {
    if (target == nullptr || sound == nullptr) return;
    TSoundSource source;
    DescribeSoundSource(*sound, source);
    GetTargetFormat(target, wanted, source.format, sound->GetMusicInfo(), source.decoder);
}

double CConv2FileObj::GetBytesToWrite(CConv2FileFormat* /*target*/, const WAVEFORMATEX* /*source*/,
                                      double /*milliseconds*/) {
    return 0.0;
}

void CConv2FileObj::MakeMostNaturalFormatCallback(CConv2FileFormat* /*format*/, const WAVEFORMATEX* /*source*/,
                                                  const TSourceDecoder* /*decoder*/) {}

void CConv2FileObj::UserMaximumsCallback(CConv2FileFormat* /*target*/, const CConv2FileFormat* /*maximums*/) {}

bool CConv2FileObj::ValidateFormat(CConv2FileFormat* /*format*/) { return false; }

std::int64_t CConv2FileObj::WriteTag(const char* /*path*/, const char* /*text*/, TMusicInfo* /*info*/,
                                     CFileObj* /*source*/) {
    return 0;
}

std::int64_t CConv2FileObj::WriteTag(const char* path, const char* text, CPCMSound* sound) {
    if (sound == nullptr) return 0;
    return WriteTag(path, text, sound->GetMusicInfo(), dynamic_cast<CFileObj*>(sound->GetRefObj()));
}

void CConv2FileObj::CreateDefaultTagTitleString(const char* path, char* out) {
    if (out == nullptr) return;
    out[0] = '\0';
    if (path == nullptr) return;
    const char* slash = std::strrchr(path, '/');
    const std::string_view name = slash != nullptr ? slash + 1 : path;
    // A leading dot names a hidden file, not an extension.
    const std::size_t dot = name.rfind('.');
    const std::string_view title = dot != std::string_view::npos && dot > 0 ? name.substr(0, dot) : name;
    if (title.size() >= static_cast<std::size_t>(MAX_PATH)) return;
    std::memcpy(out, title.data(), title.size());
    out[title.size()] = '\0';
}
