#pragma once
// Filling a record's fixed text field in tests (and in the crash writer):
// the bytes as given, cut at the field's last byte, the rest zero.

#include <algorithm>
#include <cstring>
#include <string_view>

namespace svtest {

template <std::size_t N>
void FillText(char (&field)[N], std::string_view text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N));
}

}  // namespace svtest
