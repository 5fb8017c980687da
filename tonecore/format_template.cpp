#include "tonecore/format_template.h"

#include <cctype>
#include <cstring>

bool FormatTemplateFits(const char* text, std::string_view conversions) {
    if (text == nullptr) return false;
    std::size_t next = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
        while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        if (*p == '.') {
            ++p;
            while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        }
        if (next >= conversions.size() || *p != conversions[next]) return false;
        ++next;
    }
    return next == conversions.size();
}
