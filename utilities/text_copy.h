#pragma once
// Small text routines shared inside the utilities: copies into fixed buffers
// that are cut on a UTF-8 character boundary, and ASCII case folding (the
// "C" locale's rule, whatever the user's locale).

#include <cstddef>
#include <string_view>

// In a namespace of their own: generic names that other parts of the library
// may well want for something else.
namespace textcopy {

// The length of the longest beginning of text that holds at most maxBytes
// bytes and does not end inside a UTF-8 character.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);

// Copies text into out of outSize bytes, terminated, cut on a character
// boundary when it does not fit. Returns the bytes stored without the
// terminator; nothing is stored for a null out or a size of 0.
std::size_t CopyTextCut(std::string_view text, char* out, std::size_t outSize);

char LowerAscii(char c);
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);
// Position of needle in text ignoring ASCII case, or npos.
std::size_t FindNoCaseAscii(std::string_view text, std::string_view needle);

}  // namespace textcopy
