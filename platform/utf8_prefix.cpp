#include "platform/utf8_prefix.h"

namespace {

// A UTF-8 character has at most three bytes after its first.
constexpr std::size_t kMaxContinuationBytes = 3;

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    std::size_t cut = maxBytes;
    while (cut > 0 && maxBytes - cut < kMaxContinuationBytes && IsContinuation(text[cut])) --cut;
    // A longer run of continuation bytes is not UTF-8; cut it anywhere.
    return IsContinuation(text[cut]) ? maxBytes : cut;
}
