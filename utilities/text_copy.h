#pragma once
// Copies into fixed buffers that are cut on a UTF-8 character boundary, so a
// cut text never ends in half a character.

#include <cstddef>
#include <string_view>

#include "platform/utf8_prefix.h"

// In a namespace of their own: generic names that other parts of the library
// may well want for something else.
namespace textcopy {

using ::Utf8PrefixLength;

// Copies text into out of outSize bytes, terminated, cut on a character
// boundary when it does not fit. Returns the bytes stored without the
// terminator; nothing is stored for a null out or a size of 0.
std::size_t CopyTextCut(std::string_view text, char* out, std::size_t outSize);

}  // namespace textcopy
