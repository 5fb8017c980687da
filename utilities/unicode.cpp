#include "utilities/unicode.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacementChar;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacementChar;
    }
    if (text.size() - pos <= static_cast<std::size_t>(extra)) {
        ++pos;
        return kReplacementChar;
    }
    for (int i = 1; i <= extra; ++i) {
        if (!IsUtf8Continuation(text[pos + i])) {
            ++pos;
            return kReplacementChar;
        }
        c = (c << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    }
    // Over-long forms, surrogates and values past the last plane are not
    // characters; refusing them keeps one text from having two spellings.
    if (c < minimum || IsSurrogate(c) || c > 0x10FFFF) {
        ++pos;
        return kReplacementChar;
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return c;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        // A well-formed U+FFFD takes three bytes; one byte taken means the
        // decoder stood in for something it could not read.
        if (DecodeUtf8(text, pos) == kReplacementChar && pos - start == 1) return false;
    }
    return true;
}

std::string Utf16ToUtf8(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char32_t unit = wide[i];
        if (IsHighSurrogate(unit) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
            const char32_t low = wide[i + 1];
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, unit);  // an unpaired surrogate becomes U+FFFD there
        }
    }
    return out;
}

std::string Utf16ToUtf8(const unsigned short* wide) {
    if (wide == nullptr) return {};
    std::u16string units;
    for (const unsigned short* p = wide; *p != 0; ++p) units.push_back(static_cast<char16_t>(*p));
    return Utf16ToUtf8(std::u16string_view(units));
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = DecodeUtf8(text, pos);
        if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

namespace {

// Code points of bytes 0x80 to 0x9F in Windows-1252 (Unicode's published
// mapping table); the five unassigned bytes keep their own value.
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

bool Utf8ToWindows1252(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t ch = DecodeUtf8(text, pos);
        if (ch == kReplacementChar && pos - start == 1) return false;
        if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
            out += static_cast<char>(ch);
            continue;
        }
        const auto* found = std::find(std::begin(kHigh), std::end(kHigh), ch);
        if (found == std::end(kHigh)) return false;
        out += static_cast<char>(0x80 + (found - std::begin(kHigh)));
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, (b >= 0x80 && b <= 0x9F) ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text) AppendUtf8(out, static_cast<unsigned char>(ch));
    return out;
}

std::string Utf8ToLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t ch = DecodeUtf8(text, pos);
        out += ch <= 0xFF ? static_cast<char>(ch) : '?';
    }
    return out;
}
