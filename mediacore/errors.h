#pragma once
// Codes the media module reports: the application code it leaves in the
// thread's last-error value, and the results of its own header code.

#include <cstdint>

#include "mediacore/wm_types.h"

// No codec format meets a profile request (or the formats could not be read).
inline constexpr std::uint32_t MEDIACORE_ERR_NO_PROFILE_FORMAT = 0x20000118;

// The file is not an ASF file, or its header is damaged: an object smaller
// than its own head, running past its parent, or holding counts or lengths
// beyond its bytes.
inline constexpr HRESULT MEDIACORE_E_BAD_HEADER = static_cast<HRESULT>(0x8004B001u);
// The file is protected (content encryption); its attributes are not edited.
inline constexpr HRESULT MEDIACORE_E_PROTECTED = static_cast<HRESULT>(0x8004B002u);
// The file could not be opened, read, written or replaced.
inline constexpr HRESULT MEDIACORE_E_FILE = static_cast<HRESULT>(0x8004B003u);
// The editor has no file open.
inline constexpr HRESULT MEDIACORE_E_NOT_OPEN = static_cast<HRESULT>(0x8004B004u);
// The attribute is read-only (the file's duration and bit rate).
inline constexpr HRESULT MEDIACORE_E_READ_ONLY = static_cast<HRESULT>(0x8004B005u);
// The file holds no audio stream that can be decoded, or its audio is damaged
// beyond decoding.
inline constexpr HRESULT MEDIACORE_E_NO_AUDIO = static_cast<HRESULT>(0x8004B006u);
// The input or profile asks for a format the encoder cannot take.
inline constexpr HRESULT MEDIACORE_E_FORMAT = static_cast<HRESULT>(0x8004B007u);
// FFmpeg failed while encoding or writing the file.
inline constexpr HRESULT MEDIACORE_E_ENCODE = static_cast<HRESULT>(0x8004B008u);
// A buffer the caller gave is too small; the needed size was stored.
inline constexpr HRESULT MEDIACORE_E_BUFFER_TOO_SMALL = static_cast<HRESULT>(0x8007007Au);
