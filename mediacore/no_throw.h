#pragma once
// Interface methods and exports answer with result codes; nothing thrown
// inside (in practice only std::bad_alloc) may cross into the caller.

#include <new>

#include "mediacore/wm_types.h"

template <typename Body>
HRESULT NoThrow(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
