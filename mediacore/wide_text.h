#pragma once
// Wide (UTF-16) text as the interfaces pass it: terminated arrays in, and
// out through a caller's buffer whose size in characters travels beside it.

#include <limits>
#include <string>

#include "mediacore/errors.h"
#include "mediacore/wm_types.h"

// The characters before the terminator; empty for null.
std::u16string WideFromPointer(const WCHAR* text);

// Copies text and its terminator into out. out null, or *length too small:
// *length becomes the characters needed (terminator included) and the result
// is S_OK for the size query, MEDIACORE_E_BUFFER_TOO_SMALL otherwise.
template <typename Length>
HRESULT CopyWideOut(const std::u16string& text, WCHAR* out, Length* length) {
    if (length == nullptr) return E_POINTER;
    if (text.size() + 1 > std::numeric_limits<Length>::max()) return E_UNEXPECTED;
    const auto needed = static_cast<Length>(text.size() + 1);
    if (out == nullptr) {
        *length = needed;
        return S_OK;
    }
    if (*length < needed) {
        *length = needed;
        return MEDIACORE_E_BUFFER_TOO_SMALL;
    }
    text.copy(out, text.size());
    out[text.size()] = 0;
    *length = needed;
    return S_OK;
}
