#pragma once
// Identifiers and fixed sizes of the ASF objects the header code knows (the
// published ASF format, section 10 "GUIDs"; layouts in sections 3 and 4). Every
// object starts with its GUID and a 64-bit size that includes those 24 bytes.

#include <cstddef>

#include "mediacore/wm_types.h"

inline constexpr GUID ASF_Header_Object = {0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
inline constexpr GUID ASF_Data_Object = {0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
inline constexpr GUID ASF_File_Properties_Object = {0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
inline constexpr GUID ASF_Stream_Properties_Object = {0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
inline constexpr GUID ASF_Stream_Bitrate_Properties_Object = {0x7BF875CE, 0x468D, 0x11D1, {0x8D, 0x82, 0x00, 0x60, 0x97, 0xC9, 0xA2, 0xB2}};
inline constexpr GUID ASF_Content_Description_Object = {0x75B22633, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
inline constexpr GUID ASF_Extended_Content_Description_Object = {0xD2D0A440, 0xE307, 0x11D2, {0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50}};
inline constexpr GUID ASF_Header_Extension_Object = {0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
inline constexpr GUID ASF_Metadata_Object = {0xC5F8CBEA, 0x5BAF, 0x4877, {0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA}};
inline constexpr GUID ASF_Metadata_Library_Object = {0x44231C94, 0x9498, 0x49D1, {0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54}};
inline constexpr GUID ASF_Content_Encryption_Object = {0x2211B3FB, 0xBD23, 0x11D2, {0xB4, 0xB7, 0x00, 0xC0, 0x4F, 0xB9, 0xDB, 0x4A}};
inline constexpr GUID ASF_Extended_Content_Encryption_Object = {0x298AE614, 0x2622, 0x4C17, {0xB9, 0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C}};
inline constexpr GUID ASF_Advanced_Content_Encryption_Object = {0x43058533, 0x6981, 0x49E6, {0x9B, 0x74, 0xAD, 0x12, 0xCB, 0x86, 0xD5, 0x8C}};
inline constexpr GUID ASF_Audio_Media = {0xF8699E40, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};

// GUID and size.
inline constexpr std::size_t kAsfObjectHeadBytes = 24;
// The Header Object's head: object head, number of header objects (32 bits),
// two reserved bytes.
inline constexpr std::size_t kAsfHeaderHeadBytes = 30;
// The Header Extension Object's head: object head, reserved GUID, reserved
// 16 bits, size of the extension data (32 bits).
inline constexpr std::size_t kAsfHeaderExtensionHeadBytes = 46;
// Offset of the file size field in the File Properties Object (after the
// object head and the file ID).
inline constexpr std::size_t kAsfFileSizeFieldOffset = 40;
// Stream number bits of a stream's flags; the top bit marks encrypted content.
inline constexpr std::uint16_t kAsfStreamNumberMask = 0x7F;
inline constexpr std::uint16_t kAsfStreamEncryptedFlag = 0x8000;

// Value types as files number them (Extended Content Description and
// Metadata objects); GUID only in the latter.
enum class EAsfValueType : std::uint16_t {
    String = 0,
    Bytes = 1,
    Bool = 2,
    Dword = 3,
    Qword = 4,
    Word = 5,
    Guid = 6,
};
