#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "filekit/riff.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/load/initial_load_source.h"
#include "tonecore/peaks/peak_accumulator.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/load/scan_progress.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/peaks/sound_cache.h"
#include "tonecore/tags/wave_info_list.h"

namespace {

// Passes the caller's answers on and notes a cancel.
struct TCancelWatch {
    TScanProgress callback;
    void* context;
    bool cancelled;
    static int Answer(std::uint32_t bytes, void* self) {
        auto* watch = static_cast<TCancelWatch*>(self);
        const int answer = watch->callback(bytes, watch->context);
        if (answer == 0) watch->cancelled = true;
        return answer;
    }
};

}  // namespace

int CInitialLoad::SetMusInfoFromWaveInfo(CRefObj* /*source*/, CRIFF* riff) {
    if (riff == nullptr) return 0;
    auto info = std::unique_ptr<TMusicInfo>(new (std::nothrow) TMusicInfo());
    if (!info) return 0;
    if (!ReadWaveInfoList(*riff, *info)) return 0;
    musicInfo_ = std::move(info);
    return 1;
}

int CInitialLoad::LoadPeakMap(CRefObj* source, std::int32_t msPerPeak) {
    const char* path = SourcePath(source);
    if (path == nullptr || msPerPeak <= 0) return 0;
    auto peaks = std::unique_ptr<CPeaks>(new (std::nothrow) CPeaks());
    if (!peaks || LoadPeaksCache(*peaks, path, static_cast<std::uint32_t>(msPerPeak)) == 0)
        return 0;
    DropPeaks();
    peaks_ = peaks.release();
    length_ = peaks_->LengthOfSound();
    return 1;
}

int CInitialLoad::LoadSeekMap(CRefObj* source) {
    const char* path = SourcePath(source);
    if (path == nullptr) return 0;
    CSeekMap* map = new (std::nothrow) CSeekMap();
    if (map == nullptr) return 0;
    if (LoadSeekMapCache(*map, path) == 0) {
        ReleaseSeekMap(&map);
        return 0;
    }
    ReleaseSeekMap(&seekMap_);
    seekMap_ = map;
    return 1;
}

int CInitialLoad::SaveSeekMap(CRefObj* source) {
    const char* path = SourcePath(source);
    return path != nullptr && seekMap_ != nullptr ? SaveSeekMapCache(*seekMap_, path) : 0;
}

bool CInitialLoad::StartScan(CScanProgress& progress) {
    length_ = 0;
    if (progress.Report(0)) return true;
    cancelled_ = true;
    return false;
}

std::int32_t CInitialLoad::ParsePeaksForUncompressed(CRefObj* source, int /*unused*/,
                                                     std::int32_t msPerPeak, TScanProgress callback,
                                                     void* context) {
    CScanProgress progress(callback, context);
    if (!StartScan(progress)) return 0;
    const WAVEFORMATEX* format = GetWAVEFORMTEX();
    if (source == nullptr || format == nullptr) return 0;
    if (SourcePath(source) != nullptr && LoadPeakMap(source, msPerPeak) != 0) return length_;

    source->SeekToData(0);
    dataStart_ = source->Tell();
    dataEnd_ = dataStart_ + source->DataSize();
    DropPeaks();
    if (msPerPeak > 0)
        peaks_ = new (std::nothrow) CPeaks(static_cast<std::uint32_t>(msPerPeak), -1);
    if (peaks_ == nullptr || format->nBlockAlign == 0) {
        // Without peaks: the length alone, from the data's size.
        length_ = LengthOfBytes(dataEnd_ - dataStart_, format->nAvgBytesPerSec);
        if (!progress.Report(static_cast<std::uint32_t>(dataEnd_ - dataStart_))) cancelled_ = true;
        return length_;
    }
    int toFile = 1;
    peaks_->InitStreamPeaksFromParse(&toFile, source);
    CPeakAccumulator builder(*format, static_cast<std::uint32_t>(msPerPeak));
    const std::int64_t dataBytes = dataEnd_ - dataStart_;
    // A second of audio at a time, in whole pieces, so that only the last
    // chunk can end inside a piece.
    const std::int64_t piece = builder.BytesPerPeak();
    std::int64_t chunk = dataBytes;
    if (dataBytes >= format->nAvgBytesPerSec)
        chunk = std::max<std::int64_t>(piece, format->nAvgBytesPerSec / piece * piece);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(chunk));
    std::int64_t position = dataStart_;
    while (position < dataEnd_) {
        const std::int64_t want = std::min(chunk, dataEnd_ - position);
        const std::int64_t got = source->Read(bytes.data(), want);
        if (got <= 0) break;
        builder.Add(bytes.data(), static_cast<std::size_t>(got), *peaks_, toFile);
        position += got;
        if (!progress.Report(static_cast<std::uint32_t>(got))) {
            cancelled_ = true;
            // The half-written peak file goes with the peaks.
            DropPeaks();
            return 0;
        }
        if (got < want) break;
    }
    builder.Flush(*peaks_, toFile);
    length_ = LengthOfBytes(dataBytes, format->nAvgBytesPerSec);
    peaks_->FinishPeaksFromParse(builder.Count(), length_, toFile);
    return length_;
}

