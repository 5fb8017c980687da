#include "songvault/text_fold.h"

namespace songvault {

namespace {

char FoldByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string FoldAscii(std::string_view text) {
    std::string folded;
    FoldAsciiInto(text, folded);
    return folded;
}

void FoldAsciiInto(std::string_view text, std::string& out) {
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = FoldByte(text[i]);
}

bool Contains(std::string_view folded, std::string_view foldedPart) {
    return folded.find(foldedPart) != std::string_view::npos;
}

}  // namespace songvault
