#include "songsmith/library/tag_fields.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/utf8_prefix.h"

int YearListFirst() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return kYearListLast;
    return local.tm_year + 1900 + 1;
}

std::string_view CutToBuffer(std::string_view text, std::size_t bufferBytes) {
    if (bufferBytes == 0) return {};
    return text.substr(0, Utf8PrefixLength(text, bufferBytes - 1));
}

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

void CopyToField(std::string_view text, char* field, std::size_t fieldBytes) {
    if (field == nullptr || fieldBytes == 0) return;
    std::memset(field, 0, fieldBytes);
    const std::string_view kept = CutToBuffer(text, fieldBytes);
    // An empty text may have no bytes at all to copy from.
    if (!kept.empty()) std::memcpy(field, kept.data(), kept.size());
}

std::string_view FieldText(const char* field, std::size_t fieldBytes) {
    if (field == nullptr) return {};
    const void* end = std::memchr(field, '\0', fieldBytes);
    return {field, end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - field)
                                  : fieldBytes};
}

std::string YearText(int year) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", year);
    return text;
}

int YearFromText(std::string_view text) {
    // atoi's reading, without its overflow: leading blanks, a sign, digits.
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > 99999) return 0;  // no year this long: not a year
    }
    return static_cast<int>(negative ? -value : value);
}

std::string SongLengthText(std::int32_t lengthMs) {
    const std::int32_t ms = lengthMs < 0 ? 0 : lengthMs;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", ms / 60000, ms / 1000 % 60);
    return text;
}
