#pragma once
// Where a UTF-8 text may be cut: fixed text fields keep a beginning of their
// text that never ends inside a character.

#include <cstddef>
#include <string_view>

// The length of the longest beginning of text that holds at most maxBytes
// bytes and does not end inside a UTF-8 character. Text of exactly maxBytes
// bytes whose last character is cut short (an earlier cut to that size) loses
// that character; shorter text is kept whole.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);
