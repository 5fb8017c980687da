#pragma once
// Attribute values between their file form (ASF value types, a 16-bit BOOL in
// the metadata objects) and the interfaces' form (WMT types, a 32-bit BOOL,
// terminated text).

#include <cstdint>
#include <span>
#include <vector>

#include "mediacore/asf_header.h"

// Fills attribute's type and value from a stored value; false for an unknown
// type, a size that does not fit the type, or text of an odd length.
// inMetadataObject: the value comes from a Metadata or Metadata Library
// object, whose BOOL is 16 bits wide.
bool AttributeFromFile(std::uint16_t fileType, std::span<const std::uint8_t> value, bool inMetadataObject,
                       TAsfAttribute& attribute);

// The stored type and value of an attribute.
std::uint16_t FileValueType(WMT_ATTR_DATATYPE type);
std::vector<std::uint8_t> FileValue(const TAsfAttribute& attribute, bool inMetadataObject);

// Whether a value of this many bytes is one of the type (as the interfaces
// pass it): fixed sizes for numbers, BOOL and GUID; text of an even length.
bool IsValidValueLength(WMT_ATTR_DATATYPE type, std::size_t length);
