#include "platform/ascii_case.h"

#include <algorithm>

char AsciiToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char AsciiToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int AsciiCompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(AsciiToLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiToLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiCompareNoCase(a, b) == 0;
}

std::size_t AsciiFindNoCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        if (AsciiEqualNoCase(text.substr(i, needle.size()), needle)) return i;
    }
    return std::string_view::npos;
}
