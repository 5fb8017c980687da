#include "mediacore/asf_bytes.h"

namespace {

std::uint64_t LoadLe(const std::uint8_t* at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

void AppendLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

bool CAsfByteReader::U16(std::uint16_t& value) {
    if (Left() < 2) return false;
    value = static_cast<std::uint16_t>(LoadLe(bytes_.data() + pos_, 2));
    pos_ += 2;
    return true;
}

bool CAsfByteReader::U32(std::uint32_t& value) {
    if (Left() < 4) return false;
    value = static_cast<std::uint32_t>(LoadLe(bytes_.data() + pos_, 4));
    pos_ += 4;
    return true;
}

bool CAsfByteReader::U64(std::uint64_t& value) {
    if (Left() < 8) return false;
    value = LoadLe(bytes_.data() + pos_, 8);
    pos_ += 8;
    return true;
}

bool CAsfByteReader::Guid(GUID& value) {
    if (Left() < 16) return false;
    const std::uint8_t* at = bytes_.data() + pos_;
    value.Data1 = static_cast<std::uint32_t>(LoadLe(at, 4));
    value.Data2 = static_cast<std::uint16_t>(LoadLe(at + 4, 2));
    value.Data3 = static_cast<std::uint16_t>(LoadLe(at + 6, 2));
    for (int i = 0; i < 8; ++i) value.Data4[i] = at[8 + i];
    pos_ += 16;
    return true;
}

bool CAsfByteReader::Skip(std::size_t count) {
    if (Left() < count) return false;
    pos_ += count;
    return true;
}

bool CAsfByteReader::Bytes(std::size_t count, std::span<const std::uint8_t>& out) {
    if (Left() < count) return false;
    out = bytes_.subspan(pos_, count);
    pos_ += count;
    return true;
}

bool CAsfByteReader::Utf16(std::size_t count, std::u16string& out) {
    std::span<const std::uint8_t> bytes;
    if (count % 2 != 0 || !Bytes(count, bytes)) return false;
    out = Utf16FromBytes(bytes);
    while (!out.empty() && out.back() == 0) out.pop_back();
    return true;
}

void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) { AppendLe(out, value, 2); }
void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) { AppendLe(out, value, 4); }
void AppendU64(std::vector<std::uint8_t>& out, std::uint64_t value) { AppendLe(out, value, 8); }

void AppendGuid(std::vector<std::uint8_t>& out, const GUID& value) {
    AppendLe(out, value.Data1, 4);
    AppendLe(out, value.Data2, 2);
    AppendLe(out, value.Data3, 2);
    out.insert(out.end(), value.Data4, value.Data4 + 8);
}

void AppendUtf16z(std::vector<std::uint8_t>& out, const std::u16string& text) {
    for (char16_t unit : text) AppendLe(out, unit, 2);
    AppendLe(out, 0, 2);
}

void PatchU64(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::u16string Utf16FromBytes(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}
