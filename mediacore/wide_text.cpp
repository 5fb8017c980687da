#include "mediacore/wide_text.h"

std::u16string WideFromPointer(const WCHAR* text) { return text == nullptr ? std::u16string() : std::u16string(text); }
