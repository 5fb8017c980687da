// CPeaks: sharing the record, sizing it, building peaks while a source is
// decoded, and the accessors.
#include "tonecore/peaks/peaks.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "filekit/file_obj.h"
#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/my_array_list.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/peaks/peak_file.h"
#include "tonecore/peaks/peak_record.h"

namespace {

// About ten seconds of peaks, and never fewer than 100.
constexpr std::uint32_t kBufferMs = 10000;
constexpr std::uint32_t kMinBufferedPeaks = 100;

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TPeakRecord::~TPeakRecord() {
    {
        std::lock_guard<std::mutex> guard(threadLock);
        if (reloadThread.joinable()) reloadThread.join();
    }
    // A rate display's file exists only for its record; a song's ".ipk"
    // cache outlives it. Only now is the path no reload's to change.
    if (EndsWith(path, "grd")) unlink(path.c_str());
}

std::uint32_t PeakBufferSizeFor(std::uint32_t msPerPeak) {
    if (msPerPeak == 0) return kMinBufferedPeaks;
    return std::max(kMinBufferedPeaks, kBufferMs / msPerPeak);
}

CPeaks::CPeaks() = default;

CPeaks::CPeaks(std::uint32_t msPerPeak, std::int32_t numPeaks) {
    if (EnsureRecord() != nullptr) InitPeakData(msPerPeak, numPeaks, 0);
}

CPeaks::CPeaks(const CPeaks& other) : virtualStart_(other.virtualStart_) {
    ShareRecord(other.record_);
}

CPeaks::CPeaks(const CPeaks& other, std::int32_t start, int relative) {
    ShareRecord(other.record_);
    const std::int64_t n = record_ != nullptr ? record_->numPeaks : 0;
    const std::int64_t base = relative ? other.virtualStart_ : 0;
    std::int64_t at = base + start;
    if (n > 0) {
        at %= n;
        if (at < 0) at += n;
    } else {
        at = 0;
    }
    virtualStart_ = static_cast<std::uint32_t>(at);
}

CPeaks& CPeaks::operator=(const CPeaks& other) {
    if (this == &other) return *this;
    TPeakRecord* keep = other.record_;
    if (keep != nullptr) keep->references.fetch_add(1);
    ReleaseRecord();
    record_ = keep;
    virtualStart_ = other.virtualStart_;
    bufferIndex_ = other.bufferIndex_;
    peakCount_ = other.peakCount_;
    return *this;
}

CPeaks::~CPeaks() {
    ClosePeaksFile();
    ReleaseRecord();
}

CPeaks* CPeaks::Copy(std::int32_t start, int relative) {
    return new (std::nothrow) CPeaks(*this, start, relative);
}

CPeaks* CPeaks::Copy() {
    return new (std::nothrow) CPeaks(*this);
}

CPeaks* CPeaks::Clone(CPeaks& source) {
    if (source.record_ == nullptr) return nullptr;
    const TPeakRecord& from = *source.record_;
    auto* clone =
        new (std::nothrow) CPeaks(from.msPerPeak, static_cast<std::int32_t>(from.numPeaks));
    if (clone == nullptr) return nullptr;
    if (clone->record_ == nullptr || clone->record_->buffer == nullptr) {
        delete clone;
        return nullptr;
    }
    TPeakRecord& to = *clone->record_;
    std::lock_guard<std::mutex> guard(from.swapLock);
    clone->virtualStart_ = source.virtualStart_;
    to.length = from.length;
    to.facts = from.facts;
    to.loaded.store(from.loaded.load());
    // A reload belongs to the source's record; the clone has none running.
    to.soundFound = from.soundFound;
    to.trimEndFixed = from.trimEndFixed;
    to.partialSong = from.partialSong;
    return clone;
}

TPeakRecord* CPeaks::EnsureRecord() {
    if (record_ == nullptr) {
        record_ = new (std::nothrow) TPeakRecord;
        if (record_ == nullptr) {
            SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
            return nullptr;
        }
        record_->references = 1;
    }
    return record_;
}

void CPeaks::ShareRecord(TPeakRecord* record) {
    record_ = record;
    if (record_ != nullptr) record_->references.fetch_add(1);
}

namespace {

// Drops one reference; true when it was the last and the record is gone.
bool DropReference(TPeakRecord* record) {
    if (record == nullptr || record->references.fetch_sub(1) > 1) return false;
    delete record;
    return true;
}

}  // namespace

void CPeaks::ReleaseRecord() {
    // A sharer that goes takes its agreement with it.
    if (conserved_ && record_ != nullptr) WithdrawConserveClaim(*record_);
    conserved_ = false;
    DropReference(record_);
    record_ = nullptr;
}

void CPeaks::IncrementReferences() {
    if (record_ != nullptr) record_->references.fetch_add(1);
}

void CPeaks::DecrementReferences() {
    if (DropReference(record_)) record_ = nullptr;
}

std::uint32_t CPeaks::DetermineBufferSize(std::int32_t msPerPeak) {
    std::uint32_t ms = msPerPeak > 0 ? static_cast<std::uint32_t>(msPerPeak) : 0;
    if (record_ != nullptr) {
        if (ms > 0) {
            record_->msPerPeak = ms;
        } else {
            ms = record_->msPerPeak;
        }
    }
    return PeakBufferSizeFor(ms);
}

std::uint8_t* CPeaks::InitPeakData(std::uint32_t msPerPeak, std::int32_t numPeaks, int whole) {
    TPeakRecord* record = EnsureRecord();
    if (record == nullptr) return nullptr;
    const std::uint32_t b = DetermineBufferSize(static_cast<std::int32_t>(msPerPeak));
    std::uint32_t size = b;
    std::int32_t streaming = kPeaksCountUnknown;
    if (numPeaks >= 1) {
        const auto n = static_cast<std::uint32_t>(numPeaks);
        if (n <= b || whole) {
            size = n;
            streaming = kPeaksAllBuffered;
        } else {
            streaming = kPeaksInFile;
        }
    }
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]());
    if (buffer == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(record->swapLock);
    record->buffer = std::move(buffer);
    record->bufferedPeaks = size;
    record->streaming = streaming;
    record->numPeaks = numPeaks >= 1 ? static_cast<std::uint32_t>(numPeaks) : 0;
    record->length = 0;
    // Maxima, trim points and total silence start again; what the decoder
    // reported about its frames stays.
    record->facts = TPeakFacts{.badFrames = record->facts.badFrames,
                               .nonCDQualityFrames = record->facts.nonCDQualityFrames};
    record->path.clear();
    record->conserveCount = 0;
    record->reloading = 0;
    record->soundFound = record->trimEndFixed = 0;
    record->partialSong = 0;
    record->loaded.store(1);
    return record->buffer.get();
}

