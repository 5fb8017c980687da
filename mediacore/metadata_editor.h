#pragma once
// The metadata editor: opens an ASF file's header, lists and sets its
// file-level attributes (IWMHeaderInfo), and saves by rewriting the file
// through a temporary file beside it.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "mediacore/asf_header.h"
#include "mediacore/com_object.h"

class CMetadataEditor final : public CComObject<IWMMetadataEditor, IWMHeaderInfo> {
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override;

    // Protected (encrypted) files are refused with MEDIACORE_E_PROTECTED.
    HRESULT Open(const WCHAR* path) override;
    HRESULT Close() override;
    // Saves when something was set, then closes. On failure the file is as
    // it was and the editor stays open.
    HRESULT Flush() override;

    HRESULT GetAttributeCount(WORD stream, WORD* count) override;
    HRESULT GetAttributeByIndex(WORD index, WORD* stream, WCHAR* name, WORD* nameLength, WMT_ATTR_DATATYPE* type,
                                BYTE* value, WORD* valueLength) override;
    HRESULT SetAttribute(WORD stream, const WCHAR* name, WMT_ATTR_DATATYPE type, const BYTE* value,
                         WORD length) override;

private:
    void CloseLocked();

    // Guards everything below: the interfaces may be called from any thread.
    std::mutex lock_;
    bool open_ = false;
    std::string path_;
    std::vector<std::uint8_t> headerBytes_;
    std::uint64_t fileSize_ = 0;
    TAsfHeader header_;
    bool changed_ = false;
    bool extensionChanged_ = false;
};
