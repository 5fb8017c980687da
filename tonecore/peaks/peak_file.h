#pragma once
// Peak-file helpers that work on a shared peak record directly: reading a
// ".ipk" or ".grd" file into it (the reload thread calls this without a
// CPeaks view of its own), and the buffer size for a number of ms per peak.

#include <cstdint>
#include <string>

struct TPeakRecord;

// Bytes in front of peak 0, and of the seven words behind the last peak.
inline constexpr std::uint32_t kPeakFileHeaderBytes = 12;
inline constexpr std::uint32_t kPeakFileTrailerBytes = 28;

// Peaks that fit in memory for msPerPeak: max(100, 10000 / ms), about ten
// seconds; 100 for ms 0.
std::uint32_t PeakBufferSizeFor(std::uint32_t msPerPeak);

// Reads the peaks file at path into record: every peak when whole is set and
// they fit the buffer, otherwise only the last one (the others stay in the
// file). The file is read completely before the record changes; the record
// then takes the new buffer and facts under its lock, the path, and is
// marked loaded last. 0 (record untouched, last error set) when the file
// does not open, a header field is zero, or the peaks or trailer are short.
int LoadPeakFileIntoRecord(TPeakRecord& record, const char* path, int whole);
