#pragma once
// The parts of an ASF file's header that the attribute code reads and
// rewrites: file and stream properties, the two description objects and the
// metadata records of the header extension. Everything else is kept as the
// byte ranges it occupies, so that it can be written back unchanged.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mediacore/wm_types.h"

// An attribute in the interfaces' form: text values are UTF-16LE with their
// terminator, BOOL values 32 bits wide.
struct TAsfAttribute {
    std::u16string name;
    WMT_ATTR_DATATYPE type = WMT_TYPE_STRING;
    std::vector<std::uint8_t> value;
};

// A record of a Metadata or Metadata Library object.
struct TAsfMetadataRecord {
    std::uint16_t languageIndex = 0;  // reserved (0) in a Metadata object
    std::uint16_t stream = 0;
    TAsfAttribute attribute;
};

// A child object: its identifier and the bytes it spans, [offset, offset + size)
// of the header (or of the header extension's data, for its children).
struct TAsfObjectSpan {
    GUID id{};
    std::size_t offset = 0;
    std::size_t size = 0;
};

struct TAsfStream {
    std::uint16_t number = 0;
    GUID type{};
    bool encrypted = false;
    std::vector<std::uint8_t> typeSpecific;  // a WAVEFORMATEX for audio
};

// The five texts of the Content Description Object, in file order.
enum EAsfContentField { kAsfTitle, kAsfAuthor, kAsfCopyright, kAsfDescription, kAsfRating, kAsfContentFields };
// Their attribute names.
inline constexpr std::array<const char16_t*, kAsfContentFields> kAsfContentNames = {
    u"Title", u"Author", u"Copyright", u"Description", u"Rating"};

struct TAsfHeader {
    std::size_t headerBytes = 0;            // the whole Header Object
    std::vector<TAsfObjectSpan> objects;    // its children, in order
    bool hasFileProperties = false;
    std::uint64_t fileSize = 0;
    std::uint64_t playDuration = 0;         // 100-nanosecond units
    std::uint64_t prerollMs = 0;
    std::uint32_t maxBitrate = 0;
    std::vector<TAsfStream> streams;
    std::vector<std::pair<std::uint16_t, std::uint32_t>> streamBitrates;  // stream, bit/s
    bool hasContentDescription = false;
    std::array<std::u16string, kAsfContentFields> content;
    bool hasExtendedContent = false;
    std::vector<TAsfAttribute> extendedContent;
    // The header extension, when present (the first one; a later one is
    // kept as opaque bytes): where its data starts in the header, and its
    // children relative to that.
    bool hasExtension = false;
    std::size_t extensionDataOffset = 0;
    std::vector<TAsfObjectSpan> extensionObjects;
    std::vector<TAsfMetadataRecord> metadata;
    std::vector<TAsfMetadataRecord> metadataLibrary;
    // Content encryption of any kind.
    bool isProtected = false;
};

// Parses the Header Object at the start of bytes (which may go on past it).
// MEDIACORE_E_BAD_HEADER for anything not ASF or damaged; never reads
// outside bytes.
HRESULT ReadAsfHeader(std::span<const std::uint8_t> bytes, TAsfHeader& header);

// A new Header Object for header as edited: the description objects rebuilt
// from its fields (added after the other objects when the file had none and
// there is something to say), the extension rebuilt when rebuildExtension is
// set, every other object copied from original, and the File Properties'
// file size set to the new header's size plus restBytes (what follows the
// header in the file). Descriptors or records beyond what one object can
// count (65,535) go into further objects of the same kind.
std::vector<std::uint8_t> WriteAsfHeader(std::span<const std::uint8_t> original, const TAsfHeader& header,
                                         bool rebuildExtension, std::uint64_t restBytes);
