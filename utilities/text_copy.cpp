#include "utilities/text_copy.h"

#include <cstring>

#include "utilities/unicode.h"

namespace textcopy {

namespace {

// A UTF-8 character has at most three bytes after its first.
constexpr std::size_t kMaxContinuationBytes = 3;

}  // namespace

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    std::size_t cut = maxBytes;
    while (cut > 0 && maxBytes - cut < kMaxContinuationBytes && IsUtf8Continuation(text[cut])) {
        --cut;
    }
    // A longer run of continuation bytes is not UTF-8; cut it anywhere.
    return IsUtf8Continuation(text[cut]) ? maxBytes : cut;
}

std::size_t CopyTextCut(std::string_view text, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) return 0;
    const std::size_t n = Utf8PrefixLength(text, outSize - 1);
    std::memmove(out, text.data(), n);
    out[n] = '\0';
    return n;
}

}  // namespace textcopy
