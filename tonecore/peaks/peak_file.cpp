// CPeaks and its files: writing a peaks file while peaks are built, reading
// one whole or a window at a time, saving and blank files.
//
// A file is written under a temporary name beside its final one and renamed
// once header and trailer are in place: a crash or a full disk never leaves
// a cache file that could be taken for complete.
#include "tonecore/peaks/peak_file.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "tonecore/engine/byte_fields.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/peaks/peak_record.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/sound_cache.h"

namespace {

// What a peaks file holds, read completely before a record takes it.
struct TPeakFileContents {
    std::int32_t length = 0;
    std::uint32_t msPerPeak = 0;
    std::uint32_t numPeaks = 0;
    std::uint32_t bufferedPeaks = 0;
    std::int32_t streaming = kPeaksAllBuffered;
    std::unique_ptr<std::uint8_t[]> buffer;
    TPeakFacts facts;
};

static_assert(sizeof(TPeakFacts) == kPeakFileTrailerBytes, "the trailer is the seven fact words");

// The seven words behind the peaks, in the file's order.
std::array<std::int32_t*, 7> FactWords(TPeakFacts& f) {
    return {&f.maxLeft,      &f.maxRight,  &f.trimStart,         &f.trimEnd,
            &f.totalSilence, &f.badFrames, &f.nonCDQualityFrames};
}

bool ReadExactly(CFileObj& file, void* out, std::int64_t n) {
    if (file.Read(out, n) == n) return true;
    SetLastError(ERROR_INVALID_DATA);
    return false;
}

bool ReadPeakFile(const char* path, int whole, TPeakFileContents& out) {
    CFileObj file;
    if (path == nullptr || !file.Open(path, 0, 0)) return false;
    std::uint8_t header[kPeakFileHeaderBytes];
    if (!ReadExactly(file, header, sizeof header)) return false;
    bytefields::CByteReader head(header);
    out.length = head.LeI32();
    out.msPerPeak = head.Le32();
    out.numPeaks = head.Le32();
    // Copies of a peak set take both counts as signed 32-bit values, so
    // larger ones would load but never be saved again: they are damage.
    constexpr std::uint32_t kMostCount = std::numeric_limits<std::int32_t>::max();
    if (out.length <= 0 || out.msPerPeak == 0 || out.numPeaks == 0 || out.msPerPeak > kMostCount ||
        out.numPeaks > kMostCount) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const std::uint32_t b = PeakBufferSizeFor(out.msPerPeak);
    out.streaming = out.numPeaks <= b ? kPeaksAllBuffered : kPeaksInFile;
    out.bufferedPeaks = std::min(out.numPeaks, b);
    out.buffer.reset(new (std::nothrow) std::uint8_t[out.bufferedPeaks]());
    if (out.buffer == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return false;
    }
    if (whole && out.streaming == kPeaksAllBuffered) {
        if (!ReadExactly(file, out.buffer.get(), out.numPeaks)) return false;
    } else {
        // Only the last peak: it proves the file holds them all.
        const std::int64_t last = kPeakFileHeaderBytes + std::int64_t(out.numPeaks) - 1;
        if (!file.Seek(last, 0) || !ReadExactly(file, &out.buffer[out.bufferedPeaks - 1], 1)) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
    }
    std::uint8_t trailer[kPeakFileTrailerBytes];
    if (!ReadExactly(file, trailer, sizeof trailer)) return false;
    bytefields::CByteReader tail(trailer);
    for (std::int32_t* word : FactWords(out.facts)) *word = tail.LeI32();
    return true;
}

// A temporary name beside path, unique within the process and among
// processes.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + "." + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".tmp";
}

// A file object of its own for a peaks file; null (last error set) when out
// of memory.
CFileObj* NewPeakFileObject() {
    auto* file = new (std::nothrow) CFileObj;
    if (file == nullptr) SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
    return file;
}

void ReleaseFile(CFileObj*& file) {
    if (file == nullptr) return;
    file->Close();
    DeleteRefObject(&file);
    file = nullptr;
}

}  // namespace

