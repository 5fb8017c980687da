#include "utilities/xml_entities.h"

#include <array>
#include <utility>

#include "utilities/unicode.h"

namespace {

// The longest reference worth reading: "&#x10FFFF;" is 10 characters.
constexpr std::size_t kMaxReference = 12;

// Parses digits of the given base; false when there are none, a character
// is not a digit, or the value grows past the last character.
bool ParseNumber(std::string_view digits, int base, char32_t& out) {
    if (digits.empty()) return false;
    char32_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        value = value * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
        if (value > 0x10FFFF) return false;
    }
    out = value;
    return true;
}

// Decodes the reference body (between '&' and ';'); false when it names no
// character.
bool DecodeReference(std::string_view body, std::string& out) {
    static constexpr std::array<std::pair<std::string_view, char>, 5> kNamed = {{
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
    }};
    for (const auto& [name, ch] : kNamed) {
        if (body == name) {
            out.push_back(ch);
            return true;
        }
    }
    if (body.size() < 2 || body[0] != '#') return false;
    char32_t c = 0;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    if (!ParseNumber(body.substr(hex ? 2 : 1), hex ? 16 : 10, c)) return false;
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF)) return false;
    AppendUtf8(out, c);
    return true;
}

}  // namespace

std::string DecodeXmlEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto amp = text.find('&', pos);
        if (amp == std::string_view::npos) break;
        out.append(text, pos, amp - pos);
        const auto semi = text.substr(amp, kMaxReference).find(';');
        if (semi != std::string_view::npos && DecodeReference(text.substr(amp + 1, semi - 1), out)) {
            pos = amp + semi + 1;
        } else {
            out.push_back('&');
            pos = amp + 1;
        }
    }
    if (pos < text.size()) out.append(text, pos);
    return out;
}
