#include "mediacore/asf_attribute_list.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "mediacore/asf_bytes.h"
#include "mediacore/asf_objects.h"
#include "mediacore/errors.h"
#include "mediacore/wide_text.h"

namespace {

constexpr const char16_t* kDurationName = u"Duration";
constexpr const char16_t* kBitrateName = u"Bitrate";
// Names and texts are stored with 16-bit byte lengths, terminator included.
constexpr std::size_t kMaxTextUnits = std::numeric_limits<std::uint16_t>::max() / 2 - 1;
// Counts of descriptors and records are 16 bits wide.
constexpr std::size_t kMaxEntries = std::numeric_limits<std::uint16_t>::max();

std::vector<std::uint8_t> DwordValue(std::uint32_t value) {
    std::vector<std::uint8_t> bytes;
    AppendU32(bytes, value);
    return bytes;
}

std::vector<std::uint8_t> QwordValue(std::uint64_t value) {
    std::vector<std::uint8_t> bytes;
    AppendU64(bytes, value);
    return bytes;
}

std::vector<std::uint8_t> TextValue(const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    AppendUtf16z(bytes, text);
    return bytes;
}

std::uint64_t PlayLength(const TAsfHeader& header) {
    // Preroll is in milliseconds, the durations in 100-nanosecond units.
    const std::uint64_t preroll = header.prerollMs > std::numeric_limits<std::uint64_t>::max() / 10000
                                      ? std::numeric_limits<std::uint64_t>::max()
                                      : header.prerollMs * 10000;
    return header.playDuration > preroll ? header.playDuration - preroll : 0;
}

// Attribute names compare without regard to ASCII case, as readers look
// them up: "title" and "Title" name one attribute.
char16_t FoldUnit(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldUnit(x) == FoldUnit(y); });
}

// Whether the file says its audio is of variable bit rate ("IsVBR" true).
bool IsVariableRate(const TAsfHeader& header) {
    for (const TAsfAttribute& attribute : header.extendedContent) {
        if (SameName(attribute.name, u"IsVBR") &&
            std::any_of(attribute.value.begin(), attribute.value.end(), [](std::uint8_t b) { return b != 0; })) {
            return true;
        }
    }
    return false;
}

// A variable-rate file's average: the bits after the header over the play
// time (the rates it states are peaks, many times the average). 0 when the
// file gives no length or no data.
std::uint32_t AverageBitrate(const TAsfHeader& header) {
    const std::uint64_t units = PlayLength(header);
    const std::uint64_t bytes = header.fileSize > header.headerBytes ? header.fileSize - header.headerBytes : 0;
    if (units == 0 || bytes == 0) return 0;
    constexpr unsigned __int128 kUnitsPerSecond = 10'000'000;
    const unsigned __int128 rate = static_cast<unsigned __int128>(bytes) * 8 * kUnitsPerSecond / units;
    return static_cast<std::uint32_t>(std::min<unsigned __int128>(rate, std::numeric_limits<std::uint32_t>::max()));
}

// The bit rate of all streams: for a variable-rate file its average, else
// the Stream Bitrate Properties when the file has them, else the audio
// streams' byte rates, else the file's maximum.
std::uint32_t FileBitrate(const TAsfHeader& header) {
    if (IsVariableRate(header)) {
        if (const std::uint32_t average = AverageBitrate(header); average > 0) return average;
    }
    std::uint64_t total = 0;
    for (const auto& [stream, bitrate] : header.streamBitrates) total += bitrate;
    if (total == 0) {
        for (const TAsfStream& stream : header.streams) {
            WAVEFORMATEX format{};
            if (stream.type == ASF_Audio_Media && stream.typeSpecific.size() >= 16) {
                std::memcpy(&format, stream.typeSpecific.data(), std::min(stream.typeSpecific.size(), sizeof format));
                total += static_cast<std::uint64_t>(format.nAvgBytesPerSec) * 8;
            }
        }
    }
    if (total == 0) total = header.maxBitrate;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
}

void AppendStream0(const std::vector<TAsfMetadataRecord>& records, std::vector<TAsfAttribute>& out) {
    for (const TAsfMetadataRecord& record : records) {
        if (record.stream == 0) out.push_back(record.attribute);
    }
}

TAsfMetadataRecord* FindStream0(std::vector<TAsfMetadataRecord>& records, const std::u16string& name) {
    for (TAsfMetadataRecord& record : records) {
        if (record.stream == 0 && SameName(record.attribute.name, name)) return &record;
    }
    return nullptr;
}

// Which descriptors and records named like an attribute a store removes.
enum class TSpellings {
    kOthers,  // those whose name differs only in case
    kAll,     // the very same name too
};

// Removes file-wide entries named like name from the descriptors and the
// metadata records: readers would find them in place of the value just
// stored. With kOthers, entries of the very same name stay (an attribute
// may hold several values).
void EraseSpellings(TAsfHeader& header, const std::u16string& name, TSpellings which, bool* extensionChanged) {
    const auto named = [&](const std::u16string& other) {
        return SameName(other, name) && (which == TSpellings::kAll || other != name);
    };
    std::erase_if(header.extendedContent, [&](const TAsfAttribute& a) { return named(a.name); });
    for (auto* records : {&header.metadata, &header.metadataLibrary}) {
        const std::size_t erased = std::erase_if(
            *records, [&](const TAsfMetadataRecord& r) { return r.stream == 0 && named(r.attribute.name); });
        if (erased > 0) *extensionChanged = true;
    }
}

void EraseOtherSpellings(TAsfHeader& header, const std::u16string& name, bool* extensionChanged) {
    EraseSpellings(header, name, TSpellings::kOthers, extensionChanged);
}

