#pragma once
// Conversions between the system's UTF-8 text and the UTF-16 text of the
// interfaces that speak it. Both directions are total: a sequence that
// cannot be decoded (a stray continuation byte, an over-long or truncated
// UTF-8 form, an unpaired surrogate) becomes U+FFFD, so a bad byte never
// swallows the text around it.

#include <cstddef>
#include <string>
#include <string_view>

// The character that stands for anything that cannot be decoded.
inline constexpr char32_t kReplacementChar = 0xFFFD;

// Whether the byte continues a multi-byte UTF-8 character (10xxxxxx).
inline bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Appends the UTF-8 form of one code point; a surrogate or a value beyond
// U+10FFFF is written as U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes the UTF-8 sequence that starts at text[pos], advancing pos past it.
// An invalid sequence yields U+FFFD and consumes exactly one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);

// Whether every byte of text belongs to a well-formed UTF-8 character (no
// over-long forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// UTF-16 code units (pairs for characters beyond U+FFFF) to UTF-8. Reads
// until the first zero unit.
std::string Utf16ToUtf8(const unsigned short* wide);
std::string Utf16ToUtf8(std::u16string_view wide);

// UTF-8 to UTF-16 code units, without a terminator.
std::u16string Utf8ToUtf16(std::string_view text);

// Windows-1252 text (what older programs wrote) as UTF-8. Every byte is one
// character; the five bytes the code page leaves unassigned keep their value.
std::string Windows1252ToUtf8(std::string_view text);

// UTF-8 text as Windows-1252, the reverse of Windows1252ToUtf8: false when
// a character has no byte in the code page (or a byte does not decode).
bool Utf8ToWindows1252(std::string_view text, std::string& out);

// ISO 8859-1 text (ID3 tags) as UTF-8: every byte is the code point of the
// same value.
std::string Latin1ToUtf8(std::string_view text);

// UTF-8 text as ISO 8859-1: characters above U+00FF (and bytes that do not
// decode) become '?'.
std::string Utf8ToLatin1(std::string_view text);
