#include "tonecore/load/scan_finish.h"

#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"

std::int32_t FinishDecodeScan(bool cancelled, std::int64_t decodedBytes,
                              const WAVEFORMATEX& destination, CSeekMap*& seekMap, CPeaks*& peaks,
                              std::uint32_t peakCount, int toFile, std::int32_t* lengthMs) {
    if (cancelled) {
        ReleaseSeekMap(&seekMap);
        delete peaks;
        peaks = nullptr;
        return 0;
    }
    const std::int32_t length =
        destination.nAvgBytesPerSec == 0
            ? 0
            : static_cast<std::int32_t>(static_cast<double>(decodedBytes) * 1000.0 /
                                        destination.nAvgBytesPerSec);
    if (lengthMs != nullptr) *lengthMs = length;
    if (peaks != nullptr) peaks->FinishPeaksFromParse(peakCount, length, toFile);
    return length;
}
