#include "songsmith/app/keyed_format.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "filekit/log.h"
#include "utilities/keyed_text.h"

namespace {

// Bytes read for one keyed text; longer texts are cut.
constexpr int kKeyedTextSize = 4096;
// Digits a width or a precision may have: enough for any layout, too few
// for a conversion to ask for more memory than a screen could show.
constexpr std::size_t kMaxFieldDigits = 4;

constexpr const char* kFlagChars = "-+ #0";
constexpr const char* kIntegerLetters = "diuxXc";
constexpr const char* kRealLetters = "fFeEgG";
constexpr const char* kAlternateLetters = "xXfFeEgG";

bool IsOneOf(char ch, const char* set) {
    return ch != '\0' && std::strchr(set, ch) != nullptr;
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Appends up to kMaxFieldDigits digits at pos to spec; false when there are
// more.
bool TakeDigits(std::string_view format, std::size_t& pos, std::string& spec) {
    std::size_t count = 0;
    while (pos < format.size() && IsDigit(format[pos])) {
        if (++count > kMaxFieldDigits) return false;
        spec += format[pos++];
    }
    return true;
}

// Whether the flags have a defined meaning for the letter: "#" only for
// hexadecimal and floating point, "0" not for characters and texts.
bool FlagsFit(const std::string& flags, char letter) {
    if (flags.find('#') != std::string::npos && !IsOneOf(letter, kAlternateLetters)) return false;
    return flags.find('0') == std::string::npos || (letter != 'c' && letter != 's');
}

// Reads the flags, width, precision and length letters of the conversion
// that starts after the '%' at pos into spec (the length letters are
// dropped); pos is left at the conversion letter. False when the field is
// too wide or the format ends first.
bool ReadConversion(std::string_view format, std::size_t& pos, std::string& spec,
                    std::string& flags) {
    while (pos < format.size() && IsOneOf(format[pos], kFlagChars)) flags += format[pos++];
    spec += flags;
    if (!TakeDigits(format, pos, spec)) return false;
    if (pos < format.size() && format[pos] == '.') {
        spec += format[pos++];
        if (!TakeDigits(format, pos, spec)) return false;
    }
    for (int letters = 0;
         letters < 2 && pos < format.size() && (format[pos] == 'h' || format[pos] == 'l');
         ++letters)
        ++pos;
    return pos < format.size();
}

template <class T>
bool AppendFormatted(std::string& out, const std::string& spec, T value) {
    const int length = std::snprintf(nullptr, 0, spec.c_str(), value);
    if (length < 0) return false;
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::snprintf(buffer.data(), buffer.size(), spec.c_str(), value);
    out.append(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

// Formats one conversion of letter with arg; false when they do not match.
bool AppendConversion(std::string& out, std::string spec, char letter, const CTextArg& arg) {
    using EKind = CTextArg::EKind;
    if (IsOneOf(letter, kIntegerLetters)) {
        if (arg.Kind() != EKind::kInteger) return false;
        if (letter == 'c')
            return AppendFormatted(out, spec + 'c',
                                   static_cast<int>(static_cast<unsigned char>(arg.Integer())));
        spec += "ll";
        spec += letter;
        if (letter == 'd' || letter == 'i')
            return AppendFormatted(out, spec, static_cast<long long>(arg.Integer()));
        return AppendFormatted(out, spec, static_cast<unsigned long long>(arg.Integer()));
    }
    if (letter == 's') {
        if (arg.Kind() != EKind::kText) return false;
        const std::string text(arg.Text());
        return AppendFormatted(out, spec + 's', text.c_str());
    }
    if (IsOneOf(letter, kRealLetters)) {
        if (arg.Kind() != EKind::kReal) return false;
        return AppendFormatted(out, spec + letter, arg.Real());
    }
    return false;
}

}  // namespace

bool FormatTextChecked(std::string_view format, std::span<const CTextArg> args, std::string& out) {
    std::string result;
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        const char ch = format[pos++];
        if (ch != '%') {
            result += ch;
            continue;
        }
        if (pos < format.size() && format[pos] == '%') {
            result += '%';
            ++pos;
            continue;
        }
        std::string spec = "%";
        std::string flags;
        if (!ReadConversion(format, pos, spec, flags) || used >= args.size()) return false;
        const char letter = format[pos++];
        if (!FlagsFit(flags, letter) || !AppendConversion(result, spec, letter, args[used++]))
            return false;
    }
    if (used != args.size()) return false;
    out = std::move(result);
    return true;
}

std::string KeyedText(const char* key) {
    std::vector<char> text(kKeyedTextSize);
    MyLoadString(key, text.data(), kKeyedTextSize);
    return std::string(text.data());
}

std::string FormatKeyedText(const char* key, std::initializer_list<CTextArg> args) {
    const std::string text = KeyedText(key);
    std::string formatted;
    if (FormatTextChecked(text, std::span<const CTextArg>(args.begin(), args.size()), formatted))
        return formatted;
    LogFmt("Keyed text %s does not fit its %zu argument(s); shown unformatted",
           key == nullptr ? "(none)" : key, args.size());
    return text;
}
