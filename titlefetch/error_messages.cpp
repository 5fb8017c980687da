// Texts for the client's error values.

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/last_error.h"
#include "titlefetch/cddb.h"

namespace {

struct ErrorText {
    std::uint32_t code;
    const char* text;
};

// The CD audio device's errors (the last-error member).
constexpr ErrorText kDeviceTexts[] = {
    {CDDB_DEVERR_HARDWARE, "The CD drive's table of contents could not be read."},
    {CDDB_DEVERR_CANNOT_OPEN, "The CD drive or disc image could not be opened."},
    {CDDB_DEVERR_NOT_READY, "The CD drive holds no readable disc."},
    {CDDB_DEVERR_OUT_OF_RANGE, "The track number lies outside the disc."},
    {CDDB_DEVERR_NO_AUDIO, "The disc holds no audio tracks."},
};

// The socket layer's errors the client reports in the thread's value.
constexpr ErrorText kSocketTexts[] = {
    {CDDB_ERR_INVALID_ARGUMENT, "The server's name could not be resolved."},
    {CDDB_ERR_BAD_ANSWER, "The CDDB server's answer could not be used."},
    {CDDB_ERR_TIMED_OUT, "The CDDB server did not answer in time."},
    {CDDB_ERR_SERVER_REFUSED, "The CDDB server refused this program's request."},
    {CDDB_ERR_SERVER_ERROR, "The CDDB server reported an error of its own."},
    {CDDB_ERR_REDIRECTED, "The CDDB server sent the request to an address this program cannot follow."},
};

// Device texts are at most this long, terminator included.
constexpr std::size_t kDeviceTextSize = 128;

template <std::size_t N>
const char* FindText(const ErrorText (&table)[N], std::uint32_t code) {
    for (const ErrorText& entry : table) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

// The errno behind one of the thread's last-error values, 0 when none.
int ErrnoOf(std::uint32_t code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND: return ENOENT;
        case ERROR_ACCESS_DENIED: return EACCES;
        case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
        case ERROR_FILE_EXISTS: return EEXIST;
        case ERROR_INVALID_PARAMETER: return EINVAL;
        case ERROR_DISK_FULL: return ENOSPC;
        case ERROR_INVALID_HANDLE: return EBADF;
        default: break;
    }
    if (code > ERROR_ERRNO_BASE && code - ERROR_ERRNO_BASE < 4096) return static_cast<int>(code - ERROR_ERRNO_BASE);
    return 0;
}

}  // namespace

CCOMString CCDDB::getErrorMessage(std::int64_t code) {
    if (code != -1) m_lastError = static_cast<std::uint32_t>(code);
    if (m_lastError != 0) {
        const char* text = FindText(kDeviceTexts, m_lastError);
        return text != nullptr ? CCOMString(std::string(text).substr(0, kDeviceTextSize - 1).c_str()) : CCOMString();
    }
    const std::uint32_t threadError = ::GetLastError();
    CCOMString message;
    if (const char* text = FindText(kSocketTexts, threadError)) {
        message = text;
    } else if (const int err = ErrnoOf(threadError); err != 0) {
        char buffer[256] = {};
        message = strerror_r(err, buffer, sizeof buffer);
    }
    // Looking up a text must not change the value it describes.
    SetLastError(threadError);
    return message;
}
