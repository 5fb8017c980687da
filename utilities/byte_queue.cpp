#include "utilities/byte_queue.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/last_error.h"

CByteQueue::CByteQueue() = default;

CByteQueue::CByteQueue(const CByteQueue& other) {
    std::lock_guard otherGuard(other.lock_);
    recycle_ = other.recycle_;
    CopyUnreadFrom(other);
}

CByteQueue& CByteQueue::operator=(const CByteQueue& other) {
    if (this == &other) return *this;
    std::scoped_lock guard(lock_, other.lock_);
    FreeAll();
    recycle_ = other.recycle_;
    CopyUnreadFrom(other);
    return *this;
}

CByteQueue::~CByteQueue() { FreeAll(); }

void CByteQueue::CopyUnreadFrom(const CByteQueue& other) {
    for (int i = 0; i < other.records_.Count(); ++i) {
        const TRecord* record = other.records_.At(i);
        if (record->validSize > 0 && !AppendRecord(record->readPtr, record->validSize)) return;
    }
}

void CByteQueue::FreeAll() {
    for (int i = 0; i < records_.Count(); ++i) delete records_.At(i);
    records_.RemoveAll();
}

bool CByteQueue::Recyclable(const TRecord& record) const {
    return recycle_ && record.capacity >= kMinRecycleSize && record.capacity <= kMaxRecycleSize;
}

bool CByteQueue::FillNewBuffer(TRecord& record, const unsigned char* bytes, std::uint32_t len) {
    record.buffer.reset(new (std::nothrow) unsigned char[len]);
    if (!record.buffer) return false;
    ++allocations_;
    std::memcpy(record.buffer.get(), bytes, len);
    record.readPtr = record.buffer.get();
    record.validSize = len;
    record.capacity = len;
    record.freeRoom = 0;
    return true;
}

std::uint32_t CByteQueue::FillKeptBuffers(const unsigned char* bytes, std::uint32_t len) {
    std::uint32_t placed = 0;
    for (int i = 0; i < records_.Count() && placed < len; ++i) {
        TRecord& record = *records_.At(i);
        const std::uint32_t wanted = len - placed;
        if (record.validSize > 0) {
            if (record.freeRoom == 0) continue;
            // A partly refilled buffer takes bytes at its end.
            const std::uint32_t n = std::min(wanted, record.freeRoom);
            unsigned char* end = record.buffer.get() + (record.capacity - record.freeRoom);
            std::memcpy(end, bytes + placed, n);
            record.validSize += n;
            record.freeRoom -= n;
            placed += n;
        } else if (record.buffer) {
            const std::uint32_t n = std::min(wanted, record.capacity);
            std::memcpy(record.buffer.get(), bytes + placed, n);
            record.readPtr = record.buffer.get();
            record.validSize = n;
            record.freeRoom = record.capacity - n;
            placed += n;
        } else {
            if (!FillNewBuffer(record, bytes + placed, wanted)) return placed;
            placed = len;
        }
    }
    return placed;
}

bool CByteQueue::AppendRecord(const unsigned char* bytes, std::uint32_t len) {
    auto* record = new (std::nothrow) TRecord;
    if (record == nullptr) return false;
    ++allocations_;
    if (!FillNewBuffer(*record, bytes, len) || !records_.Append(record)) {
        delete record;
        return false;
    }
    return true;
}

bool CByteQueue::AddData(const unsigned char* bytes, std::uint32_t len) {
    if (bytes == nullptr || len == 0) return false;
    std::lock_guard guard(lock_);
    std::uint32_t placed = 0;
    if (RecycleBuffers()) placed = FillKeptBuffers(bytes, len);
    if (placed == len) return true;
    // What is left goes into one new record behind every kept buffer, which
    // are all full now, so the order of the bytes is kept.
    if (!AppendRecord(bytes + placed, len - placed)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

std::uint32_t CByteQueue::GetData(unsigned char* out, std::uint32_t len) {
    if (out == nullptr || len == 0) return 0;
    std::lock_guard guard(lock_);
    std::uint32_t delivered = 0;
    int lastRead = -1;
    for (int i = 0; i < records_.Count() && delivered < len; ++i) {
        TRecord& record = *records_.At(i);
        if (record.validSize == 0) break;
        const std::uint32_t n = std::min(len - delivered, record.validSize);
        std::memcpy(out + delivered, record.readPtr, n);
        delivered += n;
        record.validSize -= n;
        record.readPtr = record.validSize > 0 ? record.readPtr + n : nullptr;
        lastRead = i;
    }
    // Emptied records leave the front: kept ones go to the end for reuse,
    // the others are freed.
    for (int i = 0; i <= lastRead && records_.Count() > 0; ++i) {
        TRecord* front = records_.At(0);
        if (front->validSize > 0) break;
        if (Recyclable(*front)) {
            front->readPtr = nullptr;
            front->freeRoom = front->capacity;
            records_.MoveToEnd(0);
        } else {
            delete records_.RemoveAt(0);
        }
    }
    return delivered;
}

std::uint32_t CByteQueue::TotalBytesAvailable() {
    std::lock_guard guard(lock_);
    std::uint32_t total = 0;
    for (int i = 0; i < records_.Count(); ++i) total += records_.At(i)->validSize;
    return total;
}

void CByteQueue::RemoveEverything() {
    std::lock_guard guard(lock_);
    FreeAll();
}

bool CByteQueue::RecycleBuffers() {
    std::lock_guard guard(lock_);
    return recycle_;
}

void CByteQueue::SetRecycleBuffers(bool recycle) {
    std::lock_guard guard(lock_);
    if (records_.Count() == 0) recycle_ = recycle;
}

int CByteQueue::RecordCount() {
    std::lock_guard guard(lock_);
    return records_.Count();
}

int CByteQueue::Allocations() {
    std::lock_guard guard(lock_);
    return allocations_ + records_.Reallocations();
}
