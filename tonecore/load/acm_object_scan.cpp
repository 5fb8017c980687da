// ACMObject::ParseScanAndBuild: one pass over a compressed source's data
// that finds its decoded length and builds its peaks and seek map.
//
// Each pass reads ten source blocks (whole blocks of about 2000 bytes when
// ten blocks are fewer than 200 bytes), converts them, steps the stream back
// over what the codec did not take, feeds the decoded bytes to the peaks and
// adds a seek-map entry {source bytes before the pass, decoded bytes before
// the pass}. A final entry {all source bytes, all decoded bytes} closes the
// map. Cancelling through the progress callback deletes the peaks and map.

#include <memory>
#include <new>
#include <vector>

#include "filekit/ref_obj.h"
#include "tonecore/load/read_once_scope.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/peaks/peak_accumulator.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/load/scan_finish.h"
#include "tonecore/load/scan_progress.h"
#include "tonecore/peaks/seek_map.h"

namespace {

constexpr std::int32_t kBlocksPerPass = 10;
constexpr std::int32_t kSmallPassBytes = 200;
constexpr std::int32_t kSmallPassTarget = 2000;

// The progress protocol (scan_progress.h) after a pass that took `count`
// source bytes; false when the scan is cancelled. A pass that took nothing
// is not reported.
bool ContinueAfterPass(TScanProgress progress, void* context, std::uint32_t count) {
    return count == 0 || CScanProgress(progress, context).Report(count);
}

}  // namespace

void ACMObject::ParseScanAndBuild(CRefObj* source, CSeekMap*& seekMap, CPeaks*& peaks, std::int32_t* lengthMs,
                                  std::int64_t* bytesDone, std::int64_t dataStart, std::int64_t dataEnd,
                                  int cancelled, int scanA, int buildPeaks, int buildSeekMap,
                                  std::int32_t msPerPeak, int /*scanB*/, int peaksToFile, TScanProgress progress,
                                  void* context) {
    const std::int32_t block = BlockSize(GetSrcFormat());
    if (source == nullptr || cancelled || (!scanA && !buildPeaks && !buildSeekMap) || dataStart < 0 ||
        dataEnd <= dataStart || block < 1 || !EnableStream(1)) {
        return;
    }
    if (buildSeekMap) {
        seekMap = new (std::nothrow) CSeekMap;
        if (seekMap == nullptr) {
            if (lengthMs != nullptr) *lengthMs = 0;
            return;
        }
    }
    int toFile = peaksToFile;
    if (buildPeaks) {
        peaks = new (std::nothrow) CPeaks(static_cast<std::uint32_t>(msPerPeak), -1);
        if (peaks != nullptr) peaks->InitStreamPeaksFromParse(&toFile, source);
    }

    std::int32_t chunk = kBlocksPerPass * block;
    if (chunk < kSmallPassBytes) chunk = (kSmallPassTarget / block) * block;
    std::vector<std::uint8_t> sourceBlock(static_cast<std::size_t>(chunk));
    std::vector<std::uint8_t> decodedBlock(static_cast<std::size_t>(GetConvertedBufferSize(chunk)));
    if (!source->Seek(dataStart, 0)) return;

    const WAVEFORMATEX destination = *GetDestFormat();
    std::unique_ptr<CPeakAccumulator> accumulator;
    if (peaks != nullptr) accumulator = std::make_unique<CPeakAccumulator>(destination, msPerPeak);
    std::int64_t totalConsumed = 0;
    std::int64_t totalDecoded = 0;
    {
        CReadOnceScope readOnce(source);
        TConversionFlag flag = kConversionFirst;
        while (!cancelled && source->Tell() < dataEnd) {
            const std::int64_t read =
                source->Read(sourceBlock.data(), std::min<std::int64_t>(chunk, dataEnd - source->Tell()));
            if (read <= 0) break;
            std::int64_t consumed = read;
            std::uint8_t* decoded = decodedBlock.data();
            const std::int64_t produced = std::max<std::int64_t>(
                Convert(sourceBlock.data(), consumed, decoded, static_cast<std::int64_t>(decodedBlock.size()), flag, 1),
                0);
            flag = kConversionNext;
            if (consumed < read) source->Seek(consumed - read, 1);
            if (accumulator) accumulator->Add(decodedBlock.data(), static_cast<std::size_t>(produced), *peaks, toFile);
            if (seekMap != nullptr && produced != 0) seekMap->SeekMapAdd(totalConsumed, totalDecoded);
            totalDecoded += produced;
            totalConsumed += consumed;
            if (bytesDone != nullptr) *bytesDone += consumed;
            if (!ContinueAfterPass(progress, context, static_cast<std::uint32_t>(consumed))) cancelled = 1;
            // A codec that neither takes nor makes anything would have the
            // same bytes read again for ever.
            if (consumed <= 0 && produced == 0) break;
        }
    }

    FinishDecodeScan(cancelled != 0, totalDecoded, destination, seekMap, peaks,
                     accumulator ? accumulator->Count() : 0u, toFile, lengthMs);
    // A closing entry for the whole source.
    if (!cancelled && seekMap != nullptr) seekMap->SeekMapAdd(totalConsumed, totalDecoded);
}
