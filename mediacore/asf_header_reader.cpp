// Reading the ASF Header Object. Every size and count comes from the file, so
// each is checked against the bytes that are really there before use.
#include <algorithm>

#include "mediacore/asf_bytes.h"
#include "mediacore/asf_header.h"
#include "mediacore/asf_objects.h"
#include "mediacore/asf_values.h"
#include "mediacore/errors.h"

namespace {

using Bytes = std::span<const std::uint8_t>;

// Splits bytes into child objects; false when one is shorter than its own
// head or runs past the end, or the bytes end inside a head.
bool SplitObjects(Bytes bytes, std::vector<TAsfObjectSpan>& objects) {
    CAsfByteReader reader(bytes);
    while (reader.Left() > 0) {
        TAsfObjectSpan object;
        object.offset = reader.Position();
        std::uint64_t size = 0;
        if (!reader.Guid(object.id) || !reader.U64(size)) return false;
        if (size < kAsfObjectHeadBytes || size - kAsfObjectHeadBytes > reader.Left()) return false;
        object.size = static_cast<std::size_t>(size);
        reader.Skip(object.size - kAsfObjectHeadBytes);
        objects.push_back(object);
    }
    return true;
}

// The object's bytes after its 24-byte head.
Bytes Body(Bytes container, const TAsfObjectSpan& object) {
    return container.subspan(object.offset + kAsfObjectHeadBytes, object.size - kAsfObjectHeadBytes);
}

bool ReadFileProperties(Bytes body, TAsfHeader& header) {
    CAsfByteReader reader(body);
    std::uint64_t creation = 0, packets = 0, sendDuration = 0;
    std::uint32_t flags = 0, minPacket = 0, maxPacket = 0;
    if (!reader.Skip(16) || !reader.U64(header.fileSize) || !reader.U64(creation) || !reader.U64(packets) ||
        !reader.U64(header.playDuration) || !reader.U64(sendDuration) || !reader.U64(header.prerollMs) ||
        !reader.U32(flags) || !reader.U32(minPacket) || !reader.U32(maxPacket) || !reader.U32(header.maxBitrate)) {
        return false;
    }
    header.hasFileProperties = true;
    return true;
}

bool ReadStreamProperties(Bytes body, TAsfHeader& header) {
    CAsfByteReader reader(body);
    TAsfStream stream;
    GUID correction{};
    std::uint64_t timeOffset = 0;
    std::uint32_t typeLength = 0, correctionLength = 0, reserved = 0;
    std::uint16_t flags = 0;
    Bytes typeSpecific;
    if (!reader.Guid(stream.type) || !reader.Guid(correction) || !reader.U64(timeOffset) ||
        !reader.U32(typeLength) || !reader.U32(correctionLength) || !reader.U16(flags) || !reader.U32(reserved) ||
        !reader.Bytes(typeLength, typeSpecific) || !reader.Skip(correctionLength)) {
        return false;
    }
    stream.number = flags & kAsfStreamNumberMask;
    stream.encrypted = (flags & kAsfStreamEncryptedFlag) != 0;
    stream.typeSpecific.assign(typeSpecific.begin(), typeSpecific.end());
    header.isProtected = header.isProtected || stream.encrypted;
    header.streams.push_back(std::move(stream));
    return true;
}

bool ReadStreamBitrates(Bytes body, TAsfHeader& header) {
    CAsfByteReader reader(body);
    std::uint16_t count = 0;
    if (!reader.U16(count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t flags = 0;
        std::uint32_t bitrate = 0;
        if (!reader.U16(flags) || !reader.U32(bitrate)) return false;
        header.streamBitrates.emplace_back(static_cast<std::uint16_t>(flags & kAsfStreamNumberMask), bitrate);
    }
    return true;
}

bool ReadContentDescription(Bytes body, TAsfHeader& header) {
    CAsfByteReader reader(body);
    std::array<std::uint16_t, kAsfContentFields> lengths{};
    for (std::uint16_t& length : lengths) {
        if (!reader.U16(length)) return false;
    }
    for (int field = 0; field < kAsfContentFields; ++field) {
        if (!reader.Utf16(lengths[static_cast<std::size_t>(field)], header.content[static_cast<std::size_t>(field)])) {
            return false;
        }
    }
    header.hasContentDescription = true;
    return true;
}

bool ReadExtendedContent(Bytes body, TAsfHeader& header) {
    CAsfByteReader reader(body);
    std::uint16_t count = 0;
    if (!reader.U16(count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        TAsfAttribute attribute;
        std::uint16_t nameLength = 0, type = 0, valueLength = 0;
        Bytes value;
        if (!reader.U16(nameLength) || !reader.Utf16(nameLength, attribute.name) || !reader.U16(type) ||
            !reader.U16(valueLength) || !reader.Bytes(valueLength, value)) {
            return false;
        }
        // This object has no GUID values.
        if (type == static_cast<std::uint16_t>(EAsfValueType::Guid)) return false;
        if (!AttributeFromFile(type, value, false, attribute)) return false;
        header.extendedContent.push_back(std::move(attribute));
    }
    header.hasExtendedContent = true;
    return true;
}

// Metadata and Metadata Library objects share their record layout.
bool ReadMetadataRecords(Bytes body, std::vector<TAsfMetadataRecord>& records) {
    CAsfByteReader reader(body);
    std::uint16_t count = 0;
    if (!reader.U16(count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        TAsfMetadataRecord record;
        std::uint16_t nameLength = 0, type = 0;
        std::uint32_t valueLength = 0;
        Bytes value;
        if (!reader.U16(record.languageIndex) || !reader.U16(record.stream) || !reader.U16(nameLength) ||
            !reader.U16(type) || !reader.U32(valueLength) || !reader.Utf16(nameLength, record.attribute.name) ||
            !reader.Bytes(valueLength, value)) {
            return false;
        }
        if (!AttributeFromFile(type, value, true, record.attribute)) return false;
        records.push_back(std::move(record));
    }
    return true;
}

// Only the first Header Extension Object is read (a file has one); a later
// one is kept as it stands, since its children's offsets would name bytes of
// another object.
bool ReadExtension(Bytes header, const TAsfObjectSpan& object, TAsfHeader& out) {
    if (out.hasExtension) return true;
    CAsfByteReader reader(Body(header, object));
    GUID reserved{};
    std::uint16_t reserved2 = 0;
    std::uint32_t dataSize = 0;
    if (!reader.Guid(reserved) || !reader.U16(reserved2) || !reader.U32(dataSize) || dataSize != reader.Left()) {
        return false;
    }
    out.hasExtension = true;
    out.extensionDataOffset = object.offset + kAsfHeaderExtensionHeadBytes;
    const Bytes data = header.subspan(out.extensionDataOffset, dataSize);
    if (!SplitObjects(data, out.extensionObjects)) return false;
    for (const TAsfObjectSpan& child : out.extensionObjects) {
        if (child.id == ASF_Metadata_Object) {
            if (!ReadMetadataRecords(Body(data, child), out.metadata)) return false;
        } else if (child.id == ASF_Metadata_Library_Object) {
            if (!ReadMetadataRecords(Body(data, child), out.metadataLibrary)) return false;
        } else if (child.id == ASF_Advanced_Content_Encryption_Object) {
            out.isProtected = true;
        }
    }
    return true;
}

bool ReadChild(Bytes headerBytes, const TAsfObjectSpan& object, TAsfHeader& header) {
    const Bytes body = Body(headerBytes, object);
    if (object.id == ASF_File_Properties_Object) return ReadFileProperties(body, header);
    if (object.id == ASF_Stream_Properties_Object) return ReadStreamProperties(body, header);
    if (object.id == ASF_Stream_Bitrate_Properties_Object) return ReadStreamBitrates(body, header);
    if (object.id == ASF_Content_Description_Object) return ReadContentDescription(body, header);
    if (object.id == ASF_Extended_Content_Description_Object) return ReadExtendedContent(body, header);
    if (object.id == ASF_Header_Extension_Object) return ReadExtension(headerBytes, object, header);
    if (object.id == ASF_Content_Encryption_Object || object.id == ASF_Extended_Content_Encryption_Object) {
        header.isProtected = true;
    }
    return true;
}

}  // namespace

HRESULT ReadAsfHeader(std::span<const std::uint8_t> bytes, TAsfHeader& header) {
    header = TAsfHeader{};
    CAsfByteReader reader(bytes);
    GUID id{};
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    if (!reader.Guid(id) || !(id == ASF_Header_Object) || !reader.U64(size) || !reader.U32(count) ||
        !reader.Skip(2)) {
        return MEDIACORE_E_BAD_HEADER;
    }
    if (size < kAsfHeaderHeadBytes || size > bytes.size()) return MEDIACORE_E_BAD_HEADER;
    header.headerBytes = static_cast<std::size_t>(size);
    const Bytes headerBytes = bytes.first(header.headerBytes);
    std::vector<TAsfObjectSpan> children;
    if (!SplitObjects(headerBytes.subspan(kAsfHeaderHeadBytes), children)) return MEDIACORE_E_BAD_HEADER;
    for (TAsfObjectSpan& child : children) {
        child.offset += kAsfHeaderHeadBytes;
        if (!ReadChild(headerBytes, child, header)) return MEDIACORE_E_BAD_HEADER;
    }
    // The object count is not relied on: the walk above is bounded by the
    // bytes, and writing recounts.
    header.objects = std::move(children);
    return S_OK;
}
