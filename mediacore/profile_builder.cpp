#include "mediacore/profile_builder.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "mediacore/errors.h"
#include "mediacore/wm_profile.h"
#include "platform/last_error.h"

namespace {

bool IsCandidate(const WAVEFORMATEX& head, const ProfileRequest& request) {
    return IsWithinBitrateWindow(head.nAvgBytesPerSec, request.bitsPerSecond) &&
           static_cast<std::int64_t>(head.nSamplesPerSec) == request.samplesPerSec &&
           static_cast<std::int32_t>(head.nChannels) == request.channels &&
           static_cast<std::int32_t>(head.wFormatTag) == request.formatTag;
}

// The winner's WAVEFORMATEX with its extra bytes, as a media type's format.
std::vector<BYTE> FormatBytes(const TCodecFormat& format) {
    std::vector<BYTE> bytes(sizeof(WAVEFORMATEX) + format.extra.size());
    WAVEFORMATEX head = format.head;
    head.cbSize = static_cast<std::uint16_t>(format.extra.size());
    std::memcpy(bytes.data(), &head, sizeof head);
    if (!format.extra.empty()) std::memcpy(bytes.data() + sizeof head, format.extra.data(), format.extra.size());
    return bytes;
}

// Adds the stream of the chosen format to the profile.
HRESULT AddAudioStream(IWMProfile& profile, const TCodecFormat& format) {
    std::vector<BYTE> formatBytes = FormatBytes(format);
    WM_MEDIA_TYPE type{};
    type.majortype = WMMEDIATYPE_Audio;
    type.subtype = WaveFormatSubtype(format.head.wFormatTag);
    type.bFixedSizeSamples = 1;
    type.bTemporalCompression = 0;
    type.lSampleSize = format.head.nBlockAlign;
    type.formattype = WMFORMAT_WaveFormatEx;
    type.pUnk = nullptr;
    type.cbFormat = static_cast<ULONG>(formatBytes.size());
    type.pbFormat = formatBytes.data();

    IWMStreamConfig* config = nullptr;
    HRESULT hr = profile.CreateNewStream(WMMEDIATYPE_Audio, &config);
    if (FAILED(hr)) return hr;
    IWMMediaProps* props = nullptr;
    if (SUCCEEDED(hr)) hr = config->SetStreamNumber(1);
    if (SUCCEEDED(hr)) hr = config->SetStreamName(u"Audio Stream");
    if (SUCCEEDED(hr)) hr = config->SetConnectionName(u"Audio");
    if (SUCCEEDED(hr)) hr = config->SetBitrate(format.head.nAvgBytesPerSec * 8);
    if (SUCCEEDED(hr)) hr = config->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&props));
    if (SUCCEEDED(hr)) hr = props->SetMediaType(&type);
    if (props != nullptr) props->Release();
    if (SUCCEEDED(hr)) hr = profile.AddStream(config);
    config->Release();
    return hr;
}

}  // namespace

int SelectProfileFormat(std::span<const TCodecFormat> formats, const ProfileRequest& request) {
    int winner = -1;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (!IsCandidate(formats[i].head, request)) continue;
        // ">=": of equal alignments the later format wins.
        if (winner < 0 || formats[i].head.nBlockAlign >= formats[static_cast<std::size_t>(winner)].head.nBlockAlign) {
            winner = static_cast<int>(i);
        }
    }
    return winner;
}

HRESULT BuildProfile(std::span<const TCodecFormat> formats, const ProfileRequest& request, IWMProfile** profile) {
    *profile = nullptr;
    const int winner = SelectProfileFormat(formats, request);
    if (winner < 0) {
        SetLastError(MEDIACORE_ERR_NO_PROFILE_FORMAT);
        return E_FAIL;
    }
    try {
        // Released on every way out unless handed to the caller.
        std::unique_ptr<CWMProfile, void (*)(CWMProfile*)> built(new CWMProfile(WMT_VER_7_0),
                                                                [](CWMProfile* p) { p->Release(); });
        HRESULT hr = built->SetName(u"Custom Profile");
        if (SUCCEEDED(hr)) hr = AddAudioStream(*built, formats[static_cast<std::size_t>(winner)]);
        if (FAILED(hr)) return hr;
        *profile = built.release();
        return S_OK;
    } catch (const std::bad_alloc&) {
        // No room for the media type or the profile: reported as no format.
        SetLastError(MEDIACORE_ERR_NO_PROFILE_FORMAT);
        return E_FAIL;
    }
}
