#pragma once
// Keyed texts with arguments. The keyed text file is the user's to edit, so
// a text used as a printf format is never trusted: it is formatted only when
// each of its conversions matches the argument in its place, and otherwise
// shown as it stands, with one log line naming the key.
//
// A conversion is '%', flags ("-+ #0"), a width and a precision of up to
// four digits each, the length letters h, l or ll (ignored: the argument's
// own type decides), and one of: d i u x X c for an integer; s for a text;
// f F e E g G for a floating-point number. "%%" is a percent sign. "*" and
// "n" are never accepted, nor a conversion left open at the end.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// One argument of a keyed text.
class CTextArg {
public:
    enum class EKind { kInteger, kText, kReal };

    CTextArg(int value) : kind_(EKind::kInteger), integer_(value) {}
    CTextArg(unsigned value) : kind_(EKind::kInteger), integer_(value) {}
    CTextArg(long value) : kind_(EKind::kInteger), integer_(value) {}
    CTextArg(unsigned long value)
        : kind_(EKind::kInteger), integer_(static_cast<std::int64_t>(value)) {}
    CTextArg(long long value) : kind_(EKind::kInteger), integer_(value) {}
    CTextArg(double value) : kind_(EKind::kReal), real_(value) {}
    // A null text is shown as an empty one.
    CTextArg(const char* text) : kind_(EKind::kText), text_(text == nullptr ? "" : text) {}
    CTextArg(std::string_view text) : kind_(EKind::kText), text_(text) {}
    CTextArg(const std::string& text) : kind_(EKind::kText), text_(text) {}

    EKind Kind() const { return kind_; }
    std::int64_t Integer() const { return integer_; }
    double Real() const { return real_; }
    std::string_view Text() const { return text_; }

private:
    EKind kind_;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    std::string_view text_;
};

// Formats format with args into out when every conversion matches its
// argument and the counts agree; false (out unchanged) otherwise.
bool FormatTextChecked(std::string_view format, std::span<const CTextArg> args, std::string& out);

// The text of key from the program's keyed text file (the key itself when
// it is missing, line-break escapes turned into line breaks) formatted with
// args; the text unformatted, and one log line, when it does not match
// them.
std::string FormatKeyedText(const char* key, std::initializer_list<CTextArg> args);
// The text of key with no arguments.
std::string KeyedText(const char* key);
