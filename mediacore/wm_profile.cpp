#include "mediacore/wm_profile.h"

#include "mediacore/no_throw.h"
#include "mediacore/wide_text.h"

HRESULT CWMStreamConfig::QueryInterface(const GUID& iid, void** object) {
    IWMStreamConfig* config = this;
    IWMMediaProps* props = this;
    return AnswerQuery(iid, object, {{IID_IUnknown, config}, {IID_IWMStreamConfig, config}, {IID_IWMMediaProps, props}});
}

HRESULT CWMStreamConfig::GetStreamNumber(WORD* number) {
    if (number == nullptr) return E_POINTER;
    *number = number_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetStreamNumber(WORD number) {
    // Stream numbers of a file are 1 to 127.
    if (number < 1 || number > 127) return E_INVALIDARG;
    number_ = number;
    return S_OK;
}

HRESULT CWMStreamConfig::GetStreamName(WCHAR* name, WORD* length) { return CopyWideOut(streamName_, name, length); }

HRESULT CWMStreamConfig::SetStreamName(const WCHAR* name) {
    return NoThrow([&]() -> HRESULT {
        streamName_ = WideFromPointer(name);
        return S_OK;
    });
}

HRESULT CWMStreamConfig::GetConnectionName(WCHAR* name, WORD* length) {
    return CopyWideOut(connectionName_, name, length);
}

HRESULT CWMStreamConfig::SetConnectionName(const WCHAR* name) {
    return NoThrow([&]() -> HRESULT {
        connectionName_ = WideFromPointer(name);
        return S_OK;
    });
}

HRESULT CWMStreamConfig::GetBitrate(DWORD* bitsPerSecond) {
    if (bitsPerSecond == nullptr) return E_POINTER;
    *bitsPerSecond = bitrate_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetBitrate(DWORD bitsPerSecond) {
    bitrate_ = bitsPerSecond;
    return S_OK;
}

HRESULT CWMStreamConfig::GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) { return mediaType_.CopyOut(type, size); }

HRESULT CWMStreamConfig::SetMediaType(const WM_MEDIA_TYPE* type) {
    return NoThrow([&]() -> HRESULT {
        if (type == nullptr) return E_POINTER;
        if (!(type->majortype == streamType_)) return E_INVALIDARG;
        mediaType_.Assign(*type);
        return S_OK;
    });
}

CWMStreamConfig* CWMStreamConfig::Clone() const {
    auto* copy = new CWMStreamConfig(streamType_);
    copy->number_ = number_;
    copy->streamName_ = streamName_;
    copy->connectionName_ = connectionName_;
    copy->bitrate_ = bitrate_;
    copy->mediaType_ = mediaType_;
    return copy;
}

CWMProfile::~CWMProfile() {
    for (CWMStreamConfig* stream : streams_) stream->Release();
}

HRESULT CWMProfile::QueryInterface(const GUID& iid, void** object) {
    IWMProfile* profile = this;
    return AnswerQuery(iid, object, {{IID_IUnknown, profile}, {IID_IWMProfile, profile}});
}

HRESULT CWMProfile::GetVersion(WMT_VERSION* version) {
    if (version == nullptr) return E_POINTER;
    *version = version_;
    return S_OK;
}

HRESULT CWMProfile::GetName(WCHAR* name, DWORD* length) { return CopyWideOut(name_, name, length); }

HRESULT CWMProfile::SetName(const WCHAR* name) {
    return NoThrow([&]() -> HRESULT {
        name_ = WideFromPointer(name);
        return S_OK;
    });
}

HRESULT CWMProfile::GetStreamCount(DWORD* count) {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<DWORD>(streams_.size());
    return S_OK;
}

HRESULT CWMProfile::GetStream(DWORD index, IWMStreamConfig** config) {
    return NoThrow([&]() -> HRESULT {
        if (config == nullptr) return E_POINTER;
        *config = nullptr;
        if (index >= streams_.size()) return E_INVALIDARG;
        *config = streams_[index]->Clone();
        return S_OK;
    });
}

HRESULT CWMProfile::CreateNewStream(const GUID& streamType, IWMStreamConfig** config) {
    return NoThrow([&]() -> HRESULT {
        if (config == nullptr) return E_POINTER;
        *config = new CWMStreamConfig(streamType);
        return S_OK;
    });
}

HRESULT CWMProfile::AddStream(IWMStreamConfig* config) {
    return NoThrow([&]() -> HRESULT {
        // Only configurations this module made can join its profiles.
        auto* ours = dynamic_cast<CWMStreamConfig*>(config);
        if (ours == nullptr) return E_INVALIDARG;
        WORD number = 0;
        ours->GetStreamNumber(&number);
        for (CWMStreamConfig* stream : streams_) {
            WORD other = 0;
            stream->GetStreamNumber(&other);
            if (other == number) return E_INVALIDARG;
        }
        // Room first, so the copy cannot be lost to a failed push.
        streams_.reserve(streams_.size() + 1);
        streams_.push_back(ours->Clone());
        return S_OK;
    });
}
