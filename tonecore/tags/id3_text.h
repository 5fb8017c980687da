#pragma once
// Text inside ID3 v2 frames. A frame's first data byte names the encoding of
// its texts: 0 ISO 8859-1, 1 UTF-16 with a byte-order mark, 2 UTF-16
// big-endian without one (v2.4), 3 UTF-8 (v2.4). Texts end at a terminator of
// their encoding (one zero byte, or one zero 16-bit unit) or at the end of
// the frame. Inside the engine every text is UTF-8.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::uint8_t kId3Latin1 = 0;
inline constexpr std::uint8_t kId3Utf16 = 1;
inline constexpr std::uint8_t kId3Utf16Be = 2;
inline constexpr std::uint8_t kId3Utf8 = 3;

struct TId3Text {
    std::string text;         // UTF-8
    std::size_t consumed = 0;  // bytes of the text, terminator included
    bool terminated = false;   // a terminator was found
};

// Decodes the text at the start of bytes in the given encoding. Text that
// begins with a byte-order mark (FF FE or FE FF) is read as UTF-16 whatever
// the encoding byte says, as some writers mark UTF-16 that way.
TId3Text DecodeId3Text(std::uint8_t encoding, std::span<const std::uint8_t> bytes);

// Whether every character of the UTF-8 text has an ISO 8859-1 code.
bool FitsLatin1(std::string_view utf8);
// The UTF-8 text as ISO 8859-1; characters without a code become '?'.
std::string Utf8ToLatin1(std::string_view utf8);

// The encoding a v2.3 frame uses for these texts: ISO 8859-1 when every one
// fits it, else UTF-16 with a byte-order mark.
std::uint8_t Id3EncodingFor(std::initializer_list<std::string_view> texts);
// Appends the text in a v2.3 encoding (0 or 1), with a terminator when asked.
void AppendId3Text(std::vector<std::uint8_t>& out, std::uint8_t encoding, std::string_view utf8, bool terminate);
