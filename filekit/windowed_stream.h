#pragma once
// The data window shared by file and memory streams: a byte range of the
// stream (a WAV file's sample data, say) that is read once or looped. Offsets
// of the window are stream positions, as Tell() and Seek(x, 0) count them.

#include "filekit/ref_obj.h"

class CWindowedStream : public CRefObj {
public:
    std::int64_t GetDataStart() override { return dataStart_; }
    std::int64_t GetDataEnd() override { return dataEnd_; }
    std::int64_t GetVirtualStart() override { return virtualStart_; }
    int SetVirtualStart(std::int64_t start) override;
    int SeekToData(std::int64_t offset) override;
    std::int64_t ReadData(void* buf, std::int64_t len) override;
    std::int64_t WriteData(const void* buf, std::int64_t len, int append) override;

protected:
    CWindowedStream() = default;
    CWindowedStream(int writeMode, int dataMode) : CRefObj(writeMode, dataMode) {}

    void ClearWindow() {
        dataStart_ = -1;
        dataEnd_ = -1;
        virtualStart_ = 0;
    }

    std::int64_t dataStart_ = -1;
    std::int64_t dataEnd_ = -1;  // first byte after the window
    std::int64_t virtualStart_ = 0;
};
