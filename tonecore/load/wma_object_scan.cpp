// WMAObject::ParseScanAndBuild: one decode of the whole song for its peaks
// and its exact length. WMA songs get no seek map: a seek restarts the
// reader by time.

#include <memory>
#include <new>
#include <vector>

#include "filekit/ref_obj.h"
#include "tonecore/peaks/peak_accumulator.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/load/scan_progress.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/load/wma_object.h"

namespace {

constexpr std::int64_t kDecodedBlockBytes = 65536;

}  // namespace

void WMAObject::ParseScanAndBuild(CRefObj* source, CSeekMap*& seekMap, CPeaks*& peaks,
                                  std::int32_t* lengthMs, std::int64_t* bytesDone,
                                  std::int64_t dataStart, std::int64_t dataEnd, int cancelled,
                                  int scanA, int buildPeaks, int /*buildSeekMap*/,
                                  std::int32_t msPerPeak, int /*scanB*/, int peaksToFile,
                                  TScanProgress progress, void* context) {
    // Without a scan the length is the one the file states (some encoders
    // state a codec frame more than they decode); a scan measures what
    // decodes, with or without peaks.
    if (!buildPeaks && !scanA) {
        if (lengthMs != nullptr && *lengthMs == 0) *lengthMs = static_cast<std::int32_t>(GetDuration());
        return;
    }
    if (source == nullptr || cancelled || dataStart < 0 || dataEnd <= dataStart || !EnableStream(1)) return;

    int toFile = peaksToFile;
    if (buildPeaks) {
        peaks = new (std::nothrow) CPeaks(static_cast<std::uint32_t>(msPerPeak), -1);
        if (peaks != nullptr) peaks->InitStreamPeaksFromParse(&toFile, source);
    }
    if (open_) Close();
    if (!Open(nullptr)) {
        if (lengthMs != nullptr) *lengthMs = 0;
        return;
    }
    source->Seek(dataStart, 0);

    const WAVEFORMATEX destination = *GetDestFormat();
    const std::uint32_t sourceRate = GetSrcFormat()->nAvgBytesPerSec;
    std::unique_ptr<CPeakAccumulator> accumulator;
    if (peaks != nullptr) accumulator = std::make_unique<CPeakAccumulator>(destination, msPerPeak);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(kDecodedBlockBytes));
    std::int64_t decodedTotal = 0;
    TConversionFlag flag = kConversionFirst;
    bool failed = false;
    while (!endOfFile_ || queue_.TotalBytesAvailable() > 0) {
        std::int64_t consumed = 0;
        std::uint8_t* out = block.data();
        const std::int64_t bytes = Convert(nullptr, consumed, out, kDecodedBlockBytes, flag, 0);
        flag = kConversionNext;
        if (bytes == 0) break;
        if (bytes < 0 || consumed < 0) {
            failed = true;
            break;
        }
        if (accumulator) accumulator->Add(block.data(), static_cast<std::size_t>(bytes), *peaks, toFile);
        decodedTotal += bytes;
        const std::int64_t sourceBytes =
            destination.nAvgBytesPerSec == 0 ? 0 : std::int64_t{sourceRate} * bytes / destination.nAvgBytesPerSec;
        if (bytesDone != nullptr) *bytesDone += sourceBytes;
        if (!CScanProgress(progress, context).Report(static_cast<std::uint32_t>(sourceBytes))) {
            cancelled = 1;
            break;
        }
    }

    if (failed || cancelled) {
        if (lengthMs != nullptr) *lengthMs = 0;
        ReleaseSeekMap(&seekMap);
        delete peaks;
        peaks = nullptr;
    } else {
        const auto length = destination.nAvgBytesPerSec == 0
                                ? 0
                                : static_cast<std::int32_t>(static_cast<double>(decodedTotal) * 1000.0 /
                                                            destination.nAvgBytesPerSec);
        if (lengthMs != nullptr) *lengthMs = length;
        if (peaks != nullptr) peaks->FinishPeaksFromParse(accumulator->Count(), length, toFile);
    }
    Close();
    source->Seek(dataStart, 0);
}
