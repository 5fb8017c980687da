#include "tonecore/tags/id3_text.h"

#include "utilities/unicode.h"

namespace {

TId3Text DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    TId3Text out;
    std::u16string units;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = bigEndian ? static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1])
                                        : static_cast<char16_t>(bytes[i + 1] << 8 | bytes[i]);
        if (unit == 0) {
            out.terminated = true;
            i += 2;
            break;
        }
        units.push_back(unit);
    }
    // An odd byte left at the end of the frame belongs to no unit.
    out.consumed = out.terminated ? i : bytes.size();
    out.text = Utf16ToUtf8(std::u16string_view(units));
    return out;
}

TId3Text DecodeByteText(std::span<const std::uint8_t> bytes, bool utf8) {
    TId3Text out;
    std::size_t n = 0;
    while (n < bytes.size() && bytes[n] != 0) ++n;
    out.terminated = n < bytes.size();
    out.consumed = out.terminated ? n + 1 : n;
    const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), n);
    if (utf8 && IsValidUtf8(raw)) {
        out.text = std::string(raw);
    } else if (utf8) {
        // Text marked UTF-8 that is not: what older writers meant was most
        // likely Windows-1252.
        out.text = Windows1252ToUtf8(raw);
    } else {
        out.text = Latin1ToUtf8(raw);
    }
    return out;
}

}  // namespace

TId3Text DecodeId3Text(std::uint8_t encoding, std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        TId3Text out = DecodeUtf16(bytes.subspan(2), bytes[0] == 0xFE);
        out.consumed += 2;
        return out;
    }
    switch (encoding) {
        case kId3Utf16:  // without a byte-order mark: little-endian, as most writers
            return DecodeUtf16(bytes, false);
        case kId3Utf16Be:
            return DecodeUtf16(bytes, true);
        case kId3Utf8:
            return DecodeByteText(bytes, true);
        default:
            return DecodeByteText(bytes, false);
    }
}

bool FitsLatin1(std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        if (DecodeUtf8(utf8, pos) > 0xFF) return false;
    }
    return true;
}

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t c = DecodeUtf8(utf8, pos);
        out.push_back(c > 0xFF ? '?' : static_cast<char>(c));
    }
    return out;
}

std::uint8_t Id3EncodingFor(std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts) {
        if (!FitsLatin1(text)) return kId3Utf16;
    }
    return kId3Latin1;
}

void AppendId3Text(std::vector<std::uint8_t>& out, std::uint8_t encoding, std::string_view utf8, bool terminate) {
    if (encoding == kId3Utf16) {
        out.push_back(0xFF);  // little-endian byte-order mark
        out.push_back(0xFE);
        for (char16_t unit : Utf8ToUtf16(utf8)) {
            out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            out.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        if (terminate) out.insert(out.end(), {0, 0});
        return;
    }
    const std::string latin1 = Utf8ToLatin1(utf8);
    out.insert(out.end(), latin1.begin(), latin1.end());
    if (terminate) out.push_back(0);
}
