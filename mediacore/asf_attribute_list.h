#pragma once
// The file-level (stream 0) attributes of a parsed header as the header
// information interface lists them, and how a new value finds its place.

#include <vector>

#include "mediacore/asf_header.h"

// "Duration" (QWORD: play duration less preroll, 100-nanosecond units) and
// "Bitrate" (DWORD, bit/s) first; then the content description's texts that
// are not empty; then the extended content descriptors; then the stream 0
// records of the Metadata and the Metadata Library objects, each in file order.
std::vector<TAsfAttribute> ListFileAttributes(const TAsfHeader& header);

// Stores a file-level attribute. The five content description names take
// text only, and any descriptor or metadata record of that name (in any
// case) is removed, so the description holds the one value; a GUID always goes into the Metadata Library (no other object
// can hold one), taking the place of any value of that name elsewhere; any
// other value replaces the one of that name where the file holds it, or
// joins the extended content description.
// *extensionChanged is set when a metadata object inside the header
// extension changed. E_INVALIDARG for a value the chosen object cannot hold,
// MEDIACORE_E_READ_ONLY for "Duration" and "Bitrate".
HRESULT StoreFileAttribute(TAsfHeader& header, const TAsfAttribute& attribute, bool* extensionChanged);

// IWMHeaderInfo::GetAttributeByIndex's answer for one attribute: both sizes
// are answered before anything is copied, so a caller learns them in one
// call; a null name or value asks for its size only.
HRESULT CopyAttributeOut(const TAsfAttribute& attribute, WCHAR* name, WORD* nameLength, WMT_ATTR_DATATYPE* type,
                         BYTE* value, WORD* valueLength);