std::int32_t CInitialLoad::ParseScanAndBuildForCompressed(CRefObj* source, int scanA,
                                                          int buildPeaks, int scanB,
                                                          int buildSeekMap, std::int32_t msPerPeak,
                                                          TScanProgress callback, void* context) {
    CScanProgress progress(callback, context);
    if (!StartScan(progress)) return 0;
    if (source == nullptr) return 0;
    source->SeekToData(0);
    const bool file = SourcePath(source) != nullptr;
    const bool peaksCached = file && buildPeaks != 0 && LoadPeakMap(source, msPerPeak) != 0;
    if (peaksCached) buildPeaks = 0;
    if (file && buildSeekMap != 0 && LoadSeekMap(source) != 0) buildSeekMap = 0;
    // Cached peaks hold the length the scan that built them measured. With
    // nothing left to build, a scan asked for the length would decode the
    // whole song again only to find the same number (a session reopened for
    // a burn would decode every song twice).
    if (peaksCached && length_ > 0 && buildSeekMap == 0) scanA = 0;
    const bool builtSeekMap = buildSeekMap != 0;
    scanDecodedNothing_ = false;
    if (decoder_) {
        // The scan gets only the outs of what it is to build: what came from
        // the caches stays out of its reach.
        CPeaks* builtPeaks = nullptr;
        CSeekMap* builtMap = nullptr;
        // The scan answers a cancel by deleting what it built; the watch on
        // the caller's answers tells the load that it was cancelled.
        TCancelWatch watch{callback, context, false};
        std::int64_t bytesDone = 0;
        // The scan sees the length the caches gave: a decoder that only
        // fills in a missing length (WMA without peaks to build) keeps it.
        std::int32_t scanned = length_;
        decoder_->ParseScanAndBuild(source, builtMap, builtPeaks, &scanned, &bytesDone, dataStart_,
                                    dataEnd_, 0, scanA, buildPeaks, buildSeekMap, msPerPeak, scanB,
                                    1, callback != nullptr ? &TCancelWatch::Answer : nullptr,
                                    &watch);
        if (watch.cancelled) {
            delete builtPeaks;
            ReleaseSeekMap(&builtMap);
            DropPeaks();
            ReleaseSeekMap(&seekMap_);
            cancelled_ = true;
            length_ = 0;
            return 0;
        }
        if (builtPeaks != nullptr) {
            DropPeaks();
            peaks_ = builtPeaks;
        }
        if (builtMap != nullptr) {
            ReleaseSeekMap(&seekMap_);
            seekMap_ = builtMap;
        }
        if (scanned != 0) length_ = scanned;
        // Only a scan of a file decodes (a memory source is measured by its
        // size); one that ran and measured nothing found no audio.
        scanDecodedNothing_ =
            file && scanned == 0 && (scanA != 0 || buildPeaks != 0 || buildSeekMap != 0);
    }
    const std::int64_t dataBytes = std::max<std::int64_t>(0, dataEnd_ - dataStart_);
    if (peaks_ == nullptr && length_ == 0) {
        ACMObject* decoder = decoder_.get();
        const WAVEFORMATEX* format =
            decoder != nullptr ? decoder->GetSrcFormat() : GetWAVEFORMTEX();
        length_ = format != nullptr ? LengthOfBytes(dataBytes, format->nAvgBytesPerSec) : 0;
    }
    progress.Report(static_cast<std::uint32_t>(std::min<std::int64_t>(dataBytes, UINT32_MAX)));
    if (file && builtSeekMap && seekMap_ != nullptr && seekMap_->Count() > 0) SaveSeekMap(source);
    return length_;
}
