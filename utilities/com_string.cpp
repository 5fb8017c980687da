#include "utilities/com_string.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/ascii_case.h"
#include "utilities/unicode.h"

namespace {

// What the "C" locale's isspace accepts; bytes of UTF-8 characters are not
// white space.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view View(const char* text) { return text != nullptr ? std::string_view(text) : std::string_view(); }

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareBytes(std::string_view a, std::string_view b) {
    // string_view compares as unsigned bytes (char_traits<char>::compare
    // is memcmp).
    return Sign(a.compare(b));
}

}  // namespace

CCOMString::CCOMString(const char* text) : text_(View(text)) {}

CCOMString::CCOMString(const unsigned short* wide) : text_(Utf16ToUtf8(wide)) {}

CCOMString::CCOMString(char ch, int count) {
    if (count > 0 && ch != '\0') text_.assign(static_cast<std::size_t>(count), ch);
}

CCOMString& CCOMString::operator=(const char* text) {
    // assign copes with a text that points into this string.
    text_.assign(View(text));
    return *this;
}

CCOMString& CCOMString::operator=(const unsigned short* wide) {
    text_ = Utf16ToUtf8(wide);
    return *this;
}

CCOMString& CCOMString::operator+=(const CCOMString& other) {
    text_.append(other.text_);
    return *this;
}

CCOMString& CCOMString::operator+=(const char* text) {
    text_.append(View(text));
    return *this;
}

CCOMString& CCOMString::operator+=(const unsigned short* wide) {
    text_.append(Utf16ToUtf8(wide));
    return *this;
}

CCOMString& CCOMString::operator+=(char ch) {
    if (ch != '\0') text_.push_back(ch);
    return *this;
}

CCOMString operator+(const CCOMString& a, const CCOMString& b) { return CCOMString(a.text_ + b.text_); }

CCOMString operator+(const CCOMString& a, const char* b) { return CCOMString(a.text_ + std::string(View(b))); }

CCOMString operator+(const char* a, const CCOMString& b) { return CCOMString(std::string(View(a)) + b.text_); }

CCOMString operator+(const CCOMString& a, const unsigned short* b) { return CCOMString(a.text_ + Utf16ToUtf8(b)); }

CCOMString operator+(const unsigned short* a, const CCOMString& b) { return CCOMString(Utf16ToUtf8(a) + b.text_); }

char CCOMString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) return '\0';
    return text_[static_cast<std::size_t>(index)];
}

void CCOMString::SetAt(int index, char ch) {
    if (index < 0 || index >= GetLength()) return;
    text_[static_cast<std::size_t>(index)] = ch;
    CutAtZero();
}

void CCOMString::CutAtZero() {
    const auto zero = text_.find('\0');
    if (zero != std::string::npos) text_.resize(zero);
}

void CCOMString::MakeUpper() {
    for (char& c : text_) c = AsciiToUpper(c);
}

void CCOMString::MakeLower() {
    for (char& c : text_) c = AsciiToLower(c);
}

void CCOMString::MakeReverse() {
    // Reverse the bytes, then turn each multi-byte character (now standing
    // continuation bytes first) back the right way round.
    std::reverse(text_.begin(), text_.end());
    std::size_t i = 0;
    while (i < text_.size()) {
        std::size_t j = i;
        while (j < text_.size() && IsUtf8Continuation(text_[j])) ++j;
        if (j > i && j < text_.size() && static_cast<unsigned char>(text_[j]) >= 0xC0) {
            std::reverse(text_.begin() + static_cast<std::ptrdiff_t>(i),
                         text_.begin() + static_cast<std::ptrdiff_t>(j) + 1);
            i = j + 1;
        } else {
            i = j > i ? j : i + 1;
        }
    }
}

void CCOMString::TrimLeft() {
    std::size_t first = 0;
    while (first < text_.size() && IsBlank(text_[first])) ++first;
    text_.erase(0, first);
}

void CCOMString::TrimRight() {
    std::size_t end = text_.size();
    while (end > 0 && IsBlank(text_[end - 1])) --end;
    text_.resize(end);
}

int CCOMString::Replace(char oldCh, char newCh) {
    if (oldCh == newCh || oldCh == '\0') return 0;
    int count = 0;
    for (char& c : text_) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    CutAtZero();
    return count;
}

int CCOMString::Replace(const char* oldText, const char* newText) {
    const std::string from(View(oldText));
    const std::string to(View(newText));  // copies: either may point into this string
    if (from.empty()) return 0;
    std::string result;
    int count = 0;
    std::size_t pos = 0;
    for (;;) {
        const auto hit = text_.find(from, pos);
        if (hit == std::string::npos) break;
        result.append(text_, pos, hit - pos);
        result.append(to);
        pos = hit + from.size();
        ++count;
    }
    if (count == 0) return 0;
    result.append(text_, pos, std::string::npos);
    text_ = std::move(result);
    return count;
}

int CCOMString::Find(char ch, int start) const {
    if (start < 0) start = 0;
    if (start >= GetLength() || ch == '\0') return -1;
    const auto hit = text_.find(ch, static_cast<std::size_t>(start));
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

int CCOMString::Find(const char* text, int start) const {
    if (text == nullptr) return -1;
    if (start < 0) start = 0;
    if (start > GetLength()) return -1;
    const auto hit = text_.find(text, static_cast<std::size_t>(start));
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

int CCOMString::FindOneOf(const char* set) const {
    if (set == nullptr || *set == '\0') return -1;
    const auto hit = text_.find_first_of(set);
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

CCOMString CCOMString::Mid(int first) const { return Mid(first, GetLength()); }

CCOMString CCOMString::Mid(int first, int count) const {
    first = std::max(first, 0);
    count = std::max(count, 0);
    if (first >= GetLength()) return CCOMString();
    count = std::min(count, GetLength() - first);
    return CCOMString(text_.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CCOMString CCOMString::Left(int count) const { return Mid(0, count); }

CCOMString CCOMString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CCOMString CCOMString::SpanIncluding(const char* set) const {
    if (set == nullptr || *set == '\0') return CCOMString();
    const auto end = text_.find_first_not_of(set);
    return CCOMString(text_.substr(0, end));
}

CCOMString CCOMString::SpanExcluding(const char* set) const {
    if (set == nullptr || *set == '\0') return *this;
    const auto end = text_.find_first_of(set);
    return CCOMString(text_.substr(0, end));
}

int CCOMString::Compare(const CCOMString& other) const { return CompareBytes(text_, other.text_); }

int CCOMString::Compare(const char* text) const { return CompareBytes(text_, View(text)); }

int CCOMString::CompareNoCase(const CCOMString& other) const { return AsciiCompareNoCase(text_, other.text_); }

int CCOMString::CompareNoCase(const char* text) const { return AsciiCompareNoCase(text_, View(text)); }

int CCOMString::Collate(const CCOMString& other) const { return Sign(std::strcoll(text_.c_str(), other.text_.c_str())); }

int CCOMString::Collate(const char* text) const { return Sign(std::strcoll(text_.c_str(), text != nullptr ? text : "")); }

void CCOMString::Format(const char* format, ...) {
    if (format == nullptr) {
        text_.clear();
        return;
    }
    va_list args;
    va_start(args, format);
    va_list sizing;
    va_copy(sizing, args);
    const int needed = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (needed < 0) {
        va_end(args);
        text_.clear();
        return;
    }
    // The arguments may point into text_, so it stays untouched until the
    // new text is complete.
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    text_.assign(buffer.data(), static_cast<std::size_t>(needed));
    CutAtZero();
}
