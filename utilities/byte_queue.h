#pragma once
// CByteQueue: a thread-safe first-in first-out queue of bytes, kept as an
// ordered array of buffers. One thread appends blocks of any size, another
// takes bytes out in the amounts it needs. Emptied buffers whose capacity
// lies within the recycling limits are kept at the end of the array and
// refilled, so a steady stream of blocks runs without allocating.
//
// Order of the records: those holding unread data first, then the emptied
// buffers kept for reuse.

#include <cstdint>
#include <memory>
#include <mutex>

#include "utilities/pointer_array.h"

class CByteQueue {
public:
    CByteQueue();
    // Copies hold each record's unread bytes as a record of exactly that
    // size, and take over the recycling flag and limits.
    CByteQueue(const CByteQueue& other);
    CByteQueue& operator=(const CByteQueue& other);
    ~CByteQueue();

    // False for null bytes, a length of 0 or when memory runs out (the bytes
    // that found room in kept buffers stay queued).
    bool AddData(const unsigned char* bytes, std::uint32_t len);
    // Copies up to len bytes from the front; returns the number delivered.
    std::uint32_t GetData(unsigned char* out, std::uint32_t len);
    std::uint32_t TotalBytesAvailable();
    // Frees every record and buffer, kept ones too.
    void RemoveEverything();

    bool RecycleBuffers();
    // Changes the flag only while the queue holds no records.
    void SetRecycleBuffers(bool recycle);
    std::uint32_t MinRecycleBufferSize() const { return kMinRecycleSize; }
    std::uint32_t MaxRecycleBufferSize() const { return kMaxRecycleSize; }
    // The limits are fixed; these accept a value and change nothing.
    void SetMinRecycleBufferSize(std::uint32_t size) { (void)size; }
    void SetMaxRecycleBufferSize(std::uint32_t size) { (void)size; }

    // The queue's own lock, re-entrant, for callers that make a sequence of
    // calls atomic.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    // Test access: records held (kept buffers included), and the number of
    // allocations made so far (records, buffers and the array's blocks).
    int RecordCount();
    int Allocations();

    // Emptied buffers from 32000 to 1000000 bytes (both included) are kept:
    // smaller ones cost little to allocate again, larger ones would hold
    // too much memory idle.
    static constexpr std::uint32_t kMinRecycleSize = 32000;
    static constexpr std::uint32_t kMaxRecycleSize = 1000000;

private:
    struct TRecord {
        std::unique_ptr<unsigned char[]> buffer;  // null until filled
        unsigned char* readPtr = nullptr;         // next unread byte, null when empty
        std::uint32_t validSize = 0;              // unread bytes from readPtr on
        std::uint32_t capacity = 0;
        std::uint32_t freeRoom = 0;               // writable bytes at the end of a kept buffer
    };

    bool Recyclable(const TRecord& record) const;
    // Places bytes into kept buffers; returns how many found room.
    std::uint32_t FillKeptBuffers(const unsigned char* bytes, std::uint32_t len);
    bool AppendRecord(const unsigned char* bytes, std::uint32_t len);
    // Fills an empty record with a buffer of exactly len bytes.
    bool FillNewBuffer(TRecord& record, const unsigned char* bytes, std::uint32_t len);
    void CopyUnreadFrom(const CByteQueue& other);
    void FreeAll();

    mutable std::recursive_mutex lock_;
    CPtrArray<TRecord> records_{8};
    bool recycle_ = true;
    int allocations_ = 0;
};
