#pragma once
// One file as the import stores it: probed, checked against the flags'
// minimum length, made into a song record.

#include <cstdint>
#include <string>

#include "songvault/records.h"
#include "songvault/song_probe.h"

namespace songvault {

// Fills song (a new record) from the probe's answer for the regular file at
// path, of the given kind bit. The file's modification time is the song's
// change date, the import time its create date. A song without a title is
// named after its file (read as Windows-1252 when the name is not UTF-8, so
// the title is always text). False with SONGVAULT_ERR_NOT_IMPORTED when the
// file is no regular file, the probe cannot read it, or it is shorter than
// the flags' minimum for its kind; with SONGVAULT_ERR_PATH_TOO_LONG when the
// path does not fit the record.
bool ProbeSong(ISongProbe& probe, const std::string& path, std::uint32_t kind, std::uint32_t flags, TSVT_Song& song);

}  // namespace songvault
