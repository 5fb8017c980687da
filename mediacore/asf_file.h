#pragma once
// Reading an ASF file's header from disk, and replacing it: the new header
// and the rest of the old file go to a temporary file beside it, which is
// synced and renamed over the old one, so a failure leaves the old file as it was.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mediacore/wm_types.h"

// Largest Header Object the reader takes. Real headers hold a few kilobytes
// of descriptions, and cover pictures bring them to a few megabytes; a size
// field beyond this (a damaged or hostile file can claim its whole length)
// is refused before anything is allocated for it.
inline constexpr std::uint64_t kMaxAsfHeaderBytes = 64ull * 1024 * 1024;

// The Header Object's bytes (as many as its size field says, no more than the
// file holds nor kMaxAsfHeaderBytes) and the file's size. MEDIACORE_E_FILE
// when it cannot be read, MEDIACORE_E_BAD_HEADER when it does not start like
// an ASF header or claims more.
HRESULT ReadAsfHeaderBytes(const std::string& path, std::vector<std::uint8_t>& header, std::uint64_t& fileSize);

// Writes newHeader followed by the bytes of path after oldHeader, then
// renames the result over path. The file must still be fileSize bytes long
// and start with oldHeader (it was not changed behind the editor's back).
HRESULT ReplaceAsfHeader(const std::string& path, std::span<const std::uint8_t> newHeader,
                         std::span<const std::uint8_t> oldHeader, std::uint64_t fileSize);
