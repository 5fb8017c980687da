#pragma once
// Small text functions: lengths and sizes for display, file-name characters,
// trimming, and the written escapes of keyed texts.

#include <concepts>
#include <cstddef>
#include <utility>

// Bytes that hold any text MakeLengthString makes, terminator included.
inline constexpr std::size_t kLengthStringSize = 32;

// A length in milliseconds as "MM:SS", or "HH:MM:SS" from one hour on, into
// out of size bytes (cut when smaller than kLengthStringSize); with withMs
// ":mmm" milliseconds follow. With noHours set the hours are left out and the
// minutes stay those within the hour.
//
// There is one form only, so that (ms, out, size, withMs) can never be taken
// for a form with the milliseconds flag in the third place: every integer
// type of size lands here, and a negative size writes nothing.
void MakeLengthStringSized(long ms, char* out, std::size_t size, int withMs, int noHours);

template <std::integral Size>
void MakeLengthString(long ms, char* out, Size size, int withMs, int noHours = 0) {
    MakeLengthStringSized(ms, out, std::cmp_less(size, 0) ? 0 : static_cast<std::size_t>(size), withMs,
                          noHours);
}

// "999 Bytes" below 1000 bytes, "999 KB" (whole thousands) below 1000000,
// else "1.50 MB" (millions, two decimals), into out of size bytes.
void MakeFileSizeString(unsigned long bytes, char* out, int size);

// Whether ch may stand in a file name: ASCII letters and digits, every byte
// of a UTF-8 character, and blank $ % ' - _ @ ~ ` ! ( ) ^ # & + , ; = [ ] .
// With allowPathChars also the separators '/' and '\\' and ':'.
bool IsValidFileNameChar(char ch, bool allowPathChars);

// out = in without leading and trailing blanks, tabs, line feeds and
// carriage returns; out holds strlen(in) + 1 bytes and may be in itself.
// True when the result is not empty.
bool TrimWhitespace(const char* in, char* out);

// Upper-cases ASCII letters in place.
void MakeUpperCase(char* text);

// The first occurrence of ch in text with its index in *pos; null and -1
// when absent.
char* StrChrPos(char* text, char ch, int* pos);

// Copies text into out of size bytes, turning each written escape "\r" or
// "\n" (a backslash and the letter) into one CR. Cut on a character
// boundary when it does not fit.
void ParseCarriageReturns(const char* text, char* out, long size);
