#include "filekit/windowed_stream.h"

#include <algorithm>

int CWindowedStream::SetVirtualStart(std::int64_t start) {
    if (start < 0 || start > DataSize()) return 0;
    virtualStart_ = start;
    return 1;
}

int CWindowedStream::SeekToData(std::int64_t offset) {
    const std::int64_t window = DataSize();
    if (window <= 0) return 0;  // no window: nothing to wrap around
    // Non-negative remainder, so a negative offset still lands in the window.
    // The offset is reduced first: any value may come in, and the virtual
    // start never exceeds the window, so the sum cannot overflow.
    std::int64_t inside = (offset % window + virtualStart_) % window;
    if (inside < 0) inside += window;
    return Seek(dataStart_ + inside, 0);
}

std::int64_t CWindowedStream::ReadData(void* buf, std::int64_t len) {
    char* out = static_cast<char*>(buf);
    if (out == nullptr || len <= 0) return 0;
    if (DataMode() != kLoopData) {
        // A stream left before its start by a failed seek has nothing to give.
        const std::int64_t position = Tell();
        if (position < 0) return 0;
        const std::int64_t wanted = std::min(len, dataEnd_ - position);
        return wanted < 1 ? 0 : Read(out, wanted);
    }
    if (DataSize() <= 0) return 0;
    std::int64_t delivered = 0;
    while (delivered < len) {
        std::int64_t position = Tell();
        if (position >= dataEnd_) {
            if (!Seek(dataStart_, 0)) break;
            position = dataStart_;
        }
        const std::int64_t got = Read(out + delivered, std::min(len - delivered, dataEnd_ - position));
        if (got <= 0) break;
        delivered += got;
    }
    return delivered;
}

std::int64_t CWindowedStream::WriteData(const void* buf, std::int64_t len, int append) {
    if (WriteMode() == 0 || !IsOpen()) return -1;
    if (buf == nullptr || len < 0) return -1;
    if (append == 0) {
        const std::int64_t position = Tell();
        if (position < 0) return 0;
        const std::int64_t room = std::min(len, dataEnd_ - position);
        return room <= 0 ? 0 : Write(buf, room);
    }
    if (!Seek(dataEnd_, 0)) return -1;
    const std::int64_t written = Write(buf, len);
    dataEnd_ += written;
    return written;
}
