#include "platform/utf8_prefix.h"

namespace {

// A UTF-8 character has at most three bytes after its first.
constexpr std::size_t kMaxContinuationBytes = 3;

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The bytes a character with this first byte takes; 1 for anything else.
std::size_t CharacterBytes(char first) {
    const auto byte = static_cast<unsigned char>(first);
    if ((byte & 0xE0) == 0xC0) return 2;
    if ((byte & 0xF0) == 0xE0) return 3;
    if ((byte & 0xF8) == 0xF0) return 4;
    return 1;
}

// The length of text without a last character that its end cuts short.
std::size_t WithoutCutEnd(std::string_view text) {
    std::size_t first = text.size();
    while (first > 0 && text.size() - first < kMaxContinuationBytes && IsContinuation(text[first - 1])) --first;
    if (first == 0) return text.size();
    --first;
    return first + CharacterBytes(text[first]) > text.size() ? first : text.size();
}

}  // namespace

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() < maxBytes) return text.size();
    // Text just at the limit may be what an earlier cut to this size left
    // (a field filled byte by byte): a character it cut short goes too.
    if (text.size() == maxBytes) return WithoutCutEnd(text);
    std::size_t cut = maxBytes;
    while (cut > 0 && maxBytes - cut < kMaxContinuationBytes && IsContinuation(text[cut])) --cut;
    // A longer run of continuation bytes is not UTF-8; cut it anywhere.
    return IsContinuation(text[cut]) ? maxBytes : cut;
}
