#pragma once
// Fixed-width names for the 32-bit quantities of the system's records and
// interfaces. Windows' `long` and `DWORD` are 32 bits wide; Linux's `long` is
// 64, so every persisted or 32-bit field uses these instead.

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using BOOL = std::int32_t;
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

// Length of the fixed path fields that file formats and records carry,
// terminator included.
inline constexpr int MAX_PATH = 260;
