#include "songvault/text_fold.h"

namespace songvault {

namespace {

inline char FoldByte(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string FoldAscii(std::string_view text) {
    std::string folded;
    FoldAsciiInto(text, folded);
    return folded;
}

void FoldAsciiInto(std::string_view text, std::string& out) {
    out.resize(text.size());
    // Every search folds every text it looks at: a plain loop over the bytes.
    const char* from = text.data();
    char* to = out.data();
    for (const char* end = from + text.size(); from != end; ++from, ++to) *to = FoldByte(*from);
}

bool Contains(std::string_view folded, std::string_view foldedPart) {
    return folded.find(foldedPart) != std::string_view::npos;
}

}  // namespace songvault
