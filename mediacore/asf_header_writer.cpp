// Writing the ASF Header Object back: the objects the attributes live in are
// rebuilt, every other object is copied byte for byte.
#include <algorithm>
#include <array>

#include "mediacore/asf_bytes.h"
#include "mediacore/asf_header.h"
#include "mediacore/asf_objects.h"
#include "mediacore/asf_values.h"

namespace {

using Bytes = std::span<const std::uint8_t>;
using Buffer = std::vector<std::uint8_t>;

// The reserved GUID and value that open a Header Extension Object's data
// (the published ASF format, section 3.4).
constexpr GUID kExtensionReserved1 = {0xABD3D211, 0xA9BA, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr std::uint16_t kExtensionReserved2 = 6;

// An object: its GUID, its size and the body.
void AppendObject(Buffer& out, const GUID& id, const Buffer& body) {
    AppendGuid(out, id);
    AppendU64(out, kAsfObjectHeadBytes + body.size());
    out.insert(out.end(), body.begin(), body.end());
}

// Largest length a 16-bit length field can give.
constexpr std::size_t kMaxLength16 = 0xFFFF;

// A text's stored bytes, terminated, unless the terminator would take it
// past what a 16-bit length can say: a file may store such a text without
// one (the reader drops it either way), and it goes back as it came.
Buffer Text16(const std::u16string& text) {
    Buffer bytes;
    AppendUtf16z(bytes, text);
    if (bytes.size() > kMaxLength16) bytes.resize(bytes.size() - 2);
    return bytes;
}

// A string value as the reader handed it out (terminated), likewise.
Buffer Value16(const TAsfAttribute& attribute) {
    Buffer value = FileValue(attribute, false);
    if (attribute.type == WMT_TYPE_STRING && value.size() > kMaxLength16) value.resize(value.size() - 2);
    return value;
}

Buffer ContentDescriptionBody(const TAsfHeader& header) {
    Buffer body;
    std::array<Buffer, kAsfContentFields> texts;
    for (std::size_t field = 0; field < kAsfContentFields; ++field) {
        if (!header.content[field].empty()) texts[field] = Text16(header.content[field]);
        AppendU16(body, static_cast<std::uint16_t>(texts[field].size()));
    }
    for (const Buffer& text : texts) body.insert(body.end(), text.begin(), text.end());
    return body;
}

Buffer ExtendedContentBody(std::span<const TAsfAttribute> attributes) {
    Buffer body;
    AppendU16(body, static_cast<std::uint16_t>(attributes.size()));
    for (const TAsfAttribute& attribute : attributes) {
        const Buffer name = Text16(attribute.name);
        const Buffer value = Value16(attribute);
        AppendU16(body, static_cast<std::uint16_t>(name.size()));
        body.insert(body.end(), name.begin(), name.end());
        AppendU16(body, FileValueType(attribute.type));
        AppendU16(body, static_cast<std::uint16_t>(value.size()));
        body.insert(body.end(), value.begin(), value.end());
    }
    return body;
}

Buffer MetadataBody(std::span<const TAsfMetadataRecord> records) {
    Buffer body;
    AppendU16(body, static_cast<std::uint16_t>(records.size()));
    for (const TAsfMetadataRecord& record : records) {
        const Buffer name = Text16(record.attribute.name);
        const Buffer value = FileValue(record.attribute, true);
        AppendU16(body, record.languageIndex);
        AppendU16(body, record.stream);
        AppendU16(body, static_cast<std::uint16_t>(name.size()));
        AppendU16(body, FileValueType(record.attribute.type));
        AppendU32(body, static_cast<std::uint32_t>(value.size()));
        body.insert(body.end(), name.begin(), name.end());
        body.insert(body.end(), value.begin(), value.end());
    }
    return body;
}

// Objects of one kind holding items, whose count is 16 bits wide: reading
// gathers the items of repeated objects into one list, which may hold more
// than one object can count, so they go back into as many objects as they
// need (always at least one). The number of objects written.
template <typename Item, typename MakeBody>
std::uint32_t AppendCountedObjects(Buffer& out, const GUID& id, const std::vector<Item>& items, MakeBody makeBody) {
    const std::span<const Item> all(items);
    std::uint32_t objects = 0;
    std::size_t from = 0;
    do {
        const std::size_t count = std::min(all.size() - from, kMaxLength16);
        AppendObject(out, id, makeBody(all.subspan(from, count)));
        from += count;
        ++objects;
    } while (from < all.size());
    return objects;
}

// The header extension with its metadata objects rebuilt from the records; a
// Metadata Library Object is added when there are library records and none
// was there.
Buffer ExtensionBody(Bytes original, const TAsfHeader& header) {
    Buffer data;
    bool wroteMetadata = false;
    bool wroteLibrary = false;
    if (header.hasExtension) {
        const Bytes oldData = original.subspan(header.extensionDataOffset);
        for (const TAsfObjectSpan& child : header.extensionObjects) {
            // The records of repeated objects were gathered into one list on
            // reading; the first object of the kind takes them all.
            if (child.id == ASF_Metadata_Object) {
                if (!wroteMetadata) AppendCountedObjects(data, child.id, header.metadata, MetadataBody);
                wroteMetadata = true;
            } else if (child.id == ASF_Metadata_Library_Object) {
                if (!wroteLibrary) AppendCountedObjects(data, child.id, header.metadataLibrary, MetadataBody);
                wroteLibrary = true;
            } else {
                const Bytes bytes = oldData.subspan(child.offset, child.size);
                data.insert(data.end(), bytes.begin(), bytes.end());
            }
        }
    }
    if (!wroteLibrary && !header.metadataLibrary.empty()) {
        AppendCountedObjects(data, ASF_Metadata_Library_Object, header.metadataLibrary, MetadataBody);
    }
    Buffer body;
    if (header.hasExtension) {
        // The reserved fields as the file had them.
        const std::size_t head = header.extensionDataOffset - (kAsfHeaderExtensionHeadBytes - kAsfObjectHeadBytes);
        const Bytes reserved = original.subspan(head, 18);
        body.assign(reserved.begin(), reserved.end());
    } else {
        AppendGuid(body, kExtensionReserved1);
        AppendU16(body, kExtensionReserved2);
    }
    AppendU32(body, static_cast<std::uint32_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    return body;
}

// Whether object is the Header Extension Object the reader took apart (a
// later one is copied as it stands).
bool IsReadExtension(const TAsfHeader& header, const TAsfObjectSpan& object) {
    return object.id == ASF_Header_Extension_Object && header.hasExtension &&
           object.offset + kAsfHeaderExtensionHeadBytes == header.extensionDataOffset;
}

bool HasContent(const TAsfHeader& header) {
    return std::any_of(header.content.begin(), header.content.end(), [](const auto& text) { return !text.empty(); });
}

}  // namespace

std::vector<std::uint8_t> WriteAsfHeader(std::span<const std::uint8_t> original, const TAsfHeader& header,
                                         bool rebuildExtension, std::uint64_t restBytes) {
    Buffer out(original.begin(), original.begin() + kAsfHeaderHeadBytes);
    std::uint32_t objects = 0;
    std::size_t fileSizeField = 0;
    bool wroteContent = false;
    bool wroteExtended = false;
    for (const TAsfObjectSpan& object : header.objects) {
        // How many objects this one becomes.
        std::uint32_t written = 1;
        // Repeated description objects were merged on reading (texts of the
        // last, descriptors of all); the first of each kind carries the result.
        if (object.id == ASF_Content_Description_Object) {
            if (wroteContent) continue;
            AppendObject(out, object.id, ContentDescriptionBody(header));
            wroteContent = true;
        } else if (object.id == ASF_Extended_Content_Description_Object) {
            if (wroteExtended) continue;
            written = AppendCountedObjects(out, object.id, header.extendedContent, ExtendedContentBody);
            wroteExtended = true;
        } else if (rebuildExtension && IsReadExtension(header, object)) {
            AppendObject(out, object.id, ExtensionBody(original, header));
        } else {
            if (object.id == ASF_File_Properties_Object) fileSizeField = out.size() + kAsfFileSizeFieldOffset;
            const Bytes bytes = original.subspan(object.offset, object.size);
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
        objects += written;
    }
    if (!header.hasContentDescription && HasContent(header)) {
        AppendObject(out, ASF_Content_Description_Object, ContentDescriptionBody(header));
        ++objects;
    }
    if (!header.hasExtendedContent && !header.extendedContent.empty()) {
        objects += AppendCountedObjects(out, ASF_Extended_Content_Description_Object, header.extendedContent,
                                        ExtendedContentBody);
    }
    if (!header.hasExtension && rebuildExtension && !header.metadataLibrary.empty()) {
        AppendObject(out, ASF_Header_Extension_Object, ExtensionBody(original, header));
        ++objects;
    }
    PatchU64(out, 16, out.size());
    for (int i = 0; i < 4; ++i) out[24 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(objects >> (8 * i));
    if (fileSizeField != 0) PatchU64(out, fileSizeField, out.size() + restBytes);
    return out;
}
