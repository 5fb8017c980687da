// The module's six exports.
#include "mediacore/mediacore_exports.h"

#include <cstring>
#include <new>

#include "mediacore/codec_catalogue.h"
#include "mediacore/errors.h"
#include "mediacore/metadata_editor.h"
#include "mediacore/no_throw.h"
#include "mediacore/profile_builder.h"
#include "mediacore/wm_reader.h"
#include "mediacore/wm_writer.h"
#include "platform/last_error.h"

extern "C" {

HRESULT Marovelle_GenerateCodecList(WAVEFORMATEX** list, std::uint32_t* count) {
    if (count == nullptr) return E_INVALIDARG;
    return NoThrow([&]() -> HRESULT {
        const std::span<const TCodecFormat> formats = CodecCatalogue();
        if (list == nullptr) {
            *count = static_cast<std::uint32_t>(formats.size());
            return S_OK;
        }
        if (*count != 0 && *list == nullptr) return E_INVALIDARG;
        // Every entry of this catalogue is a WAVEFORMATEX. The count is the
        // caller's (how many slots it made after counting) and stays as it
        // is; slots beyond the catalogue are left as they were.
        std::uint32_t filled = 0;
        for (const TCodecFormat& format : formats) {
            if (filled >= *count) break;
            std::memcpy(reinterpret_cast<std::uint8_t*>(*list) + std::size_t{filled} * kCodecListEntryBytes,
                        &format.head, kCodecListEntryBytes);
            ++filled;
        }
        return S_OK;
    });
}

HRESULT Marovelle_WMCreateReader(IUnknown* /*certificate*/, DWORD /*rights*/, IWMReader** reader,
                                 IWMReaderAdvanced2** advanced) {
    if (reader == nullptr) return E_INVALIDARG;
    *reader = nullptr;
    if (advanced != nullptr) *advanced = nullptr;
    // The reader's constructor allocates too: NoThrow, not a nothrow new,
    // keeps its failure from leaving the module.
    return NoThrow([&]() -> HRESULT {
        CWMReader* made = new CWMReader();
        if (advanced != nullptr) {
            const HRESULT hr = made->QueryInterface(IID_IWMReaderAdvanced2, reinterpret_cast<void**>(advanced));
            if (FAILED(hr)) {
                made->Release();
                return hr;
            }
        }
        *reader = made;
        return S_OK;
    });
}

HRESULT Marovelle_WMCreateWriter(IUnknown* /*reserved*/, IWMWriter** writer, const WCHAR* path) {
    if (writer == nullptr) return E_INVALIDARG;
    *writer = nullptr;
    CWMWriter* made = new (std::nothrow) CWMWriter();
    if (made == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = made->SetOutputFilename(path);
    if (FAILED(hr)) {
        made->Release();
        return hr;
    }
    *writer = made;
    return S_OK;
}

HRESULT Marovelle_WMCreateEditor(IWMMetadataEditor** editor) {
    if (editor == nullptr) return E_INVALIDARG;
    *editor = new (std::nothrow) CMetadataEditor();
    return *editor != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT Marovelle_GenerateProfile(const ProfileRequest* request, IWMProfile** profile) {
    // A failure leaves a reason of this call, never one from an earlier call.
    SetLastError(ERROR_SUCCESS);
    if (request == nullptr || profile == nullptr) return E_INVALIDARG;
    *profile = nullptr;
    const HRESULT hr = NoThrow([&] { return BuildProfile(CodecCatalogue(), *request, profile); });
    // No memory for the catalogue: no format could be read.
    if (hr == E_OUTOFMEMORY) {
        SetLastError(MEDIACORE_ERR_NO_PROFILE_FORMAT);
        return E_FAIL;
    }
    return hr;
}

void Marovelle_ReleaseProfile(IWMProfile** profile) {
    if (profile == nullptr || *profile == nullptr) return;
    (*profile)->Release();
    *profile = nullptr;
}
}
