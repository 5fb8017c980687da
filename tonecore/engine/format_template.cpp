#include "tonecore/engine/format_template.h"

#include <cctype>
#include <cstring>

namespace {

// A width or precision of at most two digits: wider fields are no part of a
// line of text, and a huge one would have the formatting fill gigabytes.
constexpr int kMaxFieldDigits = 2;

// Steps over a run of digits; false when it is longer than a field may be.
bool SkipFieldDigits(const char*& p) {
    int digits = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        ++p;
        if (++digits > kMaxFieldDigits) return false;
    }
    return true;
}

}  // namespace

bool FormatTemplateFits(const char* text, std::string_view conversions) {
    if (text == nullptr) return false;
    std::size_t next = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
        if (!SkipFieldDigits(p)) return false;
        if (*p == '.') {
            ++p;
            if (!SkipFieldDigits(p)) return false;
        }
        if (next >= conversions.size() || *p != conversions[next]) return false;
        ++next;
    }
    return next == conversions.size();
}
