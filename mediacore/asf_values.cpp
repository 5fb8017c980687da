#include "mediacore/asf_values.h"

#include "mediacore/asf_objects.h"

namespace {

struct TTypePair {
    EAsfValueType file;
    WMT_ATTR_DATATYPE api;
    std::size_t fixedBytes;  // 0: any length
};

constexpr TTypePair kTypes[] = {
    {EAsfValueType::String, WMT_TYPE_STRING, 0}, {EAsfValueType::Bytes, WMT_TYPE_BINARY, 0},
    {EAsfValueType::Bool, WMT_TYPE_BOOL, 4},     {EAsfValueType::Dword, WMT_TYPE_DWORD, 4},
    {EAsfValueType::Qword, WMT_TYPE_QWORD, 8},   {EAsfValueType::Word, WMT_TYPE_WORD, 2},
    {EAsfValueType::Guid, WMT_TYPE_GUID, 16},
};

const TTypePair* ByFileType(std::uint16_t type) {
    for (const TTypePair& pair : kTypes) {
        if (static_cast<std::uint16_t>(pair.file) == type) return &pair;
    }
    return nullptr;
}

const TTypePair* ByApiType(WMT_ATTR_DATATYPE type) {
    for (const TTypePair& pair : kTypes) {
        if (pair.api == type) return &pair;
    }
    return nullptr;
}

bool EndsWithTerminator(std::span<const std::uint8_t> value) {
    return value.size() >= 2 && value[value.size() - 1] == 0 && value[value.size() - 2] == 0;
}

}  // namespace

bool AttributeFromFile(std::uint16_t fileType, std::span<const std::uint8_t> value, bool inMetadataObject,
                       TAsfAttribute& attribute) {
    const TTypePair* pair = ByFileType(fileType);
    if (pair == nullptr) return false;
    attribute.type = pair->api;
    if (pair->api == WMT_TYPE_BOOL && inMetadataObject) {
        if (value.size() != 2) return false;
        attribute.value = {value[0], value[1], 0, 0};
        return true;
    }
    if (pair->fixedBytes != 0 && value.size() != pair->fixedBytes) return false;
    if (pair->api == WMT_TYPE_STRING && value.size() % 2 != 0) return false;
    attribute.value.assign(value.begin(), value.end());
    // Text is handed out terminated, whether or not the file stored the zero.
    if (pair->api == WMT_TYPE_STRING && !EndsWithTerminator(value)) attribute.value.insert(attribute.value.end(), {0, 0});
    return true;
}

std::uint16_t FileValueType(WMT_ATTR_DATATYPE type) {
    const TTypePair* pair = ByApiType(type);
    return static_cast<std::uint16_t>(pair != nullptr ? pair->file : EAsfValueType::Bytes);
}

std::vector<std::uint8_t> FileValue(const TAsfAttribute& attribute, bool inMetadataObject) {
    if (attribute.type == WMT_TYPE_BOOL && inMetadataObject) {
        const bool set = attribute.value.size() >= 4 &&
                         (attribute.value[0] | attribute.value[1] | attribute.value[2] | attribute.value[3]) != 0;
        return {static_cast<std::uint8_t>(set ? 1 : 0), 0};
    }
    return attribute.value;
}

bool IsValidValueLength(WMT_ATTR_DATATYPE type, std::size_t length) {
    const TTypePair* pair = ByApiType(type);
    if (pair == nullptr) return false;
    if (pair->fixedBytes != 0) return length == pair->fixedBytes;
    if (type == WMT_TYPE_STRING) return length % 2 == 0;
    return true;
}
