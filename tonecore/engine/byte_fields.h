#pragma once
// Little- and big-endian fields of byte records read from files: a reader
// that refuses to run past the bytes it was given, and a writer that appends.
// A reader that was asked for more than is left stays failed, so a caller
// checks once at the end instead of after every field.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tonecore/mpeg/byte_order.h"

namespace bytefields {

inline std::uint32_t LoadBe32(const std::uint8_t* p) { return MpegBigEndian32(p); }

inline void StoreBe32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

// Four 7-bit bytes, most significant first (ID3 v2 sizes); the top bit of
// each byte is ignored.
inline std::uint32_t LoadSynchsafe32(const std::uint8_t* p) { return MpegSyncSafe28(p); }

inline void StoreSynchsafe32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>((value >> 21) & 0x7f);
    p[1] = static_cast<std::uint8_t>((value >> 14) & 0x7f);
    p[2] = static_cast<std::uint8_t>((value >> 7) & 0x7f);
    p[3] = static_cast<std::uint8_t>(value & 0x7f);
}

class CByteReader {
public:
    explicit CByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Ok() const { return ok_; }
    std::size_t Position() const { return pos_; }
    std::size_t Left() const { return ok_ ? bytes_.size() - pos_ : 0; }

    // The next n bytes, or an empty span (and the reader failed) when fewer
    // are left.
    std::span<const std::uint8_t> Take(std::size_t n) {
        if (!ok_ || n > bytes_.size() - pos_) {
            ok_ = false;
            return {};
        }
        auto out = bytes_.subspan(pos_, n);
        pos_ += n;
        return out;
    }
    void Skip(std::size_t n) { Take(n); }
    std::uint8_t U8() {
        auto b = Take(1);
        return b.empty() ? 0 : b[0];
    }
    std::uint16_t Le16() {
        auto b = Take(2);
        return b.empty() ? 0 : static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }
    std::uint32_t Le32() {
        auto b = Take(4);
        if (b.empty()) return 0;
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    std::int32_t LeI32() { return static_cast<std::int32_t>(Le32()); }
    std::uint64_t Le64() {
        const std::uint64_t low = Le32();
        return low | static_cast<std::uint64_t>(Le32()) << 32;
    }
    double LeDouble() {
        const std::uint64_t bits = Le64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // Copies n bytes into out (zeros when the reader fails).
    void Bytes(void* out, std::size_t n) {
        auto b = Take(n);
        if (b.empty()) {
            std::memset(out, 0, n);
        } else {
            std::memcpy(out, b.data(), n);
        }
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

class CByteWriter {
public:
    const std::vector<std::uint8_t>& Data() const { return out_; }
    void Reserve(std::size_t n) { out_.reserve(n); }

    void U8(std::uint8_t v) { out_.push_back(v); }
    void Le16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void Le32(std::uint32_t v) {
        Le16(static_cast<std::uint16_t>(v));
        Le16(static_cast<std::uint16_t>(v >> 16));
    }
    void Le64(std::uint64_t v) {
        Le32(static_cast<std::uint32_t>(v));
        Le32(static_cast<std::uint32_t>(v >> 32));
    }
    void LeDouble(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        Le64(bits);
    }
    void Bytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + n);
    }
    // The text zero-padded to exactly width bytes; the caller makes sure it
    // fits.
    void FixedText(std::string_view text, std::size_t width) {
        const std::size_t n = text.size() < width ? text.size() : width;
        Bytes(text.data(), n);
        out_.insert(out_.end(), width - n, 0);
    }

private:
    std::vector<std::uint8_t> out_;
};

}  // namespace bytefields
