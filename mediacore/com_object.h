#pragma once
// The reference counting every object of the module shares. The count is
// atomic because the sound engine hands interfaces between its threads; the
// object deletes itself when the last reference goes.

#include <atomic>
#include <initializer_list>
#include <utility>

#include "mediacore/wm_interfaces.h"

template <typename... Interfaces>
class CComObject : public Interfaces... {
public:
    CComObject() = default;
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~CComObject() = default;

    // QueryInterface over a table of (identifier, interface) pairs; the
    // caller lists IID_IUnknown with the interface that stands for the object.
    HRESULT AnswerQuery(const GUID& iid, void** object, std::initializer_list<std::pair<GUID, IUnknown*>> table) {
        if (object == nullptr) return E_POINTER;
        for (const auto& [id, face] : table) {
            if (id == iid) {
                face->AddRef();
                *object = face;
                return S_OK;
            }
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<ULONG> refs_{1};
};
