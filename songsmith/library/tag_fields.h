#pragma once
// What the tag dialogs share without widgets: the span of the year list, the
// texts read from their fields, and copies into fixed record fields.
//
// The year list runs from next year down to 1900, so a song tagged with the
// current year (or a release date announced for next year) can be chosen. A
// year outside the list is not lost: the dialogs show it as the list's text
// and keep it unless the user picks another.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int kYearListLast = 1900;
// The first (newest) year of the list: the current year + 1, from the
// system's clock in local time.
int YearListFirst();

// Bytes read from a text field for the required-field check, and for a
// title, artist or album before it is trimmed (each terminator included, as
// the fields' buffers count it).
inline constexpr std::size_t kVerifyFieldBytes = 2048;
inline constexpr std::size_t kTagTextBytes = 256;

// The longest beginning of text that fits a buffer of bufferBytes with its
// terminator without ending inside a UTF-8 character.
std::string_view CutToBuffer(std::string_view text, std::size_t bufferBytes);
// text without blanks, tabs, line feeds and carriage returns at either end.
std::string_view TrimBlanks(std::string_view text);

// Writes text into a fixed field: the field is zeroed first, then takes the
// longest beginning that leaves room for the terminator and ends on a UTF-8
// character boundary.
void CopyToField(std::string_view text, char* field, std::size_t fieldBytes);
template <std::size_t N>
void CopyToField(std::string_view text, char (&field)[N]) {
    CopyToField(text, field, N);
}
// A field's text up to its terminator (or the whole field without one).
std::string_view FieldText(const char* field, std::size_t fieldBytes);
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// A year as the year list writes its lines ("%d"), and its integer value
// read back from a list's text as the C library reads it (0 for a text that
// does not begin with a number).
std::string YearText(int year);
int YearFromText(std::string_view text);

// A song's length as minutes and seconds, "%d:%02d".
std::string SongLengthText(std::int32_t lengthMs);