int LoadPeakFileIntoRecord(TPeakRecord& record, const char* path, int whole) {
    TPeakFileContents in;
    if (!ReadPeakFile(path, whole, in)) return 0;
    // A loud last peak means the song was cut off.
    const bool endsLoud = std::int32_t(in.buffer[in.bufferedPeaks - 1]) > GetPartialSongThreshold();
    std::lock_guard<std::mutex> guard(record.swapLock);
    record.length = in.length;
    record.msPerPeak = in.msPerPeak;
    record.numPeaks = in.numPeaks;
    record.bufferedPeaks = in.bufferedPeaks;
    record.streaming = in.streaming;
    record.buffer = std::move(in.buffer);
    if (endsLoud) record.partialSong = 1;
    record.facts = in.facts;
    record.path = path;
    record.soundFound = record.trimEndFixed = 1;
    record.fractionalAmps = double(in.numPeaks) - double(in.length) / in.msPerPeak;
    record.loaded.store(1);
    return 1;
}

int CPeaks::InitPeaksToFile(CRefObj* source) {
    auto* file = dynamic_cast<CFileObj*>(source);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return InitPeaksToFile(file->FilePath());
}

int CPeaks::InitPeaksToFile(const char* songPath) {
    std::string path;
    if (!SoundCachePath(songPath, kPeakCacheExtension, 1, path)) return 0;
    return _InitPeaksToFile_(path.c_str());
}

