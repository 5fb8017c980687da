#pragma once
// The end every decoding object's whole-source scan shares: a cancelled
// scan deletes the seek map and peaks it built (a half-written peak file goes
// with them) and leaves their outs null; a finished one measures the length
// from the decoded bytes and completes the peaks.

#include <cstdint>

#include "platform/wave_format.h"

class CPeaks;
class CSeekMap;

// The length in ms (0 when cancelled), also into *lengthMs when given.
std::int32_t FinishDecodeScan(bool cancelled, std::int64_t decodedBytes,
                              const WAVEFORMATEX& destination, CSeekMap*& seekMap, CPeaks*& peaks,
                              std::uint32_t peakCount, int toFile, std::int32_t* lengthMs);
