#pragma once
// Small helpers over the module's interfaces for the tests and the
// benchmark (no test framework here): owning interface pointers, reading a
// media type's format, setting a writer's PCM input, pulling every sample.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "mediacore/wm_interfaces.h"

namespace mediatest {

// Releases an interface when its owner goes, failed test or not, so that no
// reader thread outlives what it calls.
struct TReleaseInterface {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using TOwned = std::unique_ptr<Interface, TReleaseInterface>;

// The WAVEFORMATEX of a media type (zeros when it cannot be read).
inline WAVEFORMATEX WaveFormatOf(IWMMediaProps* props) {
    WAVEFORMATEX format{};
    DWORD size = 0;
    if (props == nullptr || FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE)) return format;
    std::vector<std::uint64_t> room((size + 7) / 8);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(room.data());
    if (SUCCEEDED(props->GetMediaType(type, &size)) && type->pbFormat != nullptr && type->cbFormat >= sizeof format) {
        std::memcpy(&format, type->pbFormat, sizeof format);
    }
    return format;
}

// Sets the writer's input 0 to an audio type of this tag, rate, channels and
// bits (block and byte rate left 0 for the writer to work out).
inline HRESULT SetPcmInput(IWMWriter* writer, WORD tag, DWORD rate, WORD channels, WORD bits) {
    IWMInputMediaProps* props = nullptr;
    HRESULT hr = writer->GetInputProps(0, &props);
    if (FAILED(hr)) return hr;
    WAVEFORMATEX format{tag, channels, rate, 0, 0, bits, 0};
    WM_MEDIA_TYPE type{};
    type.majortype = WMMEDIATYPE_Audio;
    type.subtype = WaveFormatSubtype(tag);
    type.formattype = WMFORMAT_WaveFormatEx;
    type.cbFormat = sizeof format;
    type.pbFormat = reinterpret_cast<BYTE*>(&format);
    hr = props->SetMediaType(&type);
    if (SUCCEEDED(hr)) hr = writer->SetInputProps(0, props);
    props->Release();
    return hr;
}

// Calls take(bytes, length, time, duration) for every sample the pulling
// reader gives; the result that ended the pulling (NS_E_NO_MORE_SAMPLES at
// the end of the song).
template <typename Take>
HRESULT PullSamples(IWMSyncReader* sync, Take take) {
    for (;;) {
        INSSBuffer* sample = nullptr;
        QWORD time = 0, duration = 0;
        const HRESULT hr = sync->GetNextSample(0, &sample, &time, &duration, nullptr, nullptr, nullptr);
        if (hr != S_OK) return hr;
        BYTE* bytes = nullptr;
        DWORD length = 0;
        sample->GetBufferAndLength(&bytes, &length);
        take(bytes, length, time, duration);
        sample->Release();
    }
}

}  // namespace mediatest
