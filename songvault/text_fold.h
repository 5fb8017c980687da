#pragma once
// The one text test of every search: the database search, the field queries
// and the match of songs found during an import all fold both texts with
// FoldAscii and compare them with these functions, so they never disagree.
// Only the ASCII letters A to Z fold (as the "C" locale does); every other
// byte, in or out of a UTF-8 character, stays as it is.

#include <string>
#include <string_view>

namespace songvault {

// The text with A to Z turned into a to z.
std::string FoldAscii(std::string_view text);
// Folds in place into out (reusing its storage).
void FoldAsciiInto(std::string_view text, std::string& out);

// Whether folded contains foldedPart; every text contains the empty text.
bool Contains(std::string_view folded, std::string_view foldedPart);

}  // namespace songvault