std::u16string TextOf(const std::vector<std::uint8_t>& value) {
    std::u16string text = Utf16FromBytes(value);
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
}

// Only the Metadata Library holds GUIDs. A descriptor or metadata record of
// the same name moves there, leaving no older copy behind.
HRESULT StoreGuid(TAsfHeader& header, const TAsfAttribute& attribute, bool* extensionChanged) {
    TAsfMetadataRecord* record = FindStream0(header.metadataLibrary, attribute.name);
    if (record == nullptr && header.metadataLibrary.size() >= kMaxEntries) return E_INVALIDARG;
    std::erase_if(header.extendedContent, [&](const TAsfAttribute& a) { return a.name == attribute.name; });
    std::erase_if(header.metadata, [&](const TAsfMetadataRecord& r) {
        return r.stream == 0 && r.attribute.name == attribute.name;
    });
    if (record != nullptr) {
        record->attribute = attribute;
    } else {
        header.metadataLibrary.push_back({0, 0, attribute});
    }
    EraseOtherSpellings(header, attribute.name, extensionChanged);
    *extensionChanged = true;
    return S_OK;
}

// Replaces the first file-wide entry named like the attribute, wherever it
// lives, and removes the others; false when there is none.
bool ReplaceExisting(TAsfHeader& header, const TAsfAttribute& attribute, bool* extensionChanged) {
    TAsfAttribute* kept = nullptr;
    auto inContent = std::find_if(header.extendedContent.begin(), header.extendedContent.end(),
                                  [&](const TAsfAttribute& a) { return SameName(a.name, attribute.name); });
    if (inContent != header.extendedContent.end()) {
        kept = &*inContent;
    } else {
        for (auto* records : {&header.metadata, &header.metadataLibrary}) {
            if (TAsfMetadataRecord* record = FindStream0(*records, attribute.name)) {
                kept = &record->attribute;
                *extensionChanged = true;
                break;
            }
        }
    }
    if (kept == nullptr) return false;
    *kept = attribute;
    EraseOtherSpellings(header, attribute.name, extensionChanged);
    return true;
}

}  // namespace

std::vector<TAsfAttribute> ListFileAttributes(const TAsfHeader& header) {
    std::vector<TAsfAttribute> list;
    list.push_back({kDurationName, WMT_TYPE_QWORD, QwordValue(PlayLength(header))});
    list.push_back({kBitrateName, WMT_TYPE_DWORD, DwordValue(FileBitrate(header))});
    for (std::size_t field = 0; field < kAsfContentFields; ++field) {
        if (!header.content[field].empty()) {
            list.push_back({kAsfContentNames[field], WMT_TYPE_STRING, TextValue(header.content[field])});
        }
    }
    list.insert(list.end(), header.extendedContent.begin(), header.extendedContent.end());
    AppendStream0(header.metadata, list);
    AppendStream0(header.metadataLibrary, list);
    return list;
}

HRESULT StoreFileAttribute(TAsfHeader& header, const TAsfAttribute& attribute, bool* extensionChanged) {
    if (attribute.name.empty() || attribute.name.size() > kMaxTextUnits) return E_INVALIDARG;
    if (SameName(attribute.name, kDurationName) || SameName(attribute.name, kBitrateName)) return MEDIACORE_E_READ_ONLY;

    for (std::size_t field = 0; field < kAsfContentFields; ++field) {
        if (!SameName(attribute.name, kAsfContentNames[field])) continue;
        if (attribute.type != WMT_TYPE_STRING) return E_INVALIDARG;
        std::u16string text = TextOf(attribute.value);
        if (text.size() > kMaxTextUnits) return E_INVALIDARG;
        header.content[field] = std::move(text);
        // Other programs also write these texts as descriptors ("Author" or
        // "title" beside the description's Author and Title, as FFmpeg
        // does); readers would show those in place of the new text, so the
        // description's text becomes the only one of its name.
        EraseSpellings(header, kAsfContentNames[field], TSpellings::kAll, extensionChanged);
        return S_OK;
    }

    if (attribute.type == WMT_TYPE_GUID) return StoreGuid(header, attribute, extensionChanged);
    if (ReplaceExisting(header, attribute, extensionChanged)) return S_OK;
    if (header.extendedContent.size() >= kMaxEntries) return E_INVALIDARG;
    header.extendedContent.push_back(attribute);
    return S_OK;
}

HRESULT CopyAttributeOut(const TAsfAttribute& attribute, WCHAR* name, WORD* nameLength, WMT_ATTR_DATATYPE* type,
                         BYTE* value, WORD* valueLength) {
    if (nameLength == nullptr || type == nullptr || valueLength == nullptr) return E_POINTER;
    if (attribute.value.size() > 0xFFFF) return E_UNEXPECTED;
    const auto neededValue = static_cast<WORD>(attribute.value.size());
    WORD nameRoom = *nameLength;
    HRESULT hr = CopyWideOut(attribute.name, nullptr, nameLength);
    if (FAILED(hr)) return hr;
    const WORD neededName = *nameLength;
    const WORD valueRoom = *valueLength;
    *valueLength = neededValue;
    *type = attribute.type;
    if ((name != nullptr && nameRoom < neededName) || (value != nullptr && valueRoom < neededValue)) {
        return MEDIACORE_E_BUFFER_TOO_SMALL;
    }
    if (name != nullptr) CopyWideOut(attribute.name, name, &nameRoom);
    if (value != nullptr && neededValue != 0) std::memcpy(value, attribute.value.data(), neededValue);
    return S_OK;
}