void CPeaks::InitStreamPeaksFromParse(int* toFile, CRefObj* source) {
    if (record_ != nullptr) record_->soundFound = record_->trimEndFixed = 0;
    bufferIndex_ = peakCount_ = 0;
    if (toFile == nullptr) return;
    if (source != nullptr && (source->Type() & CFileObj::kFileType) != 0 && *toFile) {
        *toFile = InitPeaksToFile(source);
    } else {
        *toFile = 0;
    }
}

void CPeaks::AutoTrimStep(std::uint8_t peak) {
    TPeakRecord& r = *record_;
    const std::uint32_t threshold = GetSilenceThreshold();
    const auto t = static_cast<std::int32_t>(static_cast<std::int64_t>(peakCount_) * r.msPerPeak);
    if (!r.soundFound) {
        r.facts.trimStart = t;
        if (!r.trimEndFixed) r.facts.trimEnd = t;
        if (peak > threshold) {
            r.soundFound = 1;
            r.facts.totalSilence = 0;
            if (!r.trimEndFixed) r.facts.trimEnd = t + static_cast<std::int32_t>(r.msPerPeak);
        } else if (!r.trimEndFixed) {
            r.facts.totalSilence = 1;
        }
    } else if (!r.trimEndFixed && peak > threshold) {
        // The sound ends with this block, not where the block begins: only
        // the silence after it is trimmed.
        r.facts.trimEnd = t + static_cast<std::int32_t>(r.msPerPeak);
    }
}

int CPeaks::StreamPeakFromParse(std::uint8_t peak, int toFile) {
    if (record_ == nullptr || record_->buffer == nullptr || record_->bufferedPeaks == 0) return 0;
    TPeakRecord& r = *record_;
    if (bufferIndex_ >= r.bufferedPeaks) {
        // Without a file the buffer is the only home of the peaks: it grows
        // rather than overwrite the first ones.
        if (toFile) {
            bufferIndex_ = 0;
        } else if (!GrowPeakBuffer()) {
            return 0;
        }
    }
    r.buffer[bufferIndex_] = peak;
    AutoTrimStep(peak);
    ++bufferIndex_;
    ++peakCount_;
    if (bufferIndex_ < r.bufferedPeaks || !toFile) return 1;
    bufferIndex_ = 0;
    return StreamPeaksToFile(r.bufferedPeaks);
}

