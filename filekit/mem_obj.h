#pragma once
// A data stream over a chain of memory blocks. The blocks are contiguous in
// stream order; a write that runs past the allocated end adds exactly one
// block for the bytes still to write.

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "filekit/windowed_stream.h"

class CMemObj : public CWindowedStream {
public:
    CMemObj() = default;
    ~CMemObj() override = default;

    int Copy(CRefObj* other) override { (void)other; return 0; }
    CRefObj* Copy() override;
    int IsOpen() override { return type_ != kClosed ? 1 : 0; }
    // Frees every block; type, size and position stay.
    void Close() override;
    std::int64_t Read(void* buf, std::int64_t len) override;
    std::int64_t Write(const void* buf, std::int64_t len) override;
    int Seek(std::int64_t offset, int whence) override;
    std::int64_t Tell() override { return position_; }
    std::int64_t Size() override { return size_; }
    int Type() override { return type_; }
    int SetDataOffsets(std::int64_t start, std::int64_t end) override;
    std::int64_t DataSize() override { return dataEnd_ - dataStart_; }

    // An empty writable stream.
    int Create();
    // A stream holding a copy of len bytes.
    int Open(const unsigned char* bytes, std::int64_t len);

    const std::string& Name() const { return name_; }
    // Keeps at most 255 bytes of the name, cut on a UTF-8 character boundary.
    void SetName(const std::string& name);

    // Test access: the sizes of the blocks in stream order.
    std::list<std::int64_t> BlockSizes() const;

    static constexpr int kClosed = 0;
    static constexpr int kMemory = 2;
    static constexpr int kResource = 3;

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::int64_t size = 0;
        std::int64_t offset = 0;  // stream offset of the first byte
    };

    void FreeBlocks();
    bool AppendBlock(std::int64_t size);

    int type_ = kClosed;
    std::string name_;
    std::list<Block> blocks_;
    std::int64_t allocated_ = 0;
    std::int64_t position_ = 0;
    std::int64_t size_ = 0;
};
