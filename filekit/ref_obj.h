#pragma once
// Reference-counted data streams: the base class every stream of the system
// derives from. A stream is created with `new` holding one reference; whoever
// keeps another pointer calls AddReference(), and every holder lets go with
// DeleteRefObject(). The base class's own operations do nothing.

#include <atomic>
#include <cstdint>

class CRefObj {
public:
    CRefObj() = default;
    virtual ~CRefObj() = default;
    CRefObj& operator=(const CRefObj&) = delete;

    // Virtual operations, in this order in every stream class.
    virtual int Copy(CRefObj* other);
    virtual CRefObj* Copy();
    virtual int IsOpen();
    virtual void Close();
    virtual std::int64_t Read(void* buf, std::int64_t len);
    virtual std::int64_t Write(const void* buf, std::int64_t len);
    // whence: 0 from the start, 1 from the current position, 2 from the end.
    virtual int Seek(std::int64_t offset, int whence);
    virtual std::int64_t Tell();
    virtual std::int64_t Size();
    virtual int Type();
    virtual int SetDataOffsets(std::int64_t start, std::int64_t end);
    virtual std::int64_t GetDataStart();
    virtual std::int64_t GetDataEnd();
    virtual std::int64_t GetVirtualStart();
    virtual int SetVirtualStart(std::int64_t start);
    virtual std::int64_t DataSize();
    virtual void SetDataMode(int mode);
    virtual int SeekToData(std::int64_t offset);
    virtual std::int64_t ReadData(void* buf, std::int64_t len);
    virtual std::int64_t WriteData(const void* buf, std::int64_t len, int append);

    void AddReference() { ++references_; }
    // Drops one reference without destroying; returns the new count.
    std::int16_t DecReference() { return --references_; }
    std::int16_t References() const { return references_; }

    int WriteMode() const { return writeMode_; }
    void SetWriteMode(int mode) { writeMode_ = mode; }
    // 1: the data window is looped; anything else: read once.
    int DataMode() const { return dataMode_; }

    // Reads the next non-empty text line (CR, LF or CR LF ended) from the
    // current position into buf, which holds len + 1 bytes; the line break is
    // not stored. A longer line is cut at len characters and the stream still
    // moves past its end. Returns the length stored, 0 at the end.
    std::int64_t ReadNextString(char* buf, std::int64_t len);

    // The data mode value that loops the window.
    static constexpr int kLoopData = 1;

protected:
    // Copies take the modes they are given, never another object's count.
    CRefObj(int writeMode, int dataMode) : writeMode_(writeMode), dataMode_(dataMode) {}

private:
    std::atomic<std::int16_t> references_{1};
    int writeMode_ = 0;
    int dataMode_ = 0;
};

// Drops one reference. The last one destroys the stream and nulls *ref; while
// others remain *ref keeps its value. A null *ref is ignored.
void DeleteRefObject(CRefObj** ref);

// Lets a pointer to a derived stream be released directly.
template <typename Stream>
void DeleteRefObject(Stream** ref) {
    CRefObj* base = *ref;
    DeleteRefObject(&base);
    if (base == nullptr) *ref = nullptr;
}

// 1 when the path names an existing file or folder.
int DoesFileExist(const char* path);
