#include "songsmith/app/version_numbers.h"

#include <algorithm>

namespace {

// Nine digits always fit 32 bits.
constexpr std::size_t kMaxDigits = 9;

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

bool ParseDottedVersion(std::string_view text, TVersionNumbers& numbers) {
    text = TrimBlanks(text);
    TVersionNumbers parsed;
    bool anyNonZero = false;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > kMaxDigits) return false;
        std::uint32_t value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<std::uint32_t>(c - '0');
        }
        anyNonZero = anyNonZero || value != 0;
        parsed.push_back(value);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    if (!anyNonZero) return false;
    numbers = std::move(parsed);
    return true;
}

int CompareVersionNumbers(const TVersionNumbers& a, const TVersionNumbers& b) {
    const std::size_t count = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t left = i < a.size() ? a[i] : 0;
        const std::uint32_t right = i < b.size() ? b[i] : 0;
        if (left != right) return left < right ? -1 : 1;
    }
    return 0;
}

TVersionNumbers ProgramVersionNumbers() {
#if defined(SONGSMITH_VERSION_MAJOR)
    return {SONGSMITH_VERSION_MAJOR, SONGSMITH_VERSION_MINOR, SONGSMITH_VERSION_PATCH, SONGSMITH_VERSION_TWEAK};
#else
    return {};
#endif
}
