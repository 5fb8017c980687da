#pragma once
// CPCMBuffer: the ring buffer between a sound's data stream and the mixer. It
// reads bytes from the stream ahead of playback (Fill, driven by the service
// thread), hands the reader up to two contiguous regions of buffered bytes
// (Lock) and counts how many bytes of the requested range were consumed
// (UpdateReadOffset). In whole-file mode the whole sound is read once at Init
// and the buffer is then only read, looping over the block.
//
// Derived buffers that decode (compressed sources) replace Copy,
// LowActivityMode, ReadData and Seek; the ring logic stays here.
//
// No lock of its own: the owning sound serialises Fill, Lock and
// UpdateReadOffset under the engine lock.

#include <atomic>
#include <cstdint>

#include "platform/types.h"
#include "platform/wave_format.h"

class CRefObj;

// The buffer memory, shared by whole-file copies. Made with one reference;
// the last Release frees it.
class CBufferBlock {
public:
    // Null when the memory cannot be had. The bytes start zeroed.
    static CBufferBlock* Create(std::uint32_t size);
    void AddRef() { ++references_; }
    void Release();
    BYTE* Data() const { return data_; }
    std::uint32_t Size() const { return size_; }

private:
    CBufferBlock(BYTE* data, std::uint32_t size) : data_(data), size_(size) {}
    ~CBufferBlock();

    std::atomic<std::int32_t> references_{1};
    BYTE* data_;
    std::uint32_t size_;
};

class CPCMBuffer {
public:
    static constexpr int kDefaultFillPercent = 50;

    CPCMBuffer() = default;
    // Copies the set-up (size, threshold, read base, whole-file flag, the
    // carried words) without the source, which the caller sets. A whole-file
    // copy shares the block and is full; a streaming copy gets an empty block
    // of its own (a copy whose block cannot be had holds none).
    CPCMBuffer(const CPCMBuffer& other);
    // Two objects must not run one ring: there is no assignment.
    CPCMBuffer& operator=(const CPCMBuffer&) = delete;
    virtual ~CPCMBuffer();

    // A new heap copy (as the copy constructor); null when out of memory.
    virtual CPCMBuffer* Copy();
    // Sets the buffer up on source (not owned) with a block of size bytes.
    // wholeFile: reads the whole range now and never refills. threshold: Fill
    // reads nothing while more than this percentage is buffered. 0 when the
    // block cannot be had (the buffer then holds none).
    virtual int Init(CRefObj* source, std::uint32_t size, int wholeFile, int threshold);
    virtual void SetRefObj(CRefObj* source);
    // Tops the ring up from the source. 0 when the buffer is full enough and
    // nothing was read, else 1.
    virtual int Fill();
    // Gives the memory of an idle streaming buffer back; the next Fill makes
    // a fresh empty block. Buffered bytes are dropped.
    virtual void LowActivityMode();
    // Starts a range of count bytes at offset (plus the read base). 0 when a
    // streaming buffer's source cannot seek there; the range is then not set.
    virtual int SetReadVariables(std::int64_t offset, std::int64_t count);
    // Lengthens or shortens the range (not below 0). 1.
    virtual int AdjustBytesToRead(std::int64_t delta);
    // The buffered bytes as one or two regions (the second from the ring's
    // start when the bytes wrap). 1.
    virtual int Lock(BYTE** region1, std::uint32_t* length1, BYTE** region2,
                     std::uint32_t* length2);
    virtual int Unlock();
    // The reader took n bytes: the read pointer moves by at most what is
    // buffered, but all n count as consumed.
    virtual void UpdateReadOffset(std::uint32_t n);
    // *left = bytes of the range not yet consumed (0 when all are); returns
    // whether a range is active, clearing that once nothing is left.
    virtual int BytesLeftToRead(std::int64_t* left);
    virtual int BufferFinished();
    virtual void MarkAsFinished();
    // Reads n bytes into the ring through ReadData.
    virtual void FillData(std::uint32_t n);
    // The stream side: reads up to n bytes; the bytes read.
    virtual std::int64_t ReadData(BYTE* destination, std::uint32_t n);
    // Places the source at position (wrapped to its data size) past its data
    // start. 0 for a source without data (TONECORE_ERR_EMPTY_STREAM).
    virtual int Seek(std::int64_t position);

    // Makes a fresh empty block for a streaming buffer.
    void PrepareStreamingBuffer();
    std::uint32_t BufferSize() const { return size_; }
    int Streaming() const { return wholeFile_ ? 0 : 1; }
    int FillPercent() const { return fillPercent_; }
    std::int64_t StartOffset() const { return sourcePosition_; }
    CRefObj* GetReferenceObject() const { return source_; }
    void SetInitialized(int initialised) { initialised_ = initialised; }
    int Initialized() const { return initialised_; }
    int LowActivity() const { return lowActivity_; }
    int SourceExhausted() const { return exhausted_; }
    std::uint32_t Buffered() const { return buffered_; }
    std::int64_t ReadBase() const { return readBase_; }
    void SetReadBase(std::int64_t base) { readBase_ = base; }
    // Hook for decoding buffers; the plain buffer changes nothing. 1.
    virtual int PreFilterData(const WAVEFORMATEX* from, const WAVEFORMATEX* to);

protected:
    // Words the derived buffers define; copies carry them unchanged.
    std::int32_t carriedWords_[4] = {};
    std::uint16_t carriedHalf_ = 0;

private:
    // Reads until want bytes arrived or a read gives nothing; the total.
    std::uint32_t ReadInto(BYTE* at, std::uint32_t want);
    // Replaces the block (releasing the old one) and empties the ring.
    void AttachBlock(CBufferBlock* block);
    void ReleaseBlock();
    void CheckFinished();

    CRefObj* source_ = nullptr;
    std::uint32_t size_ = 0;
    int fillPercent_ = kDefaultFillPercent;
    std::int64_t sourcePosition_ = 0;
    std::int64_t consumed_ = 0;
    std::int64_t toRead_ = 0;
    int wholeFile_ = 0;
    int initialised_ = 0;
    int lowActivity_ = 0;
    CBufferBlock* block_ = nullptr;
    BYTE* start_ = nullptr;
    BYTE* end_ = nullptr;
    BYTE* read_ = nullptr;
    BYTE* write_ = nullptr;
    int finished_ = 0;
    int exhausted_ = 0;
    int active_ = 0;
    std::uint32_t buffered_ = 0;
    std::int64_t readBase_ = 0;
};
