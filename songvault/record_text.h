#pragma once
// The text fields of the records as the store keeps them: read up to their
// terminator (or the whole field when a caller filled it to the last byte),
// cut on a UTF-8 character boundary so that they fit with a terminator, and
// written back terminated with the rest of the field zeroed.

#include <cstddef>
#include <string>
#include <string_view>

namespace songvault {

// The field's text up to its first zero byte, or the whole field.
std::string_view FieldText(const char* field, std::size_t size);
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// The longest beginning of the field's text that fits the field with its
// terminator and does not end inside a character.
std::string_view FittedText(const char* field, std::size_t size);
template <std::size_t N>
std::string_view FittedText(const char (&field)[N]) {
    return FittedText(field, N);
}

// Writes text into the field, terminated, the rest zero. Text longer than
// the field allows is cut on a UTF-8 character boundary.
void PutText(std::string_view text, char* field, std::size_t size);
template <std::size_t N>
void PutText(std::string_view text, char (&field)[N]) {
    PutText(text, field, N);
}

// Refits the field in place: what FittedText gives, rewritten with PutText.
template <std::size_t N>
void FitField(char (&field)[N]) {
    PutText(FittedText(field), field);
}

// True when the text holds nothing but white space.
bool IsBlank(std::string_view text);

// What a song without a title is called: its file name (the text after the
// path's last separator), cut on a character boundary to maxBytes. A name
// that is not UTF-8 is read as Windows-1252 (what names copied from older
// systems are), so the title is always text.
std::string TitleFromPath(std::string_view path, std::size_t maxBytes);

}  // namespace songvault
