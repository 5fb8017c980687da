#include "tonecore/pcm/pcm_buffer.h"

#include <algorithm>
#include <new>

#include "filekit/file_obj.h"
#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"

CBufferBlock* CBufferBlock::Create(std::uint32_t size) {
    BYTE* data = new (std::nothrow) BYTE[size > 0 ? size : 1]();
    if (data == nullptr) return nullptr;
    auto* block = new (std::nothrow) CBufferBlock(data, size);
    if (block == nullptr) delete[] data;
    return block;
}

void CBufferBlock::Release() {
    if (--references_ == 0) delete this;
}

CBufferBlock::~CBufferBlock() { delete[] data_; }

CPCMBuffer::CPCMBuffer(const CPCMBuffer& other)
    : carriedHalf_(other.carriedHalf_),
      size_(other.size_),
      fillPercent_(other.fillPercent_),
      wholeFile_(other.wholeFile_),
      readBase_(other.readBase_) {
    std::copy(std::begin(other.carriedWords_), std::end(other.carriedWords_), carriedWords_);
    if (wholeFile_ && other.block_ != nullptr) {
        // The whole sound is read-only once loaded: copies share it.
        other.block_->AddRef();
        AttachBlock(other.block_);
        buffered_ = size_;
        write_ = end_;
        exhausted_ = 1;
    } else if (!wholeFile_) {
        AttachBlock(CBufferBlock::Create(size_));
    }
    initialised_ = 1;
}

CPCMBuffer::~CPCMBuffer() { ReleaseBlock(); }

CPCMBuffer* CPCMBuffer::Copy() { return new (std::nothrow) CPCMBuffer(*this); }

void CPCMBuffer::ReleaseBlock() {
    if (block_ != nullptr) block_->Release();
    block_ = nullptr;
    start_ = end_ = read_ = write_ = nullptr;
    buffered_ = 0;
}

void CPCMBuffer::AttachBlock(CBufferBlock* block) {
    ReleaseBlock();
    block_ = block;
    if (block_ != nullptr) {
        start_ = block_->Data();
        end_ = start_ + block_->Size();
    }
    read_ = write_ = start_;
    buffered_ = 0;
}

