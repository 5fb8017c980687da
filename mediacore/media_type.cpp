#include "mediacore/media_type.h"

#include <cstring>

#include "mediacore/errors.h"

void CMediaType::Assign(const WM_MEDIA_TYPE& type) {
    record_ = type;
    record_.pUnk = nullptr;
    if (type.pbFormat != nullptr) {
        format_.assign(type.pbFormat, type.pbFormat + type.cbFormat);
    } else {
        format_.clear();
    }
    record_.cbFormat = static_cast<ULONG>(format_.size());
    record_.pbFormat = nullptr;
}

HRESULT CMediaType::CopyOut(WM_MEDIA_TYPE* type, DWORD* size) const {
    if (size == nullptr) return E_POINTER;
    const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + format_.size());
    if (type == nullptr) {
        *size = needed;
        return S_OK;
    }
    if (*size < needed) {
        *size = needed;
        return MEDIACORE_E_BUFFER_TOO_SMALL;
    }
    *type = record_;
    BYTE* formatBytes = reinterpret_cast<BYTE*>(type) + sizeof(WM_MEDIA_TYPE);
    if (!format_.empty()) std::memcpy(formatBytes, format_.data(), format_.size());
    type->pbFormat = format_.empty() ? nullptr : formatBytes;
    *size = needed;
    return S_OK;
}
