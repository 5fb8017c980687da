#include "filekit/mem_obj.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/last_error.h"
#include "platform/utf8_prefix.h"

namespace {
constexpr std::size_t kMaxNameBytes = 255;
}

void CMemObj::FreeBlocks() {
    blocks_.clear();
    allocated_ = 0;
}

void CMemObj::Close() { FreeBlocks(); }

bool CMemObj::AppendBlock(std::int64_t size) {
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[static_cast<std::size_t>(size)]);
    if (!bytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    blocks_.push_back(Block{std::move(bytes), size, allocated_});
    allocated_ += size;
    return true;
}

int CMemObj::Create() {
    FreeBlocks();
    type_ = kMemory;
    SetWriteMode(1);
    position_ = size_ = 0;
    return 1;
}

int CMemObj::Open(const unsigned char* bytes, std::int64_t len) {
    FreeBlocks();
    position_ = size_ = 0;
    if (len < 0 || (bytes == nullptr && len > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (len > 0) {
        if (!AppendBlock(len)) return 0;
        std::memcpy(blocks_.back().bytes.get(), bytes, static_cast<std::size_t>(len));
    }
    type_ = kMemory;
    size_ = len;
    dataStart_ = 0;
    return 1;
}

void CMemObj::SetName(const std::string& name) {
    name_ = name.substr(0, Utf8PrefixLength(name, kMaxNameBytes));
}

std::int64_t CMemObj::Read(void* buf, std::int64_t len) {
    if (buf == nullptr || len <= 0 || position_ < 0) return 0;
    char* out = static_cast<char*>(buf);
    std::int64_t copied = 0;
    // Reads run to the end of the allocated blocks; the size is not consulted.
    for (const Block& block : blocks_) {
        if (copied == len) break;
        const std::int64_t blockEnd = block.offset + block.size;
        if (blockEnd <= position_) continue;
        const std::int64_t piece = std::min(len - copied, blockEnd - position_);
        std::memcpy(out + copied, block.bytes.get() + (position_ - block.offset),
                    static_cast<std::size_t>(piece));
        copied += piece;
        position_ += piece;
    }
    return copied;
}

std::int64_t CMemObj::Write(const void* buf, std::int64_t len) {
    if (type_ == kClosed || buf == nullptr || len <= 0 || position_ < 0) return 0;
    // A write whose end no offset can express is refused whole.
    std::int64_t end = 0;
    if (__builtin_add_overflow(position_, len, &end)) return 0;
    const char* in = static_cast<const char*>(buf);
    std::int64_t written = 0;
    while (written < len) {
        auto block = std::find_if(blocks_.begin(), blocks_.end(), [this](const Block& b) {
            return b.offset <= position_ && position_ < b.offset + b.size;
        });
        if (block == blocks_.end()) {
            // Past the allocated end: one new block for the rest of the write,
            // with any gap before the position zero-filled as a file would be.
            const std::int64_t gap = position_ - allocated_;
            if (!AppendBlock(gap + (len - written))) break;
            block = std::prev(blocks_.end());
            std::memset(block->bytes.get(), 0, static_cast<std::size_t>(gap));
        }
        const std::int64_t piece = std::min(len - written, block->offset + block->size - position_);
        std::memcpy(block->bytes.get() + (position_ - block->offset), in + written,
                    static_cast<std::size_t>(piece));
        written += piece;
        position_ += piece;
        if (position_ > size_) size_ = position_;
    }
    return written;
}

int CMemObj::Seek(std::int64_t offset, int whence) {
    // A target no offset can express leaves the position where it was.
    std::int64_t target = position_;
    bool overflow = false;
    switch (whence) {
        case SEEK_SET: target = offset; break;
        case SEEK_CUR: overflow = __builtin_add_overflow(position_, offset, &target); break;
        case SEEK_END: overflow = __builtin_add_overflow(size_, offset, &target); break;
        default: break;
    }
    if (overflow) return 0;
    position_ = target;
    return (position_ >= 0 && position_ <= size_) ? 1 : 0;
}

int CMemObj::SetDataOffsets(std::int64_t start, std::int64_t end) {
    virtualStart_ = 0;
    if (start == end) return 0;
    const bool startTaken = start >= 0 && start < size_;
    const bool endTaken = end > 0 && end <= size_;
    if (startTaken) dataStart_ = start;
    if (endTaken) dataEnd_ = end;
    return (startTaken && endTaken) ? 1 : 0;
}

CRefObj* CMemObj::Copy() {
    auto* copy = new (std::nothrow) CMemObj();
    if (copy == nullptr) return nullptr;
    if (allocated_ > 0) {
        if (!copy->AppendBlock(allocated_)) {
            delete copy;
            return nullptr;
        }
        char* out = copy->blocks_.back().bytes.get();
        for (const Block& block : blocks_) {
            std::memcpy(out + block.offset, block.bytes.get(), static_cast<std::size_t>(block.size));
        }
    }
    copy->type_ = type_;
    copy->name_ = name_;
    copy->size_ = size_;
    copy->dataStart_ = dataStart_;
    copy->dataEnd_ = dataEnd_;
    copy->virtualStart_ = virtualStart_;
    return copy;
}

std::list<std::int64_t> CMemObj::BlockSizes() const {
    std::list<std::int64_t> sizes;
    for (const Block& block : blocks_) sizes.push_back(block.size);
    return sizes;
}
