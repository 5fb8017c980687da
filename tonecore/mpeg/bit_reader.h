#pragma once
// Big-endian bit reader over a byte range that never reads past its end: a
// read that would run out delivers zero bits for the missing part and marks
// the reader as overrun, so a damaged frame can be abandoned cleanly.

#include <cstddef>
#include <cstdint>

class CBitReader {
public:
    CBitReader() = default;
    CBitReader(const std::uint8_t* data, std::size_t size) { Reset(data, size); }

    void Reset(const std::uint8_t* data, std::size_t size) {
        data_ = data;
        sizeBits_ = data != nullptr ? size * 8 : 0;
        position_ = 0;
        overrun_ = false;
    }

    // Reads n bits (0 to 32), most significant first.
    std::uint32_t ReadBits(int n) {
        if (n <= 0) return 0;
        if (HasWindow()) {
            const std::uint64_t window = Window();
            position_ += static_cast<std::size_t>(n);
            return static_cast<std::uint32_t>(window >> (64 - n));
        }
        const std::size_t first = position_ >> 3;
        if (position_ + static_cast<std::size_t>(n) > sizeBits_) {
            // Near the end: bit by bit, so the missing bits read as zero.
            std::uint32_t value = 0;
            for (int i = 0; i < n; ++i) value = (value << 1) | ReadBit();
            return value;
        }
        const int shift = static_cast<int>(position_ & 7);
        const int bytes = (shift + n + 7) >> 3;  // at most 5
        std::uint64_t window = 0;
        for (int i = 0; i < bytes; ++i) window = (window << 8) | data_[first + static_cast<std::size_t>(i)];
        window >>= bytes * 8 - shift - n;
        position_ += static_cast<std::size_t>(n);
        return static_cast<std::uint32_t>(window & ((std::uint64_t{1} << n) - 1));
    }

    // True when eight whole bytes lie ahead, so that Window() holds at least
    // 57 bits that are all present.
    bool HasWindow() const { return (position_ >> 3) + 8 <= sizeBits_ >> 3; }
    // The next 64 - (position % 8) bits, most significant first, left
    // aligned (the rest zero); only when HasWindow().
    std::uint64_t Window() const {
        const std::uint8_t* b = data_ + (position_ >> 3);
        const std::uint64_t window = std::uint64_t{b[0]} << 56 | std::uint64_t{b[1]} << 48 | std::uint64_t{b[2]} << 40 |
                                     std::uint64_t{b[3]} << 32 | std::uint64_t{b[4]} << 24 | std::uint64_t{b[5]} << 16 |
                                     std::uint64_t{b[6]} << 8 | std::uint64_t{b[7]};
        return window << (position_ & 7);
    }

    std::uint32_t ReadBit() {
        if (position_ >= sizeBits_) {
            overrun_ = true;
            ++position_;
            return 0;
        }
        const std::uint32_t bit = (data_[position_ >> 3] >> (7 - (position_ & 7))) & 1u;
        ++position_;
        return bit;
    }

    // Looks at the next n bits (0 to 32) without consuming them.
    std::uint32_t PeekBits(int n) const {
        CBitReader copy = *this;
        return copy.ReadBits(n);
    }

    void SkipBits(std::size_t n) {
        position_ += n;
        if (position_ > sizeBits_) overrun_ = true;
    }

    void SetBitPosition(std::size_t position) {
        position_ = position;
        overrun_ = position_ > sizeBits_;
    }

    std::size_t BitPosition() const { return position_; }
    std::size_t SizeBits() const { return sizeBits_; }
    std::size_t BitsLeft() const { return position_ < sizeBits_ ? sizeBits_ - position_ : 0; }
    // True once any read or skip went past the end.
    bool Overrun() const { return overrun_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t sizeBits_ = 0;
    std::size_t position_ = 0;
    bool overrun_ = false;
};
