#pragma once
// The sample buffer handed between the application and a reader or writer:
// bytes of a fixed capacity and the length in use.

#include <vector>

#include "mediacore/com_object.h"

class CNSSBuffer final : public CComObject<INSSBuffer> {
public:
    // A buffer of capacity bytes, all in use.
    explicit CNSSBuffer(std::size_t capacity) : bytes_(capacity), length_(static_cast<DWORD>(capacity)) {}
    // A buffer that takes over bytes, all in use.
    explicit CNSSBuffer(std::vector<BYTE>&& bytes) : bytes_(std::move(bytes)), length_(static_cast<DWORD>(bytes_.size())) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        INSSBuffer* buffer = this;
        return AnswerQuery(iid, object, {{IID_IUnknown, buffer}, {IID_INSSBuffer, buffer}});
    }
    HRESULT GetBufferAndLength(BYTE** buffer, DWORD* length) override {
        if (buffer == nullptr || length == nullptr) return E_POINTER;
        *buffer = bytes_.data();
        *length = length_;
        return S_OK;
    }
    HRESULT SetLength(DWORD length) override {
        if (length > bytes_.size()) return E_INVALIDARG;
        length_ = length;
        return S_OK;
    }

private:
    std::vector<BYTE> bytes_;
    DWORD length_;
};
