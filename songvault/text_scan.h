#pragma once
// Finding a text in a long block of memory: the search index's one hot loop.

#include <string_view>

namespace songvault {

// The first place in [first, last) where needle starts, or null; an empty
// needle is found at first. last is the first byte not included.
const char* FindText(const char* first, const char* last, std::string_view needle);

}  // namespace songvault
