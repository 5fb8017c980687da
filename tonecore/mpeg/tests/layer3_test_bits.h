#pragma once
// Test helper: builds bitstreams field by field, most significant bit first.

#include <cstdint>
#include <string>
#include <vector>

namespace layer3test {

class CBitWriter {
public:
    // Appends the low `bits` bits of `value`.
    CBitWriter& Put(std::uint32_t value, int bits) {
        for (int b = bits - 1; b >= 0; --b) PutBit((value >> b) & 1u);
        return *this;
    }
    // Appends a string of '0' and '1' (other characters are ignored).
    CBitWriter& PutText(const std::string& text) {
        for (const char c : text) {
            if (c == '0' || c == '1') PutBit(c == '1' ? 1u : 0u);
        }
        return *this;
    }
    std::size_t BitCount() const { return bitCount_; }
    // The bytes written so far, the last one padded with zeros.
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    void PutBit(std::uint32_t bit) {
        if (bitCount_ % 8 == 0) bytes_.push_back(0);
        if (bit) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (bitCount_ % 8));
        ++bitCount_;
    }

    std::vector<std::uint8_t> bytes_;
    std::size_t bitCount_ = 0;
};

}  // namespace layer3test
