#pragma once
// The profile objects the module builds: a named, versioned list of stream
// configurations, each with its number, names, bitrate and media type.

#include <string>
#include <vector>

#include "mediacore/com_object.h"
#include "mediacore/media_type.h"

class CWMStreamConfig final : public CComObject<IWMStreamConfig, IWMMediaProps> {
public:
    explicit CWMStreamConfig(const GUID& streamType) : streamType_(streamType) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override;

    HRESULT GetStreamNumber(WORD* number) override;
    HRESULT SetStreamNumber(WORD number) override;
    HRESULT GetStreamName(WCHAR* name, WORD* length) override;
    HRESULT SetStreamName(const WCHAR* name) override;
    HRESULT GetConnectionName(WCHAR* name, WORD* length) override;
    HRESULT SetConnectionName(const WCHAR* name) override;
    HRESULT GetBitrate(DWORD* bitsPerSecond) override;
    HRESULT SetBitrate(DWORD bitsPerSecond) override;

    HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override;
    HRESULT SetMediaType(const WM_MEDIA_TYPE* type) override;

    // A new object with the same settings.
    CWMStreamConfig* Clone() const;

private:
    GUID streamType_;
    WORD number_ = 0;
    std::u16string streamName_;
    std::u16string connectionName_;
    DWORD bitrate_ = 0;
    CMediaType mediaType_;
};

class CWMProfile final : public CComObject<IWMProfile> {
public:
    explicit CWMProfile(WMT_VERSION version) : version_(version) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override;

    HRESULT GetVersion(WMT_VERSION* version) override;
    HRESULT GetName(WCHAR* name, DWORD* length) override;
    HRESULT SetName(const WCHAR* name) override;
    HRESULT GetStreamCount(DWORD* count) override;
    HRESULT GetStream(DWORD index, IWMStreamConfig** config) override;
    HRESULT CreateNewStream(const GUID& streamType, IWMStreamConfig** config) override;
    HRESULT AddStream(IWMStreamConfig* config) override;

private:
    ~CWMProfile() override;

    WMT_VERSION version_;
    std::u16string name_;
    std::vector<CWMStreamConfig*> streams_;  // one reference each
};
