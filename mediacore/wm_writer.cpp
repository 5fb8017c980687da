#include "mediacore/wm_writer.h"

#include "mediacore/codec_catalogue.h"
#include "mediacore/errors.h"
#include "mediacore/no_throw.h"
#include "mediacore/ns_buffer.h"
#include "mediacore/wm_media_props.h"
#include "utilities/unicode.h"

namespace {

WAVEFORMATEX Pcm(DWORD rate, WORD channels, WORD bits) {
    const auto block = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

}  // namespace

HRESULT CWMWriter::QueryInterface(const GUID& iid, void** object) {
    IWMWriter* writer = this;
    return AnswerQuery(iid, object, {{IID_IUnknown, writer}, {IID_IWMWriter, writer}});
}

HRESULT CWMWriter::SetProfile(IWMProfile* profile) {
    return NoThrow([&]() -> HRESULT {
        if (profile == nullptr) return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(lock_);
        if (encoder_.IsWriting()) return NS_E_INVALID_REQUEST;
        IWMStreamConfig* config = nullptr;
        HRESULT hr = profile->GetStream(0, &config);
        if (FAILED(hr)) return hr;
        void* props = nullptr;
        hr = config->QueryInterface(IID_IWMMediaProps, &props);
        config->Release();
        if (FAILED(hr)) return hr;
        WAVEFORMATEX target{};
        hr = ReadWaveFormat(static_cast<IWMMediaProps*>(props), target, nullptr);
        static_cast<IWMMediaProps*>(props)->Release();
        if (FAILED(hr)) return hr;
        if (target.wFormatTag != WAVE_FORMAT_WMAUDIO2 && target.wFormatTag != WAVE_FORMAT_WMAUDIO1) {
            return MEDIACORE_E_FORMAT;
        }
        target_ = target;
        input_ = Pcm(target.nSamplesPerSec, target.nChannels, 16);
        haveProfile_ = true;
        return S_OK;
    });
}

HRESULT CWMWriter::SetOutputFilename(const WCHAR* path) {
    return NoThrow([&]() -> HRESULT {
        if (path == nullptr || *path == 0) return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(lock_);
        if (encoder_.IsWriting()) return NS_E_INVALID_REQUEST;
        path_ = Utf16ToUtf8(std::u16string_view(path));
        return S_OK;
    });
}

HRESULT CWMWriter::GetInputProps(DWORD input, IWMInputMediaProps** props) {
    return NoThrow([&]() -> HRESULT {
        if (props == nullptr) return E_POINTER;
        *props = nullptr;
        std::lock_guard<std::mutex> guard(lock_);
        if (input != 0) return E_INVALIDARG;
        if (!haveProfile_) return NS_E_INVALID_REQUEST;
        *props = new CWMInputMediaProps(PcmMediaType(input_));
        return S_OK;
    });
}

HRESULT CWMWriter::SetInputProps(DWORD input, IWMInputMediaProps* props) {
    return NoThrow([&]() -> HRESULT {
        if (props == nullptr) return E_POINTER;
        if (input != 0) return E_INVALIDARG;
        WAVEFORMATEX format{};
        const HRESULT hr = ReadWaveFormat(props, format, nullptr);
        if (FAILED(hr)) return hr;
        std::lock_guard<std::mutex> guard(lock_);
        if (!haveProfile_ || encoder_.IsWriting()) return NS_E_INVALID_REQUEST;
        // The block and byte rate follow from the rest; the caller's are not trusted.
        const WAVEFORMATEX pcm = Pcm(format.nSamplesPerSec, format.nChannels, format.wBitsPerSample);
        if (format.wFormatTag != WAVE_FORMAT_PCM || !CWmaEncoder::AcceptsInput(pcm)) return MEDIACORE_E_FORMAT;
        input_ = pcm;
        return S_OK;
    });
}

HRESULT CWMWriter::BeginWriting() {
    return NoThrow([&]() -> HRESULT {
        std::lock_guard<std::mutex> guard(lock_);
        if (!haveProfile_ || path_.empty() || encoder_.IsWriting()) return NS_E_INVALID_REQUEST;
        return encoder_.Begin(path_, target_, input_);
    });
}

HRESULT CWMWriter::EndWriting() {
    return NoThrow([&]() -> HRESULT {
        std::lock_guard<std::mutex> guard(lock_);
        return encoder_.End();
    });
}

HRESULT CWMWriter::AllocateSample(DWORD size, INSSBuffer** sample) {
    return NoThrow([&]() -> HRESULT {
        if (sample == nullptr) return E_POINTER;
        *sample = new CNSSBuffer(size);
        return S_OK;
    });
}

HRESULT CWMWriter::WriteSample(DWORD input, QWORD /*sampleTime*/, DWORD /*flags*/, INSSBuffer* sample) {
    return NoThrow([&]() -> HRESULT {
        if (sample == nullptr) return E_POINTER;
        if (input != 0) return E_INVALIDARG;
        BYTE* bytes = nullptr;
        DWORD length = 0;
        const HRESULT hr = sample->GetBufferAndLength(&bytes, &length);
        if (FAILED(hr)) return hr;
        std::lock_guard<std::mutex> guard(lock_);
        return encoder_.Write(std::span<const BYTE>(bytes, length));
    });
}

HRESULT CWMWriter::Flush() {
    return NoThrow([&]() -> HRESULT {
        std::lock_guard<std::mutex> guard(lock_);
        return encoder_.IsWriting() ? encoder_.Flush() : S_OK;
    });
}
