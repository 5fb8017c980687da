#include "titlefetch/cddb_text.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "utilities/text_copy.h"
#include "utilities/unicode.h"

namespace {

bool IsAsciiAlnum(unsigned char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

// word with every byte that keeps refuses replaced by '_'.
template <class Keep>
std::string ReplaceOthers(std::string_view word, Keep keeps) {
    std::string out(word);
    for (char& ch : out) {
        if (!keeps(static_cast<unsigned char>(ch))) ch = '_';
    }
    return out;
}

bool IsUrlSafe(unsigned char ch) { return IsAsciiAlnum(ch) || ch == '-' || ch == '.' || ch == '_'; }

}  // namespace

std::string SanitizeHelloWord(std::string_view word) { return ReplaceOthers(word, IsAsciiAlnum); }

std::string SanitizeAddressWord(std::string_view word) { return ReplaceOthers(word, IsUrlSafe); }

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (IsUrlSafe(byte) || byte == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string EncodeBase64(std::string_view data, std::string_view alphabet) {
    if (alphabet.size() != 64) return {};
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t i = 0;
    // Each group of three bytes gives four characters of six bits each.
    for (; i + 3 <= data.size(); i += 3) {
        const std::uint32_t group = (std::uint32_t{static_cast<unsigned char>(data[i])} << 16) |
                                    (std::uint32_t{static_cast<unsigned char>(data[i + 1])} << 8) |
                                    static_cast<unsigned char>(data[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) out += alphabet[(group >> shift) & 0x3F];
    }
    // One or two bytes left: two or three characters and "=" fill.
    const std::size_t left = data.size() - i;
    if (left > 0) {
        std::uint32_t group = std::uint32_t{static_cast<unsigned char>(data[i])} << 16;
        if (left == 2) group |= std::uint32_t{static_cast<unsigned char>(data[i + 1])} << 8;
        out += alphabet[(group >> 18) & 0x3F];
        out += alphabet[(group >> 12) & 0x3F];
        out += left == 2 ? alphabet[(group >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto isSpace = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::int32_t LeadingDecimal(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') break;
        value = std::min<std::int64_t>(value * 10 + (ch - '0'), std::int64_t{1} << 32);
    }
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool TakeWord(std::string_view& text, std::string_view& word) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    std::size_t end = start;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (end == start) return false;
    word = text.substr(start, end - start);
    std::size_t next = end;
    while (next < text.size() && IsBlank(text[next])) ++next;
    text.remove_prefix(next);
    return true;
}

void CopyField(std::string_view text, char (&field)[256]) {
    textcopy::CopyTextCut(text, field, sizeof field);
}

std::string_view FieldText(const char (&field)[256]) { return {field, strnlen(field, sizeof field)}; }

int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

std::string EscapeXmcdValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        switch (ch) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default: out += ch; break;
        }
    }
    return out;
}

std::string UnescapeXmcdValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (ch == '\\' && (next == 'n' || next == 't' || next == '\\')) {
            out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
            ++i;
        } else {
            out += ch;
        }
    }
    return out;
}

