#pragma once
// Case folding of the "C" locale: only A-Z and a-z change, so bytes of
// multi-byte UTF-8 characters are never touched.

#include <cstddef>
#include <string_view>

char AsciiToLower(char c);
char AsciiToUpper(char c);
// -1, 0 or 1 as the texts compare with ASCII letters folded to lower case
// and every byte taken as unsigned.
int AsciiCompareNoCase(std::string_view a, std::string_view b);
bool AsciiEqualNoCase(std::string_view a, std::string_view b);
// Position of needle in text with ASCII letters folded, or npos.
std::size_t AsciiFindNoCase(std::string_view text, std::string_view needle);
