#pragma once
// CCOMString: the system's string class. It owns a terminated UTF-8 text and
// never shares it; the buffer is never null (an empty string holds just the
// terminator). Wide (UTF-16) text is accepted at the edges and converted,
// with surrogate pairs joined and anything undecodable turned into U+FFFD.
//
// Positions and counts are in bytes. Out-of-range positions and negative
// counts never reach outside the text: reads give 0 or an empty result,
// writes do nothing, and a null text counts as an empty one.

#include <string>
#include <utility>

class CCOMString {
public:
    CCOMString() = default;
    CCOMString(const CCOMString& other) = default;
    CCOMString(CCOMString&& other) noexcept = default;
    CCOMString(const char* text);
    // Wide text up to its zero unit; null gives an empty string.
    CCOMString(const unsigned short* wide);
    // count copies of ch; count < 1 (or ch zero) gives an empty string.
    CCOMString(char ch, int count);
    // Lists hold strings made with new and delete them through this class.
    virtual ~CCOMString() = default;

    CCOMString& operator=(const CCOMString& other) = default;
    CCOMString& operator=(CCOMString&& other) noexcept = default;
    CCOMString& operator=(const char* text);
    CCOMString& operator=(const unsigned short* wide);

    CCOMString& operator+=(const CCOMString& other);
    CCOMString& operator+=(const char* text);
    CCOMString& operator+=(const unsigned short* wide);
    CCOMString& operator+=(char ch);

    friend CCOMString operator+(const CCOMString& a, const CCOMString& b);
    friend CCOMString operator+(const CCOMString& a, const char* b);
    friend CCOMString operator+(const char* a, const CCOMString& b);
    friend CCOMString operator+(const CCOMString& a, const unsigned short* b);
    friend CCOMString operator+(const unsigned short* a, const CCOMString& b);

    // Byte equality; the reversed forms and != follow from these.
    bool operator==(const CCOMString& other) const { return Compare(other) == 0; }
    bool operator==(const char* text) const { return Compare(text) == 0; }

    int GetLength() const { return static_cast<int>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }
    void Empty() { text_.clear(); }
    // The byte at index, 0 outside the text.
    char GetAt(int index) const;
    char operator[](int index) const { return GetAt(index); }
    // Replaces the byte at index; outside the text nothing changes. Setting
    // a zero ends the text there.
    void SetAt(int index, char ch);
    operator const char*() const { return text_.c_str(); }
    const char* GetString() const { return text_.c_str(); }

    // ASCII case mapping, as the "C" locale does it.
    void MakeUpper();
    void MakeLower();
    // Reverses the order of the characters (a multi-byte character stays
    // whole).
    void MakeReverse();
    void TrimLeft();
    void TrimRight();
    // Each returns the number of replacements.
    int Replace(char oldCh, char newCh);
    int Replace(const char* oldText, const char* newText);

    // Index of the first occurrence at or after start, -1 when absent.
    int Find(char ch) const { return Find(ch, 0); }
    int Find(char ch, int start) const;
    int Find(const char* text) const { return Find(text, 0); }
    int Find(const char* text, int start) const;
    int FindOneOf(const char* set) const;

    CCOMString Mid(int first) const;
    CCOMString Mid(int first, int count) const;
    CCOMString Left(int count) const;
    CCOMString Right(int count) const;
    CCOMString SpanIncluding(const char* set) const;
    CCOMString SpanExcluding(const char* set) const;

    // -1, 0 or 1 comparing the bytes as unsigned values.
    int Compare(const CCOMString& other) const;
    int Compare(const char* text) const;
    // ASCII letters compared without case.
    int CompareNoCase(const CCOMString& other) const;
    int CompareNoCase(const char* text) const;
    // The order of the current collation locale.
    int Collate(const CCOMString& other) const;
    int Collate(const char* text) const;

    // printf rules. The arguments may point into this string itself: the
    // text is built in a separate buffer before it replaces the content.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    explicit CCOMString(std::string text) : text_(std::move(text)) {}
    // The text is terminated: a zero placed inside ends it there.
    void CutAtZero();

    std::string text_;
};
