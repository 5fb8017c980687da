#pragma once
// The plain types of the media interfaces: wide text, 64-bit times, GUIDs,
// result codes, attribute types and the media type record. The sound engine
// includes this header (through wm_interfaces.h) without linking mediacore.

#include <cstdint>
#include <cstring>

#include "platform/types.h"
#include "platform/wave_format.h"

// Wide text of the interfaces is UTF-16 (Linux's wchar_t is 32 bits wide).
using WCHAR = char16_t;
using QWORD = std::uint64_t;
using ULONG = std::uint32_t;

inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);

// The pull reader has delivered its last sample.
inline constexpr HRESULT NS_E_NO_MORE_SAMPLES = static_cast<HRESULT>(0xC00D0BCFu);
// A call that the object's state does not allow (Start before the file is
// open, a second Open, writing before BeginWriting).
inline constexpr HRESULT NS_E_INVALID_REQUEST = static_cast<HRESULT>(0xC00D002Bu);

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A 128-bit identifier in its in-memory layout; files store it little-endian.
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is stored as 16 bytes");

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// Versions of the system profiles; profiles are built for 7.0.
enum WMT_VERSION : std::uint32_t {
    WMT_VER_4_0 = 0x00040000,
    WMT_VER_7_0 = 0x00070000,
};

// Value types of attributes, in the interfaces' numbering (files number them
// differently; the header code maps between the two).
enum WMT_ATTR_DATATYPE : std::int32_t {
    WMT_TYPE_DWORD = 0,
    WMT_TYPE_STRING = 1,
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3,
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

// Reader status values that the reader callback receives.
enum WMT_STATUS : std::int32_t {
    WMT_ERROR = 0,
    WMT_OPENED = 1,
    WMT_END_OF_FILE = 4,
    WMT_STARTED = 11,
    WMT_STOPPED = 12,
    WMT_CLOSED = 13,
};

enum WMT_PLAY_MODE : std::int32_t {
    WMT_PLAY_MODE_AUTOSELECT = 0,
    WMT_PLAY_MODE_LOCAL = 1,
};

enum WMT_STREAM_SELECTION : std::int32_t {
    WMT_OFF = 0,
    WMT_CLEANPOINT_ONLY = 1,
    WMT_ON = 2,
};

class IUnknown;

// A media type: what a stream, an input or an output carries. When an
// interface hands one out, the format bytes follow the record in the same
// buffer and pbFormat points at them.
struct WM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};
