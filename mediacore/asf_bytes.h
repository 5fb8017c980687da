#pragma once
// Little-endian reading that refuses to run past the bytes it was given, and
// the matching appends for building objects.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mediacore/wm_types.h"

class CAsfByteReader {
public:
    explicit CAsfByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Position() const { return pos_; }
    std::size_t Left() const { return bytes_.size() - pos_; }

    // Each read fails (and leaves the position) when the bytes run out.
    bool U16(std::uint16_t& value);
    bool U32(std::uint32_t& value);
    bool U64(std::uint64_t& value);
    bool Guid(GUID& value);
    bool Skip(std::size_t count);
    bool Bytes(std::size_t count, std::span<const std::uint8_t>& out);
    // count bytes of UTF-16LE text; an odd count fails. Trailing terminators
    // are dropped.
    bool Utf16(std::size_t count, std::u16string& out);

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value);
void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value);
void AppendU64(std::vector<std::uint8_t>& out, std::uint64_t value);
void AppendGuid(std::vector<std::uint8_t>& out, const GUID& value);
// The text's UTF-16LE units and a terminator.
void AppendUtf16z(std::vector<std::uint8_t>& out, const std::u16string& text);
void PatchU64(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value);

// UTF-16LE bytes to text (an odd last byte is ignored) and back.
std::u16string Utf16FromBytes(std::span<const std::uint8_t> bytes);
