// WMAObject::LoadInfo: the song's output format, its attributes (length, bit
// rate, texts) and its data window, read once for the initial load.

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "filekit/ref_obj.h"
#include "mediacore/wm_interfaces.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/load/wma_attribute_fields.h"
#include "tonecore/load/wma_errors.h"
#include "tonecore/load/wma_object.h"

namespace {

constexpr std::uint16_t kWmaFormatTag = 0x161;
// Room asked for each attribute: names of 1024 characters, values of 512
// bytes (a longer value is skipped, as a failing one is).
constexpr WORD kNameChars = 1024;
constexpr WORD kValueBytes = 512;

std::uint64_t QwordOf(const BYTE* value, WORD length) {
    std::uint64_t result = 0;
    for (int i = std::min<int>(length, 8) - 1; i >= 0; --i) result = (result << 8) | value[i];
    return result;
}

}  // namespace

bool WMAObject::TakeOutputFormat() {
    DWORD outputs = 0;
    if (reader_->GetOutputCount(&outputs) < 0) return false;
    if (outputs == 0) {
        SetLastError(TONECORE_ERR_WMA_NO_AUDIO_OUTPUT);
        return false;
    }
    IWMOutputMediaProps* props = nullptr;
    if (reader_->GetOutputProps(0, &props) < 0 || props == nullptr) return false;
    DWORD size = 0;
    HRESULT result = props->GetMediaType(nullptr, &size);
    std::vector<std::uint8_t> bytes;
    if (result >= 0 && size >= sizeof(WM_MEDIA_TYPE)) {
        bytes.resize(size);
        result = props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(bytes.data()), &size);
    } else if (result >= 0) {
        result = E_FAIL;
    }
    props->Release();
    if (result < 0) return false;
    const auto* type = reinterpret_cast<const WM_MEDIA_TYPE*>(bytes.data());
    if (!(type->majortype == WMMEDIATYPE_Audio) || !(type->formattype == WMFORMAT_WaveFormatEx) ||
        type->pbFormat == nullptr || type->cbFormat < sizeof(WAVEFORMATEX)) {
        SetLastError(TONECORE_ERR_WMA_NO_AUDIO_OUTPUT);
        return false;
    }
    audioOutput_ = 0;
    WAVEFORMATEX destination{};
    std::memcpy(&destination, type->pbFormat, sizeof destination);
    ACMObject::SetDestFormat(&destination);
    return true;
}

bool WMAObject::ReadAttributes(TMusicInfo* info) {
    void* header = nullptr;
    if (reader_->QueryInterface(IID_IWMHeaderInfo, &header) < 0 || header == nullptr) return false;
    headerInfo_ = static_cast<IWMHeaderInfo*>(header);
    if (info != nullptr) info->copyrighted = 0;
    WORD count = 0;
    if (headerInfo_->GetAttributeCount(0, &count) < 0) return false;
    std::vector<WCHAR> name(kNameChars);
    std::vector<BYTE> value(kValueBytes);
    for (WORD index = 0; index < count; ++index) {
        WORD stream = 0;
        WORD nameLength = kNameChars;
        WORD valueLength = kValueBytes;
        WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
        if (headerInfo_->GetAttributeByIndex(index, &stream, name.data(), &nameLength, &type, value.data(),
                                             &valueLength) < 0) {
            continue;
        }
        std::u16string_view wide(name.data(), std::min<WORD>(nameLength, kNameChars));
        if (const std::size_t end = wide.find(u'\0'); end != std::u16string_view::npos) wide = wide.substr(0, end);
        valueLength = std::min(valueLength, kValueBytes);
        if (CompareWideStringsIgnoreCase(wide, u"Duration") == 0) {
            duration_ = QwordOf(value.data(), valueLength);
        } else if (CompareWideStringsIgnoreCase(wide, u"Bitrate") == 0) {
            SetBitRate(static_cast<std::int32_t>(QwordOf(value.data(), std::min<WORD>(valueLength, 4))));
        } else if (info != nullptr) {
            ApplyWmaAttribute(wide, type, std::span<const BYTE>(value.data(), valueLength), *info);
        }
    }
    ClampStatedDuration();
    // A file without a bit rate is sized by its bytes over its length, so
    // that no size of the song is 0 and nothing divides by it.
    if (GetBitRate() <= 0) SetBitRate(SizingBitRate());
    return true;
}

void WMAObject::ClampStatedDuration() {
    // The file's bytes at its bit rate, twice over (a header, a rate stated
    // a little low), is the longest it can play; a duration far past that is
    // a damaged or hostile header. The length the peak scan measures comes
    // from the decoded samples either way.
    constexpr std::uint64_t kSlack = 2;
    const std::int32_t bitRate = GetBitRate();
    if (bitRate <= 0 || fileBytes_ <= 0) return;
    const unsigned __int128 longestMs =
        static_cast<unsigned __int128>(fileBytes_) * 8 * 1000 * kSlack / static_cast<unsigned>(bitRate) + 1;
    const unsigned __int128 longest = longestMs * kUnitsPerMs;
    if (duration_ > longest) duration_ = static_cast<std::uint64_t>(longest);
}

void WMAObject::TakeSourceFormat() {
    WAVEFORMATEX* destination = GetDestFormat();
    ValidateFormat(destination, WAVE_FORMAT_PCM);
    SetFrequency(static_cast<std::int32_t>(destination->nSamplesPerSec));
    WAVEFORMATEX* source = GetSrcFormat();
    source->wFormatTag = kWmaFormatTag;
    source->nChannels = destination->nChannels;
    source->nSamplesPerSec = destination->nSamplesPerSec;
    source->nAvgBytesPerSec = static_cast<std::uint32_t>(GetBitRate() / 8);
    source->nBlockAlign = static_cast<std::uint16_t>(2 * destination->nChannels);
    source->wBitsPerSample = 16;
    source->cbSize = 0;
}

WAVEFORMATEX WMAObject::LoadStartFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = kWmaFormatTag;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 16000;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    return format;
}

bool WMAObject::LoadInfo(CRefObj* source, TMusicInfo* info) {
    if (!OpenReader(source)) {
        Close();
        return false;
    }
    if (!TakeOutputFormat() || !ReadAttributes(info)) {
        Close();
        return false;
    }
    if (source != nullptr) {
        if (!source->SetDataOffsets(0, GetDataSize())) {
            Close();
            return false;
        }
        source->SeekToData(0);
    }
    TakeSourceFormat();
    Close();
    return true;
}
