#include "utilities/text_format.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "utilities/text_copy.h"

using textcopy::CopyTextCut;

void MakeLengthStringSized(long ms, char* out, std::size_t size, int withMs, int noHours) {
    if (out == nullptr || size == 0) return;
    const long long total = ms;
    const long long hours = total / 3600000;
    const int minutes = static_cast<int>((total % 3600000) / 60000);
    const int seconds = static_cast<int>((total % 60000) / 1000);
    const int millis = static_cast<int>(total % 1000);
    if (hours > 0 && noHours == 0) {
        if (withMs != 0) {
            std::snprintf(out, size, "%02lld:%02d:%02d:%03d", hours, minutes, seconds, millis);
        } else {
            std::snprintf(out, size, "%02lld:%02d:%02d", hours, minutes, seconds);
        }
    } else if (withMs != 0) {
        std::snprintf(out, size, "%02d:%02d:%03d", minutes, seconds, millis);
    } else {
        std::snprintf(out, size, "%02d:%02d", minutes, seconds);
    }
}

void MakeFileSizeString(unsigned long bytes, char* out, int size) {
    if (out == nullptr || size < 1) return;
    const auto n = static_cast<std::size_t>(size);
    if (bytes < 1000) {
        std::snprintf(out, n, "%lu Bytes", bytes);
    } else if (bytes >= 1000000) {
        std::snprintf(out, n, "%0.2f MB", static_cast<double>(bytes) * 1e-6);
    } else {
        std::snprintf(out, n, "%lu KB", bytes / 1000);
    }
}

bool IsValidFileNameChar(char ch, bool allowPathChars) {
    if (allowPathChars && (ch == '/' || ch == '\\' || ch == ':')) return true;
    static constexpr std::string_view kAllowed = " $%'-_@~`!()^#&+,;=[].";
    if (ch != '\0' && kAllowed.find(ch) != std::string_view::npos) return true;
    // Bytes of UTF-8 characters count as letters; the text is never cut
    // inside one this way.
    if (static_cast<unsigned char>(ch) >= 0x80) return true;
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

bool TrimWhitespace(const char* in, char* out) {
    if (out == nullptr) return false;
    if (in == nullptr) {
        out[0] = '\0';
        return false;
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    std::size_t begin = 0;
    std::size_t end = std::strlen(in);
    while (begin < end && blank(in[begin])) ++begin;
    while (end > begin && blank(in[end - 1])) --end;
    std::memmove(out, in + begin, end - begin);
    out[end - begin] = '\0';
    return end > begin;
}

void MakeUpperCase(char* text) {
    if (text == nullptr) return;
    for (; *text != '\0'; ++text) *text = AsciiToUpper(*text);
}

char* StrChrPos(char* text, char ch, int* pos) {
    char* found = text != nullptr ? std::strchr(text, ch) : nullptr;
    if (ch == '\0') found = nullptr;  // the terminator is not a character of the text
    if (pos != nullptr) *pos = found != nullptr ? static_cast<int>(found - text) : -1;
    return found;
}

void ParseCarriageReturns(const char* text, char* out, long size) {
    if (out == nullptr || size < 1) return;
    std::string result;
    if (text != nullptr) {
        for (std::size_t i = 0; text[i] != '\0'; ++i) {
            if (text[i] == '\\' && (text[i + 1] == 'r' || text[i + 1] == 'n')) {
                result += '\r';
                ++i;
            } else {
                result += text[i];
            }
        }
    }
    CopyTextCut(result, out, static_cast<std::size_t>(size));
}
