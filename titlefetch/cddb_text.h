#pragma once
// Text helpers of the CDDB client: the words of the hello text, proxy
// credentials in Base64, and the small parsing steps the answer parsers
// share.

#include <cstdint>
#include <string>
#include <string_view>

#include "utilities/unicode.h"  // Utf8ToLatin1 for protocol level 5

// Every byte that is not an ASCII letter or digit becomes '_', so the word
// cannot break the hello text's "+"-separated fields.
std::string SanitizeHelloWord(std::string_view word);

// Every byte that is not an ASCII letter, digit, '.', '-' or '_' becomes
// '_': an e-mail address's words keep their dots, and nothing in them needs
// encoding or can turn into a blank that splits the hello text.
std::string SanitizeAddressWord(std::string_view word);

// Percent-encoding of URL text (RFC 3986): unreserved characters stay, every
// other byte becomes "%XX" in upper-case hexadecimal.
std::string PercentEncode(std::string_view text);

// Base64 (RFC 4648) with the given 64-character alphabet and "=" fill, as one
// run without line breaks. An alphabet of another length gives "".
std::string EncodeBase64(std::string_view data, std::string_view alphabet);

// text without leading and trailing blanks, tabs, CRs and LFs.
std::string_view TrimBlanks(std::string_view text);

// The leading decimal number of text (after blanks, with an optional sign),
// clamped to the 32-bit range; 0 when there is none.
std::int32_t LeadingDecimal(std::string_view text);

// Splits the first word (ended by a blank or tab) off text: word receives it,
// text keeps what follows the separators after it. False when text holds no
// word.
bool TakeWord(std::string_view& text, std::string_view& word);

// The escapes of xmcd keyword values: backslash-n a newline, backslash-t a
// tab, two backslashes one backslash. Unescaping is one pass from the left,
// so an escaped backslash before an "n" stays a backslash and an "n"; a
// backslash before any other character is kept as it stands.
std::string EscapeXmcdValue(std::string_view text);
std::string UnescapeXmcdValue(std::string_view text);


// Copies text into a 256-byte record field, cut at 255 bytes on a UTF-8
// character boundary.
void CopyField(std::string_view text, char (&field)[256]);
// The text of a record field: up to its terminator, never past its end.
std::string_view FieldText(const char (&field)[256]);

// The value of a hexadecimal digit of either case; -1 for any other
// character.
int HexDigitValue(char ch);
