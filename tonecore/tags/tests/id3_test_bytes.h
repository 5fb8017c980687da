#pragma once
// Builders of ID3 v2 tags as byte strings for test fixtures: frames of each
// version, headers with any flags, unsynchronisation.

#include <cstdint>
#include <string>
#include <string_view>

namespace id3test {

inline std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

inline std::string Synchsafe(std::uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7f), static_cast<char>((v >> 14) & 0x7f), static_cast<char>((v >> 7) & 0x7f),
            static_cast<char>(v & 0x7f)};
}

inline std::string Frame23(std::string_view id, std::string_view data, std::string_view flags = std::string_view("\0\0", 2)) {
    return std::string(id) + Be32(static_cast<std::uint32_t>(data.size())) + std::string(flags) + std::string(data);
}

// A v2.3 frame header that claims `claimed` bytes of data, then the data
// actually there: a frame that runs past its tag.
inline std::string FrameClaiming(std::string_view id, std::uint32_t claimed, std::string_view data) {
    return std::string(id) + Be32(claimed) + std::string(2, '\0') + std::string(data);
}

inline std::string Frame24(std::string_view id, std::string_view data, char formatFlags = 0) {
    return std::string(id) + Synchsafe(static_cast<std::uint32_t>(data.size())) + '\0' + formatFlags + std::string(data);
}

inline std::string Frame22(std::string_view id, std::string_view data) {
    const auto n = static_cast<std::uint32_t>(data.size());
    return std::string(id) + std::string{static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)} +
           std::string(data);
}

// An encoding-0 text frame's data.
inline std::string Latin1(std::string_view text) {
    return std::string(1, '\0') + std::string(text);
}

// The whole tag: header of the given version and flags, then the body,
// padded with zeros to `bodyBytes` when that is larger.
inline std::string Tag(int major, std::string_view body, std::size_t bodyBytes = 0, char flags = 0) {
    std::string padded(body);
    if (padded.size() < bodyBytes) padded.resize(bodyBytes, '\0');
    return std::string("ID3") + static_cast<char>(major) + '\0' + flags + Synchsafe(static_cast<std::uint32_t>(padded.size())) +
           padded;
}

// Every FF followed by a byte of 0xE0 or more, or by 00, gets a 00 after it.
inline std::string Unsynchronise(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (static_cast<unsigned char>(bytes[i]) == 0xFF &&
            (i + 1 == bytes.size() || static_cast<unsigned char>(bytes[i + 1]) >= 0xE0 || bytes[i + 1] == 0)) {
            out += '\0';
        }
    }
    return out;
}

}  // namespace id3test