bool CPeaks::GrowPeakBuffer() {
    TPeakRecord& r = *record_;
    const std::uint32_t size = r.bufferedPeaks;
    if (size > UINT32_MAX / 2) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return false;
    }
    std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow) std::uint8_t[std::size_t{size} * 2]());
    if (grown == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return false;
    }
    std::memcpy(grown.get(), r.buffer.get(), size);
    std::lock_guard<std::mutex> guard(r.swapLock);
    r.buffer = std::move(grown);
    r.bufferedPeaks = size * 2;
    return true;
}

std::int32_t CPeaks::CheckMaxPeaks(const std::uint8_t* start, const std::uint8_t* end,
                                   const WAVEFORMATEX* format) {
    std::int32_t left = 0;
    std::int32_t right = 0;
    GetMaxSample(start, end, format, left, right);
    if (record_ != nullptr) {
        record_->facts.maxLeft = std::max(record_->facts.maxLeft, left);
        record_->facts.maxRight = std::max(record_->facts.maxRight, right);
    }
    return std::max(left, right);
}

bool CPeaks::LastStoredPeak(std::uint8_t& peak) const {
    const TPeakRecord& r = *record_;
    if (r.buffer == nullptr || peakCount_ == 0 || r.bufferedPeaks == 0) return false;
    const std::uint32_t slot = bufferIndex_ > 0 ? bufferIndex_ - 1 : r.bufferedPeaks - 1;
    peak = r.buffer[std::min(slot, r.bufferedPeaks - 1)];
    return true;
}

void CPeaks::PartialSongTest(std::uint8_t lastPeak) {
    if (!record_->partialSong && static_cast<std::int32_t>(lastPeak) > GetPartialSongThreshold()) {
        record_->partialSong = 1;
    }
}

int CPeaks::FinishPeaksFromParse(std::uint32_t numPeaks, std::int32_t length, int toFile) {
    if (record_ == nullptr) return 0;
    TPeakRecord& r = *record_;
    r.numPeaks = numPeaks;
    if (!toFile) {
        // Every peak was kept in the buffer (as many as it could take).
        r.numPeaks = std::min(numPeaks, r.bufferedPeaks);
        r.streaming = kPeaksAllBuffered;
        r.bufferedPeaks = r.numPeaks;
    } else if (numPeaks <= r.bufferedPeaks) {
        r.streaming = kPeaksAllBuffered;
        r.bufferedPeaks = numPeaks;
    } else {
        r.streaming = kPeaksInFile;
    }
    return FinishPeaksFromParse(length, toFile);
}

int CPeaks::FinishPeaksFromParse(std::int32_t length, int toFile) {
    if (record_ == nullptr) return 0;
    TPeakRecord& r = *record_;
    int result = 1;
    if (toFile && bufferIndex_ > 0 && !StreamPeaksToFile(bufferIndex_)) result = 0;
    std::uint8_t last = 0;
    const bool haveLast = LastStoredPeak(last);
    if (haveLast) PartialSongTest(last);
    r.length = length;
    if (r.soundFound && length > 0) {
        // Loud in its last block, the song sounds to its very end (a last
        // block shorter than the others may have no peak of its own); the
        // last loud block may also reach past the end.
        if (haveLast && last > GetSilenceThreshold()) r.facts.trimEnd = length;
        r.facts.trimEnd = std::min(r.facts.trimEnd, length);
    }
    if (toFile && result && !FinishPeaksToFile()) result = 0;
    r.soundFound = r.trimEndFixed = 1;
    r.fractionalAmps = r.msPerPeak != 0 ? double(r.numPeaks) - double(length) / r.msPerPeak : 0.0;
    r.loaded.store(1);
    return result;
}

int CPeaks::LoadPeaksFromArrayList(CMyArrayList& peaks, std::uint32_t msPerPeak,
                                   std::int32_t length, std::int32_t maxLeft, std::int32_t maxRight,
                                   CRefObj* source) {
    if (EnsureRecord() == nullptr) return 0;
    int toFile = 1;
    InitStreamPeaksFromParse(&toFile, source);
    if (InitPeakData(msPerPeak, peaks.Count(), !toFile) == nullptr) {
        if (toFile) AbandonPeakFile();
        return 0;
    }
    SetMaxPeaks(maxLeft, maxRight);
    int result = 1;
    for (int i = 0; i < peaks.Count(); ++i) {
        const auto value = reinterpret_cast<std::uintptr_t>(peaks.Index(i));
        if (!StreamPeakFromParse(static_cast<std::uint8_t>(value), toFile)) result = 0;
    }
    if (!FinishPeaksFromParse(length, toFile)) result = 0;
    return result;
}