int CPCMBuffer::Init(CRefObj* source, std::uint32_t size, int wholeFile, int threshold) {
    ReleaseBlock();
    source_ = source;
    size_ = size;
    wholeFile_ = wholeFile;
    fillPercent_ = threshold;
    CBufferBlock* block = CBufferBlock::Create(size);
    if (block == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    AttachBlock(block);
    consumed_ = 0;
    sourcePosition_ = 0;
    finished_ = 0;
    exhausted_ = 0;
    lowActivity_ = 0;
    if (wholeFile_) {
        toRead_ = size;
        Fill();
        SetReadVariables(0, size);
        exhausted_ = 1;
    }
    initialised_ = 1;
    return 1;
}

void CPCMBuffer::SetRefObj(CRefObj* source) { source_ = source; }

int CPCMBuffer::Fill() {
    if (lowActivity_) {
        PrepareStreamingBuffer();
        lowActivity_ = 0;
    }
    if (exhausted_) return 1;
    if (block_ == nullptr || size_ == 0) return 0;  // nothing to fill into
    if (std::uint64_t{buffered_} * 100 / size_ > static_cast<std::uint64_t>(std::max(fillPercent_, 0))) {
        return 0;
    }
    std::int64_t n = size_ - buffered_;
    if (consumed_ + n >= toRead_) n = std::max<std::int64_t>(toRead_ - consumed_, 0);
    if (n == 0) return 1;
    FillData(static_cast<std::uint32_t>(n));
    return 1;
}

void CPCMBuffer::LowActivityMode() {
    if (wholeFile_ || lowActivity_) return;
    lowActivity_ = 1;
    ReleaseBlock();
}

void CPCMBuffer::PrepareStreamingBuffer() {
    if (wholeFile_) return;
    AttachBlock(CBufferBlock::Create(size_));
    if (block_ == nullptr) SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
    sourcePosition_ = 0;
    finished_ = 0;
    exhausted_ = 0;
}

int CPCMBuffer::SetReadVariables(std::int64_t offset, std::int64_t count) {
    sourcePosition_ = readBase_ + offset;
    exhausted_ = 0;
    finished_ = 0;
    consumed_ = 0;
    if (wholeFile_) {
        if (size_ > 0 && start_ != nullptr) {
            read_ = start_ + sourcePosition_ % size_;
            write_ = end_;
        }
    } else {
        read_ = write_ = start_;
        buffered_ = 0;
        if (!Seek(sourcePosition_)) return 0;
    }
    toRead_ = count;
    active_ = 1;
    return 1;
}

int CPCMBuffer::AdjustBytesToRead(std::int64_t delta) {
    toRead_ = delta < 0 && -delta > toRead_ ? 0 : toRead_ + delta;
    CheckFinished();
    return 1;
}

void CPCMBuffer::CheckFinished() {
    if (consumed_ >= toRead_) finished_ = 1;
}

int CPCMBuffer::Lock(BYTE** region1, std::uint32_t* length1, BYTE** region2,
                     std::uint32_t* length2) {
    *region2 = nullptr;
    *length2 = 0;
    *region1 = read_;
    *length1 = 0;
    if (buffered_ == 0 || read_ == nullptr) {
        *region2 = read_;
        return 1;
    }
    if (read_ < write_) {
        *length1 = static_cast<std::uint32_t>(write_ - read_);
        return 1;
    }
    // Wrapped or full: up to the end, then from the start.
    *length1 = static_cast<std::uint32_t>(end_ - read_);
    if (write_ != start_) {
        *region2 = start_;
        *length2 = static_cast<std::uint32_t>(write_ - start_);
    }
    return 1;
}

int CPCMBuffer::Unlock() { return 1; }

void CPCMBuffer::UpdateReadOffset(std::uint32_t n) {
    const std::uint32_t k = std::min(n, buffered_);
    if (!wholeFile_) buffered_ -= k;
    if (read_ != nullptr && size_ > 0) {
        read_ = start_ + (static_cast<std::uint64_t>(read_ - start_) + k) % size_;
    }
    consumed_ += n;
    CheckFinished();
}

int CPCMBuffer::BytesLeftToRead(std::int64_t* left) {
    // Consumed may run past the range (the reader counts whole regions):
    // nothing is left then, not a negative amount.
    const std::int64_t rest = std::max<std::int64_t>(toRead_ - consumed_, 0);
    if (rest == 0) active_ = 0;
    if (left != nullptr) *left = rest;
    return active_;
}

int CPCMBuffer::BufferFinished() { return finished_; }

void CPCMBuffer::MarkAsFinished() { finished_ = 1; }

std::uint32_t CPCMBuffer::ReadInto(BYTE* at, std::uint32_t want) {
    std::uint32_t total = 0;
    while (total < want) {
        const std::int64_t got = ReadData(at + total, want - total);
        if (got <= 0) break;
        total += static_cast<std::uint32_t>(std::min<std::int64_t>(got, want - total));
    }
    buffered_ += total;
    return total;
}

void CPCMBuffer::FillData(std::uint32_t n) {
    if (start_ == nullptr || n == 0) return;
    if (write_ >= read_) {
        // Free space runs to the end and may go on from the start.
        std::uint32_t first = 0;
        if (write_ + n > end_) {
            first = static_cast<std::uint32_t>(end_ - write_);
            const std::uint32_t got = ReadInto(write_, first);
            if (got < first) {
                exhausted_ = 1;
                write_ += got;
                first = n;  // nothing more to read
            } else {
                write_ = start_;
            }
        }
        if (first < n) {
            const std::uint32_t want = n - first;
            const std::uint32_t got = ReadInto(write_, want);
            if (got < want) exhausted_ = 1;
            write_ += got;
        }
    } else {
        const std::uint32_t got = ReadInto(write_, n);
        if (got < n) exhausted_ = 1;
        write_ += got;
    }
    if (write_ == end_) write_ = start_;
    // A song file that vanished (removed, unmounted) reads nothing for ever.
    if (buffered_ == 0 && source_ != nullptr && source_->Type() == CFileObj::kFileType) {
        const auto* file = dynamic_cast<const CFileObj*>(source_);
        if (file != nullptr && !DoesFileExist(file->FilePath())) exhausted_ = 1;
    }
}

std::int64_t CPCMBuffer::ReadData(BYTE* destination, std::uint32_t n) {
    if (source_ == nullptr) return 0;
    return source_->ReadData(destination, n);
}

int CPCMBuffer::Seek(std::int64_t position) {
    if (source_ == nullptr) return 0;
    const std::int64_t dataSize = source_->DataSize();
    if (dataSize <= 0) {
        SetLastError(TONECORE_ERR_EMPTY_STREAM);
        return 0;
    }
    const std::int64_t wrapped = ((position % dataSize) + dataSize) % dataSize;
    return source_->Seek(wrapped + source_->GetDataStart(), 0);
}

int CPCMBuffer::PreFilterData(const WAVEFORMATEX*, const WAVEFORMATEX*) { return 1; }
