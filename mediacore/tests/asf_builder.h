#pragma once
// Hand-built ASF headers for the tests: each helper appends one object's
// bytes in the file's layout, so a test can make exactly the header (or the
// damage) it needs.

#include <cstdint>
#include <string>
#include <vector>

#include "mediacore/asf_bytes.h"
#include "mediacore/asf_objects.h"

namespace asftest {

using Buffer = std::vector<std::uint8_t>;

inline Buffer Object(const GUID& id, const Buffer& body) {
    Buffer out;
    AppendGuid(out, id);
    AppendU64(out, kAsfObjectHeadBytes + body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Buffer Concat(std::initializer_list<Buffer> parts) {
    Buffer out;
    for (const Buffer& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A Header Object around the given children.
inline Buffer Header(std::initializer_list<Buffer> children) {
    const Buffer body = Concat(children);
    Buffer out;
    AppendGuid(out, ASF_Header_Object);
    AppendU64(out, kAsfHeaderHeadBytes + body.size());
    AppendU32(out, static_cast<std::uint32_t>(children.size()));
    out.push_back(1);
    out.push_back(2);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Buffer FileProperties(std::uint64_t fileSize, std::uint64_t playDuration, std::uint64_t prerollMs) {
    Buffer body(16, 0xAB);  // file ID
    AppendU64(body, fileSize);
    AppendU64(body, 0);  // creation date
    AppendU64(body, 3);  // data packets
    AppendU64(body, playDuration);
    AppendU64(body, playDuration);  // send duration
    AppendU64(body, prerollMs);
    AppendU32(body, 2);  // seekable
    AppendU32(body, 1000);
    AppendU32(body, 1000);
    AppendU32(body, 128000);
    return Object(ASF_File_Properties_Object, body);
}

inline Buffer AudioStream(std::uint16_t number, std::uint32_t avgBytesPerSec, std::uint16_t flags = 0) {
    Buffer format;
    AppendU16(format, 0x161);
    AppendU16(format, 2);
    AppendU32(format, 44100);
    AppendU32(format, avgBytesPerSec);
    AppendU16(format, 743);
    AppendU16(format, 16);
    AppendU16(format, 0);
    Buffer body;
    AppendGuid(body, ASF_Audio_Media);
    AppendGuid(body, GUID{});  // no error correction
    AppendU64(body, 0);
    AppendU32(body, static_cast<std::uint32_t>(format.size()));
    AppendU32(body, 0);
    AppendU16(body, static_cast<std::uint16_t>(number | flags));
    AppendU32(body, 0);
    body.insert(body.end(), format.begin(), format.end());
    return Object(ASF_Stream_Properties_Object, body);
}

inline Buffer Utf16z(const std::u16string& text) {
    Buffer out;
    AppendUtf16z(out, text);
    return out;
}

// Texts in file order: title, author, copyright, description, rating.
inline Buffer ContentDescription(const std::vector<std::u16string>& texts) {
    Buffer body;
    for (const auto& text : texts) AppendU16(body, static_cast<std::uint16_t>(text.empty() ? 0 : 2 * (text.size() + 1)));
    for (const auto& text : texts) {
        if (!text.empty()) AppendUtf16z(body, text);
    }
    return Object(ASF_Content_Description_Object, body);
}

struct TDescriptor {
    std::u16string name;
    std::uint16_t fileType;
    Buffer value;
};

inline Buffer ExtendedContent(const std::vector<TDescriptor>& descriptors) {
    Buffer body;
    AppendU16(body, static_cast<std::uint16_t>(descriptors.size()));
    for (const TDescriptor& d : descriptors) {
        AppendU16(body, static_cast<std::uint16_t>(2 * (d.name.size() + 1)));
        AppendUtf16z(body, d.name);
        AppendU16(body, d.fileType);
        AppendU16(body, static_cast<std::uint16_t>(d.value.size()));
        body.insert(body.end(), d.value.begin(), d.value.end());
    }
    return Object(ASF_Extended_Content_Description_Object, body);
}

struct TRecord {
    std::uint16_t stream;
    std::u16string name;
    std::uint16_t fileType;
    Buffer value;
};

// A Metadata or Metadata Library Object.
inline Buffer MetadataObject(const GUID& id, const std::vector<TRecord>& records) {
    Buffer body;
    AppendU16(body, static_cast<std::uint16_t>(records.size()));
    for (const TRecord& r : records) {
        AppendU16(body, 0);
        AppendU16(body, r.stream);
        AppendU16(body, static_cast<std::uint16_t>(2 * (r.name.size() + 1)));
        AppendU16(body, r.fileType);
        AppendU32(body, static_cast<std::uint32_t>(r.value.size()));
        AppendUtf16z(body, r.name);
        body.insert(body.end(), r.value.begin(), r.value.end());
    }
    return Object(id, body);
}

inline Buffer Extension(std::initializer_list<Buffer> children) {
    const Buffer data = Concat(children);
    Buffer body;
    AppendGuid(body, {0xABD3D211, 0xA9BA, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}});
    AppendU16(body, 6);
    AppendU32(body, static_cast<std::uint32_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    return Object(ASF_Header_Extension_Object, body);
}

// A Data Object with some recognisable packet bytes.
inline Buffer DataObject(std::size_t packetBytes) {
    Buffer body(26 + packetBytes);
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return Object(ASF_Data_Object, body);
}

template <typename Number>
Buffer Le(Number value) {
    Buffer out;
    for (std::size_t i = 0; i < sizeof(Number); ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

}  // namespace asftest
