#include "lame_enc/vbr_header_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>

namespace {

constexpr std::size_t kId3HeaderBytes = 10;
constexpr std::size_t kFrameHeaderBytes = 4;

class CFd {
public:
    explicit CFd(int fd) : fd_(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() {
        if (fd_ >= 0) close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

bool ReadAt(int fd, std::uint8_t* out, std::size_t size, off_t offset) {
    return pread(fd, out, size, offset) == static_cast<ssize_t>(size);
}

// Where the audio starts: after an ID3 v2 tag (its header, the synchsafe
// size of ID3v2.4 section 3.1, and a footer when its flag is set), else 0.
off_t AudioStart(int fd) {
    std::array<std::uint8_t, kId3HeaderBytes> head{};
    if (!ReadAt(fd, head.data(), head.size(), 0)) return 0;
    if (head[0] != 'I' || head[1] != 'D' || head[2] != '3') return 0;
    if (((head[6] | head[7] | head[8] | head[9]) & 0x80) != 0) return 0;
    const off_t size = (off_t{head[6]} << 21) | (off_t{head[7]} << 14) | (off_t{head[8]} << 7) | off_t{head[9]};
    const off_t footer = (head[5] & 0x10) != 0 ? static_cast<off_t>(kId3HeaderBytes) : 0;
    return static_cast<off_t>(kId3HeaderBytes) + size + footer;
}

// Two frame headers of one stream agree on sync, version and layer
// (ISO/IEC 11172-3 2.4.1.3: 11 sync bits, then the ID and layer bits) and on
// the bitrate index, so the two frames have one length.
bool SameFrameKind(const std::uint8_t* a, const std::uint8_t* b) {
    return a[0] == 0xFF && (a[1] & 0xE0) == 0xE0 && a[0] == b[0] && (a[1] & 0xFE) == (b[1] & 0xFE) &&
           (a[2] & 0xF0) == (b[2] & 0xF0);
}

}  // namespace

bool WriteVbrHeaderFrame(const char* path, std::span<const std::uint8_t> frame) {
    if (path == nullptr || frame.size() < kFrameHeaderBytes) return false;
    CFd fd(open(path, O_RDWR | O_CLOEXEC));
    if (fd.Get() < 0) return false;
    const off_t start = AudioStart(fd.Get());
    std::array<std::uint8_t, kFrameHeaderBytes> placeholder{};
    if (!ReadAt(fd.Get(), placeholder.data(), placeholder.size(), start)) return false;
    if (!SameFrameKind(placeholder.data(), frame.data())) return false;
    const off_t end = lseek(fd.Get(), 0, SEEK_END);
    if (end < start + static_cast<off_t>(frame.size())) return false;
    return pwrite(fd.Get(), frame.data(), frame.size(), start) == static_cast<ssize_t>(frame.size()) &&
           fsync(fd.Get()) == 0;
}