void CPeaks::Unload() {
    if (record_ == nullptr) return;
    std::lock_guard<std::mutex> guard(record_->swapLock);
    record_->loaded.store(0);
    record_->buffer.reset();
    record_->numPeaks = record_->bufferedPeaks = 0;
}

void CPeaks::ConserveMemory() {
    if (record_ == nullptr) return;
    TPeakRecord& r = *record_;
    std::lock_guard<std::mutex> guard(r.swapLock);
    if (r.buffer == nullptr || r.path.empty() || conserved_) return;
    conserved_ = true;
    if (r.conserveCount.fetch_add(1) + 1 >= r.references.load()) {
        r.loaded.store(0);
        r.buffer.reset();
    }
}

void CPeaks::SetVirtualStart(std::int32_t start) {
    virtualStart_ = static_cast<std::uint32_t>(start);
}

namespace {

// Reads a field of the record under its lock, so a reload in progress is
// never seen half done; none without a record.
template <typename T, typename Read>
T ReadLocked(const TPeakRecord* record, T none, Read read) {
    if (record == nullptr) return none;
    std::lock_guard<std::mutex> guard(record->swapLock);
    return read(*record);
}

}  // namespace

std::int32_t CPeaks::LengthOfSound() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.length; });
}
std::int32_t CPeaks::GetAutoTrimTimeStart() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.facts.trimStart; });
}
std::int32_t CPeaks::GetAutoTrimTimeEnd() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.facts.trimEnd; });
}
std::int32_t CPeaks::References() const {
    return record_ != nullptr ? record_->references.load() : 1;
}
std::uint32_t CPeaks::NumMilsPerPeak() const {
    return ReadLocked(record_, 0u, [](const TPeakRecord& r) { return r.msPerPeak; });
}
std::uint32_t CPeaks::GetNumPeaks() const {
    return IsLoaded() ? ReadLocked(record_, 0u, [](const TPeakRecord& r) { return r.numPeaks; })
                      : 0;
}
std::uint32_t CPeaks::GetBufferedPeaks() const {
    return ReadLocked(record_, 0u, [](const TPeakRecord& r) { return r.bufferedPeaks; });
}
std::uint8_t* CPeaks::GetDataPtr() const {
    if (!IsLoaded()) return nullptr;
    std::lock_guard<std::mutex> guard(record_->swapLock);
    return record_->buffer.get();
}
double CPeaks::GetFractionalAmps() const {
    return ReadLocked(record_, 0.0, [](const TPeakRecord& r) { return r.fractionalAmps; });
}
int CPeaks::WroteToDisk() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.wroteToDisk; });
}
void CPeaks::SetWroteToDiskFlag(int flag) {
    if (record_ != nullptr) record_->wroteToDisk = flag;
}
std::int32_t CPeaks::GetMaxRight() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.facts.maxRight; });
}
std::int32_t CPeaks::GetMaxLeft() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.facts.maxLeft; });
}
void CPeaks::SetMaxPeaks(std::int32_t left, std::int32_t right) {
    if (record_ == nullptr) return;
    record_->facts.maxLeft = left;
    record_->facts.maxRight = right;
}
std::string CPeaks::PeakFilePath() const {
    return ReadLocked(record_, std::string(), [](const TPeakRecord& r) { return r.path; });
}
int CPeaks::IsLoaded() const {
    return record_ != nullptr && record_->loaded.load() ? 1 : 0;
}
int CPeaks::IsReloading() const {
    return record_ != nullptr && record_->reloading.load() ? 1 : 0;
}
int CPeaks::IsTotalSilence() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.facts.totalSilence; });
}
int CPeaks::IsPartialSong() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.partialSong; });
}
std::int32_t CPeaks::IsStreaming() const {
    return ReadLocked(record_, kPeaksCountUnknown,
                      [](const TPeakRecord& r) { return r.streaming; });
}
int CPeaks::HasBadFrames() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.facts.badFrames; });
}
void CPeaks::SetHasBadFrames(int flag) {
    if (record_ != nullptr) record_->facts.badFrames = flag;
}
int CPeaks::HasNonCDQualityFrames() const {
    return ReadLocked(record_, 0, [](const TPeakRecord& r) { return r.facts.nonCDQualityFrames; });
}
void CPeaks::SetHasNonCDQualityFrames(int flag) {
    if (record_ != nullptr) record_->facts.nonCDQualityFrames = flag;
}
