#pragma once
// Reading an ASF file's header from disk, and replacing it: the new header
// and the rest of the old file go to a temporary file beside it, which is
// synced and renamed over the old one, so a failure leaves the old file as it was.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mediacore/wm_types.h"

// The Header Object's bytes (as many as its size field says, no more than the
// file holds) and the file's size. MEDIACORE_E_FILE when it cannot be read,
// MEDIACORE_E_BAD_HEADER when it does not start like an ASF header.
HRESULT ReadAsfHeaderBytes(const std::string& path, std::vector<std::uint8_t>& header, std::uint64_t& fileSize);

// Writes newHeader followed by the bytes of path after oldHeader, then
// renames the result over path. The file must still be fileSize bytes long
// and start with oldHeader (it was not changed behind the editor's back).
HRESULT ReplaceAsfHeader(const std::string& path, std::span<const std::uint8_t> newHeader,
                         std::span<const std::uint8_t> oldHeader, std::uint64_t fileSize);
