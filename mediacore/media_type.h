#pragma once
// A media type held by value: the record's fields and its own copy of the
// format bytes, handed out in the two-call form of IWMMediaProps.

#include <vector>

#include "mediacore/wm_types.h"

class CMediaType {
public:
    // Copies the record and cbFormat bytes of its format (none when pbFormat
    // is null).
    void Assign(const WM_MEDIA_TYPE& type);
    const WM_MEDIA_TYPE& Record() const { return record_; }
    const std::vector<BYTE>& Format() const { return format_; }
    // IWMMediaProps::GetMediaType over this type.
    HRESULT CopyOut(WM_MEDIA_TYPE* type, DWORD* size) const;

private:
    WM_MEDIA_TYPE record_{};
    std::vector<BYTE> format_;
};