int CPeaks::_InitPeaksToFile_(const char* exactPath) {
    ClosePeaksFile();
    if (exactPath == nullptr || *exactPath == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    CFileObj* file = NewPeakFileObject();
    if (file == nullptr) return 0;
    const std::string temp = TemporaryNameFor(exactPath);
    if (!file->Create(temp.c_str())) {
        ReleaseFile(file);
        return 0;
    }
    file_ = file;
    pendingPath_ = exactPath;
    // The header is filled in when the file is complete.
    const std::uint8_t zeroHeader[kPeakFileHeaderBytes] = {};
    return WriteToPeakFile(zeroHeader, sizeof zeroHeader) ? 1 : 0;
}

bool CPeaks::WriteToPeakFile(const std::uint8_t* data, std::uint32_t n) {
    if (file_ == nullptr || pendingPath_.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (n == 0 || file_->Write(data, n) == std::int64_t(n)) return true;
    AbandonPeakFile();
    return false;
}

void CPeaks::AbandonPeakFile() {
    if (file_ != nullptr && !pendingPath_.empty()) {
        const std::string temp = file_->FilePath();
        ReleaseFile(file_);
        unlink(temp.c_str());
    }
    pendingPath_.clear();
}

int CPeaks::StreamPeaksToFile(std::uint32_t n) {
    if (record_ == nullptr || record_->buffer == nullptr || n > record_->bufferedPeaks) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WriteToPeakFile(record_->buffer.get(), n) ? 1 : 0;
}

int CPeaks::FinishPeaksToFile() {
    if (file_ == nullptr || pendingPath_.empty() || record_ == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    TPeakRecord& r = *record_;
    bytefields::CByteWriter head;
    head.Le32(static_cast<std::uint32_t>(r.length));
    head.Le32(r.msPerPeak);
    head.Le32(r.numPeaks);
    bytefields::CByteWriter tail;
    for (const std::int32_t* word : FactWords(r.facts))
        tail.Le32(static_cast<std::uint32_t>(*word));
    // The peaks must all be there: the trailer goes right behind the last.
    const bool written = file_->Seek(0, 0) &&
                         WriteToPeakFile(head.Data().data(), kPeakFileHeaderBytes) &&
                         file_->Seek(kPeakFileHeaderBytes + std::int64_t(r.numPeaks), 0) &&
                         WriteToPeakFile(tail.Data().data(), kPeakFileTrailerBytes);
    if (!written) {
        AbandonPeakFile();
        return 0;
    }
    const std::string temp = file_->FilePath();
    const std::string target = pendingPath_;
    ReleaseFile(file_);
    pendingPath_.clear();
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        unlink(temp.c_str());
        return 0;
    }
    std::lock_guard<std::mutex> guard(r.swapLock);
    r.path = target;
    r.wroteToDisk = 1;
    r.loaded.store(1);
    return 1;
}

int CPeaks::OpenPeaksFile(const char* path, int mode) {
    ClosePeaksFile();
    const std::string own = PeakFilePath();
    const char* name = path != nullptr ? path : own.c_str();
    if (*name == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    CFileObj* file = NewPeakFileObject();
    if (file == nullptr) return 0;
    if (!file->Open(name, 0, mode)) {
        ReleaseFile(file);
        return 0;
    }
    file_ = file;
    return 1;
}

int CPeaks::ClosePeaksFile() {
    if (!pendingPath_.empty()) AbandonPeakFile();
    ReleaseFile(file_);
    return 1;
}

int CPeaks::SeekToPeakIndex(std::uint32_t index) {
    if (file_ == nullptr || !file_->Seek(kPeakFileHeaderBytes + std::int64_t(index), 0)) return 0;
    if (!file_->WriteMode()) peakCount_ = index;
    return 1;
}

int CPeaks::StreamPeaksFromFile(std::uint32_t max, std::uint32_t* read, int* atEnd) {
    if (read != nullptr) *read = 0;
    if (file_ == nullptr || record_ == nullptr || record_->buffer == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    TPeakRecord& r = *record_;
    const std::uint32_t left = r.numPeaks - std::min(peakCount_, r.numPeaks);
    const std::uint32_t n = std::min({r.bufferedPeaks, max, left});
    const std::int64_t got = n > 0 ? std::max<std::int64_t>(0, file_->Read(r.buffer.get(), n)) : 0;
    peakCount_ += static_cast<std::uint32_t>(got);
    if (read != nullptr) *read = static_cast<std::uint32_t>(got);
    if (atEnd != nullptr) *atEnd = peakCount_ >= r.numPeaks ? 1 : 0;
    return got == n ? 1 : 0;
}

int CPeaks::LoadPeaksFromFile(const char* path, int whole) {
    const bool madeHere = record_ == nullptr;
    if (EnsureRecord() == nullptr) return 0;
    if (LoadPeakFileIntoRecord(*record_, path, whole)) return 1;
    // A record made for this load is not kept, and takes no reference.
    if (madeHere) ReleaseRecord();
    return 0;
}

void CPeaks::DeletePeakFile() {
    if (record_ == nullptr) return;
    std::lock_guard<std::mutex> guard(record_->swapLock);
    if (!record_->path.empty()) unlink(record_->path.c_str());
    record_->path.clear();
}

int CPeaks::SaveAs(const char* path) {
    if (record_ == nullptr || !IsLoaded() || path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (record_->streaming == kPeaksInFile) return SaveStreamedAs(path);
    return _InitPeaksToFile_(path) && StreamPeaksToFile(record_->numPeaks) && FinishPeaksToFile()
               ? 1
               : 0;
}

int CPeaks::SaveStreamedAs(const char* songPath) {
    if (!OpenPeaksFile(nullptr, 0)) return 0;
    CPeaks* clone = Clone(*this);
    bool ok = clone != nullptr && clone->InitPeaksToFile(songPath) && SeekToPeakIndex(0);
    int atEnd = 0;
    while (ok && !atEnd) {
        std::uint32_t got = 0;
        const std::uint32_t left = record_->numPeaks - std::min(peakCount_, record_->numPeaks);
        ok = StreamPeaksFromFile(std::min(record_->bufferedPeaks, left), &got, &atEnd) && got > 0 &&
             got <= clone->record_->bufferedPeaks;
        if (ok) {
            std::memcpy(clone->record_->buffer.get(), record_->buffer.get(), got);
            ok = clone->StreamPeaksToFile(got) != 0;
        }
    }
    ok = ok && clone->FinishPeaksToFile();
    if (ok) {
        const std::string saved = clone->PeakFilePath();
        std::lock_guard<std::mutex> guard(record_->swapLock);
        record_->path = saved;
    }
    ClosePeaksFile();
    delete clone;
    return ok ? 1 : 0;
}

int CPeaks::InitBlankFile(const char* songPath, std::int32_t length) {
    if (record_ == nullptr || record_->numPeaks == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!InitPeaksToFile(songPath)) return 0;
    TPeakRecord& r = *record_;
    const std::vector<std::uint8_t> zeros(
        std::max<std::uint32_t>(1, std::min(r.bufferedPeaks, r.numPeaks)), 0);
    for (std::uint32_t done = 0; done < r.numPeaks;) {
        const auto n =
            std::min<std::uint32_t>(static_cast<std::uint32_t>(zeros.size()), r.numPeaks - done);
        if (!WriteToPeakFile(zeros.data(), n)) return 0;
        done += n;
    }
    r.facts.trimEnd = length;
    r.length = length;
    return FinishPeaksToFile();
}

int CPeaks::IsPeakFileOpen() const {
    return file_ != nullptr && file_->IsOpen() ? 1 : 0;
}

int CPeaks::IsPeakFileWriteMode() const {
    return file_ != nullptr ? file_->WriteMode() : 0;
}
