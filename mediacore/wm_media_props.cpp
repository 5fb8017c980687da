#include "mediacore/wm_media_props.h"

#include <algorithm>
#include <cstring>

#include "mediacore/no_throw.h"

template <typename Interface>
HRESULT CWMMediaPropsOf<Interface>::SetMediaType(const WM_MEDIA_TYPE* type) {
    return NoThrow([&]() -> HRESULT {
        if (type == nullptr) return E_POINTER;
        type_.Assign(*type);
        return S_OK;
    });
}

template class CWMMediaPropsOf<IWMInputMediaProps>;
template class CWMMediaPropsOf<IWMOutputMediaProps>;

CMediaType PcmMediaType(const WAVEFORMATEX& format) {
    WAVEFORMATEX head = format;
    head.cbSize = 0;
    WM_MEDIA_TYPE record{};
    record.majortype = WMMEDIATYPE_Audio;
    record.subtype = WMMEDIASUBTYPE_PCM;
    record.bFixedSizeSamples = 1;
    record.bTemporalCompression = 0;
    record.lSampleSize = head.nBlockAlign;
    record.formattype = WMFORMAT_WaveFormatEx;
    record.cbFormat = sizeof head;
    record.pbFormat = reinterpret_cast<BYTE*>(&head);
    CMediaType type;
    type.Assign(record);
    return type;
}

HRESULT ReadWaveFormat(IWMMediaProps* props, WAVEFORMATEX& format, std::vector<BYTE>* extra) {
    return NoThrow([&]() -> HRESULT {
        if (props == nullptr) return E_POINTER;
        DWORD size = 0;
        HRESULT hr = props->GetMediaType(nullptr, &size);
        if (FAILED(hr)) return hr;
        if (size < sizeof(WM_MEDIA_TYPE)) return E_INVALIDARG;
        // Room for the record and its format bytes, aligned for the record.
        std::vector<std::uint64_t> room((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
        auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(room.data());
        hr = props->GetMediaType(type, &size);
        if (FAILED(hr)) return hr;
        if (!(type->majortype == WMMEDIATYPE_Audio) || !(type->formattype == WMFORMAT_WaveFormatEx) ||
            type->pbFormat == nullptr || type->cbFormat < sizeof(WAVEFORMATEX)) {
            return E_INVALIDARG;
        }
        std::memcpy(&format, type->pbFormat, sizeof format);
        if (extra != nullptr) {
            // The extra bytes are those the record carries, whatever cbSize claims.
            const std::size_t present = std::min<std::size_t>(format.cbSize, type->cbFormat - sizeof(WAVEFORMATEX));
            extra->assign(type->pbFormat + sizeof(WAVEFORMATEX), type->pbFormat + sizeof(WAVEFORMATEX) + present);
        }
        return S_OK;
    });
}
